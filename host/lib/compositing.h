// Alpha compositing: one pixel over another, an image over a canvas, and
// the flattening of a whole picture (visible layers, or an animation frame)
// into one RGBA image, as the PNG writer and the programs need it.
#ifndef QFHOST_COMPOSITING_H
#define QFHOST_COMPOSITING_H

#include <vector>

#include "host/lib/pixel.h"
#include "host/lib/rgba_image.h"

namespace qfhost {

class Bitmap;
class Layer;
class Picture;

// `src` over `dst` ("normal" blending, straight alpha); `opacity255`
// (0..255) scales the source alpha. The result of two fully transparent
// pixels is transparent black.
Rgba BlendOver(Rgba dst, Rgba src, int opacity255);

// Layer opacity (0..100, values outside clamped) as a 0..255 factor.
int OpacityTo255(long long opacityPercent);

// Draws `image` over `canvas` with its top-left corner at (x, y); the parts
// outside the canvas are cut off.
void CompositeImage(RgbaImage& canvas, const RgbaImage& image, int x, int y, int opacityPercent);
void CompositeBitmap(RgbaImage& canvas, const Bitmap& bitmap, int x, int y, int opacityPercent);

// The visible layers of a tree drawn bottom (index 0) to top over a
// transparent canvas of the given size. A bitmap layer draws its bitmap at
// its position with its opacity; a folder draws its children into a
// transparent canvas of its own (children positions are offset by the
// folder's position) and then draws that with its opacity. Hidden layers
// and everything inside hidden folders are skipped.
RgbaImage FlattenLayers(const std::vector<Layer*>& layers, int width, int height);

// A picture as one image of its canvas size:
// - "SINGLE": its bitmap (empty without one), has_alpha from the bitmap;
// - "LAYER": FlattenLayers over the canvas, has_alpha when any pixel is not
//   fully opaque;
// - "ANIMATION": frame `frame` (or the current frame when `frame` is
//   negative, frame 0 when there is no current one) drawn at (0, 0) over a
//   transparent canvas, has_alpha from the frame's bitmap. An animation
//   without frames, or a frame index out of range, gives an empty image.
RgbaImage FlattenPicture(const Picture& picture, int frame = -1);

// The image composited over an opaque background colour; has_alpha false.
RgbaImage OverBackground(const RgbaImage& image, Rgba background);

}  // namespace qfhost

#endif
