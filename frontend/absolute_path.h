// Turning command-line paths into absolute ones.
#ifndef QFMACRO_FRONTEND_ABSOLUTE_PATH_H
#define QFMACRO_FRONTEND_ABSOLUTE_PATH_H

#include <string>

namespace qfmacro {

// The path made absolute against the current directory when it is relative;
// an absolute path and the empty text come back unchanged. Throws the
// filesystem library's error when the current directory cannot be obtained.
std::string MakeAbsolute(const std::string& path);

}  // namespace qfmacro

#endif  // QFMACRO_FRONTEND_ABSOLUTE_PATH_H
