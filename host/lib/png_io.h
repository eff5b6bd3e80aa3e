// Picture files: the host reads and writes PNG through libpng.
//
// Reading accepts every PNG colour type and bit depth: grey, grey + alpha,
// RGB and RGBA (16-bit samples are scaled to 8 bits, 1/2/4-bit grey is
// expanded, a tRNS chunk becomes alpha) and palette images (kept as index
// colour with their palette and tRNS alphas, or expanded to RGB/RGBA when
// the load options say so). The result is a "SINGLE" picture.
// Load options (JSON object or ""):
//   {"IndexColor": true}   false expands palette images to direct colour
//
// Writing flattens the picture (compositing.h, FlattenPicture) and writes an
// 8-bit RGB or RGBA PNG, whatever the path's extension. Save options:
//   {"Alpha": null}        true forces RGBA, false forces RGB (transparent
//                          pixels are then composited over "Background");
//                          absent or null: RGBA when the flattened image
//                          has alpha
//   {"Background": [255, 255, 255]}  three numbers 0..255
//   {"Compression": -1}    zlib level 0..9, -1 for libpng's default
//   {"Frame": -1}          frame of an animation, -1 for the current one
// Unknown keys are ignored; options that are not a JSON object, or a known
// key of the wrong type or range, make the call fail.
//
// Failures (no such file, not a PNG, a damaged or truncated file, a size
// beyond the limits of pixel.h, no memory, a path that cannot be written)
// give null / false; nothing is printed. A failed write leaves an existing
// file at the path untouched.
#ifndef QFHOST_PNG_IO_H
#define QFHOST_PNG_IO_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "host/lib/pixel.h"
#include "host/lib/rgba_image.h"

namespace qfhost {

class Factory;
class Picture;

// A decoded PNG file.
struct PngImage {
    int width = 0;
    int height = 0;
    bool indexed = false;  // pixels are palette indices (1 byte), else RGBA (4 bytes)
    bool has_alpha = false;
    int palette_count = 0;
    std::array<std::uint8_t, 1024> palette{};  // RGBA per entry
    std::vector<std::uint8_t> pixels;
};

struct PngLoadOptions {
    bool keep_index = true;
};

struct PngSaveOptions {
    enum class Alpha { kAuto, kOn, kOff };
    Alpha alpha = Alpha::kAuto;
    Rgba background{255, 255, 255, 255};
    int compression = -1;
    int frame = -1;
};

// Null or "" gives the defaults.
bool ParsePngLoadOptions(const char* json, PngLoadOptions* options);
bool ParsePngSaveOptions(const char* json, PngSaveOptions* options);

bool ReadPngFile(const std::string& path, bool keepIndex, PngImage* image);
// Writes RGBA when `alpha`, else RGB (the alpha bytes are dropped as they
// are; composite first to keep the look).
bool WritePngFile(const std::string& path, const RgbaImage& image, bool alpha, int compression = -1);

// The factory's LoadPicture / SavePicture.
Picture* LoadPngPicture(Factory& factory, const char* path, const char* options);
bool SavePngPicture(const Picture& picture, const char* path, const char* options);

}  // namespace qfhost

#endif
