// Pixel values, formats and size limits shared by every part of the
// reference host.
#ifndef QFHOST_PIXEL_H
#define QFHOST_PIXEL_H

#include <cstdint>

namespace qfhost {

// Largest bitmap, canvas or picture file the host accepts: each side at most
// 30000 pixels and at most 99,980,001 pixels in all (9999 x 9999), the same
// bounds the engine puts on version 7 layers. A script cannot make the host
// allocate more than about 400 MB for one bitmap.
constexpr int kMaxSide = 30000;
constexpr std::int64_t kMaxArea = 99980001;

inline bool ValidSize(int width, int height) {
    return width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide &&
           static_cast<std::int64_t>(width) * height <= kMaxArea;
}

// How a bitmap stores its pixels: one palette index per pixel (a palette of
// up to 256 RGBA entries), three bytes R, G, B, or four bytes R, G, B, A.
enum class PixelFormat { kIndex8, kRgb24, kRgba32 };

// The pixel type texts that GetPixelType reports.
const char* PixelTypeName(PixelFormat format);

// One colour, straight (not premultiplied) alpha; 255 is opaque.
struct Rgba {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 0;

    friend bool operator==(const Rgba& x, const Rgba& y) {
        return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a;
    }
    friend bool operator!=(const Rgba& x, const Rgba& y) { return !(x == y); }
};

// A channel value from a script: rounded to the nearest integer (halves up)
// and clamped to 0..255; NaN counts as 0.
inline std::uint8_t ClampChannel(double value) {
    if (!(value > 0.0)) return 0;
    if (value >= 255.0) return 255;
    return static_cast<std::uint8_t>(value + 0.5);
}

inline std::uint8_t ClampChannel(int value) {
    return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

}  // namespace qfhost

#endif
