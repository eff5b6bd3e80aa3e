#include "frontend/temp_file.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

#include <unistd.h>

namespace qfmacro {

const char kTempDirectory[] = "/tmp";

UniqueFile GenerateTempFileIn(const std::string& directory, const char* prefix, boost::filesystem::path& out) {
  const std::string pattern = directory + "/" + prefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');

  const int fd = ::mkstemp(name.data());
  if (fd < 0) return nullptr;
  UniqueFile file(::fdopen(fd, "wb"));
  if (!file) {
    const int savedErrno = errno;
    ::close(fd);
    ::unlink(name.data());
    errno = savedErrno;
    return nullptr;
  }
  out = boost::filesystem::path(name.data());
  return file;
}

UniqueFile GenerateTempFile(const char* prefix, boost::filesystem::path& out) {
  return GenerateTempFileIn(kTempDirectory, prefix, out);
}

}  // namespace qfmacro
