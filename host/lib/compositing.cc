#include "host/lib/compositing.h"

#include <algorithm>

#include "host/lib/ani_frame.h"
#include "host/lib/bitmap.h"
#include "host/lib/layer.h"
#include "host/lib/picture.h"

namespace qfhost {

namespace {

// The overlap of an image placed at (x, y) with the canvas, in image
// coordinates [x0, x1) x [y0, y1); computed in 64 bits so far-off positions
// cannot overflow.
struct Overlap {
    long long x0, y0, x1, y1;
    bool empty() const { return x1 <= x0 || y1 <= y0; }
};

Overlap OverlapOf(int canvasWidth, int canvasHeight, int width, int height, long long x, long long y) {
    return Overlap{std::max(0LL, -x), std::max(0LL, -y), std::min<long long>(width, canvasWidth - x),
                   std::min<long long>(height, canvasHeight - y)};
}

void DrawLayers(RgbaImage& canvas, const std::vector<Layer*>& layers, long long offsetX, long long offsetY) {
    for (const Layer* layer : layers) {
        if (layer->hidden()) continue;
        const long long x = offsetX + layer->x();
        const long long y = offsetY + layer->y();
        if (layer->is_folder()) {
            if (layer->children().empty() || layer->opacity() == 0) continue;
            // A folder is drawn as a group: its children are composited
            // together first, then the group with the folder's opacity.
            RgbaImage group(canvas.width, canvas.height, true);
            DrawLayers(group, layer->children(), x, y);
            CompositeImage(canvas, group, 0, 0, layer->opacity());
            continue;
        }
        const Bitmap* bitmap = layer->bitmap();
        if (!bitmap || layer->opacity() == 0) continue;
        const Overlap o = OverlapOf(canvas.width, canvas.height, bitmap->width(), bitmap->height(), x, y);
        if (o.empty()) continue;
        const int opacity = OpacityTo255(layer->opacity());
        for (long long sy = o.y0; sy < o.y1; ++sy) {
            std::uint8_t* row = canvas.Row(static_cast<int>(sy + y));
            for (long long sx = o.x0; sx < o.x1; ++sx) {
                std::uint8_t* d = row + (sx + x) * 4;
                const Rgba out = BlendOver(Rgba{d[0], d[1], d[2], d[3]},
                                           bitmap->PixelColor(static_cast<int>(sx), static_cast<int>(sy)), opacity);
                d[0] = out.r;
                d[1] = out.g;
                d[2] = out.b;
                d[3] = out.a;
            }
        }
    }
}

}  // namespace

Rgba BlendOver(Rgba dst, Rgba src, int opacity255) {
    const int sa255 = src.a * std::clamp(opacity255, 0, 255);  // 0..65025
    if (sa255 == 0) return dst;
    if (sa255 == 255 * 255) return Rgba{src.r, src.g, src.b, 255};
    const double sa = sa255 / 65025.0;
    const double da = dst.a / 255.0;
    const double oa = sa + da * (1.0 - sa);
    if (oa <= 0.0) return Rgba{};
    const double dw = da * (1.0 - sa);
    return Rgba{ClampChannel((src.r * sa + dst.r * dw) / oa), ClampChannel((src.g * sa + dst.g * dw) / oa),
                ClampChannel((src.b * sa + dst.b * dw) / oa), ClampChannel(oa * 255.0)};
}

int OpacityTo255(long long opacityPercent) {
    const long long p = std::clamp(opacityPercent, 0LL, 100LL);
    return static_cast<int>((p * 255 + 50) / 100);
}

void CompositeImage(RgbaImage& canvas, const RgbaImage& image, int x, int y, int opacityPercent) {
    const Overlap o = OverlapOf(canvas.width, canvas.height, image.width, image.height, x, y);
    if (o.empty() || canvas.empty()) return;
    const int opacity = OpacityTo255(opacityPercent);
    for (long long sy = o.y0; sy < o.y1; ++sy) {
        const std::uint8_t* src = image.Row(static_cast<int>(sy));
        std::uint8_t* dst = canvas.Row(static_cast<int>(sy + y));
        for (long long sx = o.x0; sx < o.x1; ++sx) {
            const std::uint8_t* s = src + sx * 4;
            std::uint8_t* d = dst + (sx + x) * 4;
            const Rgba out = BlendOver(Rgba{d[0], d[1], d[2], d[3]}, Rgba{s[0], s[1], s[2], s[3]}, opacity);
            d[0] = out.r;
            d[1] = out.g;
            d[2] = out.b;
            d[3] = out.a;
        }
    }
}

void CompositeBitmap(RgbaImage& canvas, const Bitmap& bitmap, int x, int y, int opacityPercent) {
    CompositeImage(canvas, bitmap.ToRgba(), x, y, opacityPercent);
}

RgbaImage FlattenLayers(const std::vector<Layer*>& layers, int width, int height) {
    RgbaImage canvas(width, height, true);
    if (!canvas.empty()) DrawLayers(canvas, layers, 0, 0);
    canvas.has_alpha = canvas.AnyTransparent();
    return canvas;
}

RgbaImage FlattenPicture(const Picture& picture, int frame) {
    switch (picture.type()) {
        case PictureType::kSingle:
            return picture.bitmap() ? picture.bitmap()->ToRgba() : RgbaImage();
        case PictureType::kLayer:
            if (!ValidSize(picture.canvas_width(), picture.canvas_height())) return RgbaImage();
            return FlattenLayers(picture.layers(), picture.canvas_width(), picture.canvas_height());
        case PictureType::kAnimation: {
            const std::vector<AniFrame*>& frames = picture.frames();
            const AniFrame* chosen = nullptr;
            if (frame < 0) {
                chosen = picture.CurrentFrame();
            } else if (frame < static_cast<int>(frames.size())) {
                chosen = frames[static_cast<std::size_t>(frame)];
            }
            if (!chosen || !chosen->bitmap()) return RgbaImage();
            const Bitmap& bitmap = *chosen->bitmap();
            int width = picture.canvas_width(), height = picture.canvas_height();
            if (!ValidSize(width, height)) {
                width = bitmap.width();
                height = bitmap.height();
            }
            RgbaImage canvas(width, height, true);
            CompositeBitmap(canvas, bitmap, 0, 0, 100);
            canvas.has_alpha = bitmap.has_alpha();
            return canvas;
        }
    }
    return RgbaImage();
}

RgbaImage OverBackground(const RgbaImage& image, Rgba background) {
    RgbaImage out(image.width, image.height, false);
    const Rgba base{background.r, background.g, background.b, 255};
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) out.Set(x, y, BlendOver(base, image.At(x, y), 255));
    }
    return out;
}

}  // namespace qfhost
