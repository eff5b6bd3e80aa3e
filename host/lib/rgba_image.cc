#include "host/lib/rgba_image.h"

namespace qfhost {

RgbaImage::RgbaImage(int w, int h, bool alpha) : has_alpha(alpha) {
    if (w > 0 && h > 0) {
        width = w;
        height = h;
        pixels.assign(static_cast<std::size_t>(w) * h * 4, 0);
    }
}

Rgba RgbaImage::At(int x, int y) const {
    if (!Contains(x, y)) return Rgba{};
    const std::uint8_t* p = Row(y) + static_cast<std::size_t>(x) * 4;
    return Rgba{p[0], p[1], p[2], p[3]};
}

void RgbaImage::Set(int x, int y, Rgba c) {
    if (!Contains(x, y)) return;
    std::uint8_t* p = Row(y) + static_cast<std::size_t>(x) * 4;
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
    p[3] = c.a;
}

bool RgbaImage::AnyTransparent() const {
    for (std::size_t i = 3; i < pixels.size(); i += 4) {
        if (pixels[i] != 255) return true;
    }
    return false;
}

}  // namespace qfhost
