// Writes examples/sample.png, the picture the examples and the demo work on:
// 128 x 96, opaque, a hue sweep from left to right that darkens towards the
// bottom, a white disc and a dark bar, so that colour, brightness and shape
// changes all show. Run once when the sample must change:
//   cmake --build build --target make_sample_png && build/bin/make_sample_png examples/sample.png
// The tests never depend on this formula: they decode the committed file.
#include <cmath>
#include <cstdio>

#include "host/lib/qfhost.h"

namespace {

qfhost::Rgba HueColor(double hue, double value) {
    const double h = std::fmod(hue, 360.0) / 60.0;
    const double c = value;
    const double x = c * (1.0 - std::fabs(std::fmod(h, 2.0) - 1.0));
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(h)) {
        case 0: r = c; g = x; break;
        case 1: r = x; g = c; break;
        case 2: g = c; b = x; break;
        case 3: g = x; b = c; break;
        case 4: r = x; b = c; break;
        default: r = c; b = x; break;
    }
    auto byte = [](double v) { return static_cast<std::uint8_t>(std::lround(v * 255.0)); };
    return qfhost::Rgba{byte(r), byte(g), byte(b), 255};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample_png OUT.png\n");
        return 2;
    }
    constexpr int kWidth = 128;
    constexpr int kHeight = 96;
    qfhost::RgbaImage image(kWidth, kHeight, false);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            // Coarse steps keep the file small (a few KB) and the bands easy to see.
            const double hue = (x / 4) * 4 * 360.0 / kWidth;
            const double value = 1.0 - 0.6 * ((y / 4) * 4) / (kHeight - 1);
            qfhost::Rgba c = HueColor(hue, value);
            const int dx = x - 40;
            const int dy = y - 40;
            if (dx * dx + dy * dy <= 18 * 18) c = qfhost::Rgba{255, 255, 255, 255};
            if (x >= 76 && x < 116 && y >= 60 && y < 72) c = qfhost::Rgba{24, 24, 40, 255};
            image.Set(x, y, c);
        }
    }
    if (!qfhost::WritePngFile(argv[1], image, false, 9)) {
        std::fprintf(stderr, "make_sample_png: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
