// The temporary file that carries the merged macro description to the host.
#ifndef QFMACRO_FRONTEND_TEMP_FILE_H
#define QFMACRO_FRONTEND_TEMP_FILE_H

#include <cstdio>
#include <memory>
#include <string>

#include <boost/filesystem/path.hpp>

namespace qfmacro {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// The folder the merged descriptions are written to.
extern const char kTempDirectory[];

// Creates a new file named prefix + six unique characters in kTempDirectory
// (mkstemp, so it is readable by its owner only) and opens it for writing
// bytes. Returns the open file with `out` set to its path, or null with
// `out` and errno describing the failure left as they were (nothing is left
// behind on disk).
UniqueFile GenerateTempFile(const char* prefix, boost::filesystem::path& out);

// The same in another folder.
UniqueFile GenerateTempFileIn(const std::string& directory, const char* prefix, boost::filesystem::path& out);

}  // namespace qfmacro

#endif  // QFMACRO_FRONTEND_TEMP_FILE_H
