#include "frontend/absolute_path.h"

#include <boost/filesystem/operations.hpp>

namespace qfmacro {

std::string MakeAbsolute(const std::string& path) {
  // An empty value would otherwise turn into the current directory itself.
  if (path.empty()) return path;
  return boost::filesystem::absolute(boost::filesystem::path(path)).string();
}

}  // namespace qfmacro
