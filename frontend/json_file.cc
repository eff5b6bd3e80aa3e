#include "frontend/json_file.h"

#include <fstream>
#include <iterator>

namespace qfmacro {

void LoadJsonFile(picojson::value& target, const std::string& path) {
  std::ifstream in(path, std::ios::in | std::ios::binary);
  if (!in) return;

  char head[3] = {};
  in.read(head, sizeof head);
  const bool hasByteOrderMark = in.gcount() == 3 && static_cast<unsigned char>(head[0]) == 0xEF &&
                                static_cast<unsigned char>(head[1]) == 0xBB && static_cast<unsigned char>(head[2]) == 0xBF;
  if (!hasByteOrderMark) {
    in.clear();
    in.seekg(0);
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  // Parse into a separate value: after a syntax error in the middle the
  // parser leaves a partial value, and a batch must not run on half of a
  // description.
  picojson::value parsed;
  std::string error;
  picojson::parse(parsed, text.begin(), text.end(), &error);
  if (error.empty()) target = std::move(parsed);
}

}  // namespace qfmacro
