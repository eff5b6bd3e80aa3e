#include "host/runner/test_picture.h"

#include <cstdint>

namespace qfjs_runner {

qfhost::Rgba TestPicturePixel(int x, int y) {
    const int dx = x - 88;
    const int dy = y - 88;
    if (dx * dx + dy * dy <= 48 * 48) return qfhost::Rgba{255, 255, 255, 255};
    if (x >= 152 && x < 232 && y >= 152 && y < 232) return qfhost::Rgba{0, 0, 0, 255};
    return qfhost::Rgba{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                        static_cast<std::uint8_t>(255 - (x + y) / 2), 255};
}

qfhost::RgbaImage TestPictureImage() {
    qfhost::RgbaImage image(kTestPictureSize, kTestPictureSize, false);
    for (int y = 0; y < kTestPictureSize; ++y) {
        for (int x = 0; x < kTestPictureSize; ++x) image.Set(x, y, TestPicturePixel(x, y));
    }
    return image;
}

}  // namespace qfjs_runner
