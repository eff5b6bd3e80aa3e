// Reading a whole text file, in any of several encodings, as UTF-8.
#ifndef QFJS_TOOLS_TEXT_FILE_H
#define QFJS_TOOLS_TEXT_FILE_H

#include <string>
#include <string_view>

#include <boost/filesystem/path.hpp>

namespace qfjsbinding {

// Reads `file` into `out` as UTF-8 with every carriage return removed (CR LF
// becomes LF, a lone CR disappears). The file's byte-order mark decides:
// UTF-8 (dropped), UTF-16 LE or BE (decoded; an odd last byte is ignored);
// UTF-32 marks are refused. Without a mark the bytes are decoded from
// `codePage` with ICU; an empty `codePage` takes them unchanged.
//
// False when the file cannot be read (missing, not a regular file, a path
// containing NUL, too large for memory, a short read) or carries a UTF-32
// mark; `out` is then unchanged. A decoding failure (malformed UTF-16, a
// code page ICU does not know) is a success with the empty text.
bool LoadTextFile(const boost::filesystem::path& file, std::string& out, std::string_view codePage);

}  // namespace qfjsbinding

#endif
