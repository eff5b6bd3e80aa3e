// A plain RGBA raster: the common currency of compositing, resampling, PNG
// files and version 7 bitmaps inside the host. Four bytes per pixel, rows
// top to bottom, straight alpha.
#ifndef QFHOST_RGBA_IMAGE_H
#define QFHOST_RGBA_IMAGE_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/lib/pixel.h"

namespace qfhost {

struct RgbaImage {
    int width = 0;
    int height = 0;
    // True when the image carries transparency that a writer should keep;
    // the alpha bytes are meaningful either way (255 where there is none).
    bool has_alpha = false;
    std::vector<std::uint8_t> pixels;  // width * height * 4 bytes

    RgbaImage() = default;
    // A transparent black image; sizes below 1 give an empty image.
    RgbaImage(int w, int h, bool alpha);

    bool empty() const { return width <= 0 || height <= 0; }
    bool Contains(int x, int y) const {
        return static_cast<unsigned>(x) < static_cast<unsigned>(width) &&
               static_cast<unsigned>(y) < static_cast<unsigned>(height);
    }
    // Reads outside the image give transparent black; writes there are ignored.
    Rgba At(int x, int y) const;
    void Set(int x, int y, Rgba c);
    std::uint8_t* Row(int y) { return pixels.data() + static_cast<std::size_t>(y) * width * 4; }
    const std::uint8_t* Row(int y) const {
        return pixels.data() + static_cast<std::size_t>(y) * width * 4;
    }
    // True when some pixel is not fully opaque.
    bool AnyTransparent() const;
};

}  // namespace qfhost

#endif
