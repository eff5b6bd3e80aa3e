// The picture formats the console host reads and writes: PNG only, through
// the reference host's libpng reader and writer.
#ifndef QFCONSOLE_PICTURE_FORMATS_H
#define QFCONSOLE_PICTURE_FORMATS_H

#include <string>

namespace qfconsole {

// True for a format name that means PNG: "png" in any case, with or
// without a leading dot. The empty name ("all formats" / "same as the
// source") is accepted by the callers, not here.
bool IsPngFormatName(const std::string& name);

// True when a file found in an input folder is a picture to load: its
// extension is ".png" in any case.
bool HasLoadableExtension(const std::string& path);

// The extension every output file gets.
constexpr const char* kOutputExtension = ".png";

}  // namespace qfconsole

#endif
