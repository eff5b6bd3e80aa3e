// Scaling of images: the methods of Bitmap::Resize and the mipmap levels.
#ifndef QFHOST_RESAMPLE_H
#define QFHOST_RESAMPLE_H

#include "host/lib/rgba_image.h"

namespace qfhost {

enum class ResampleMethod {
    kNearest,   // "nearest": the source pixel under each target pixel's centre
    kBilinear,  // "bilinear": the four source pixels around it, weighted
    kBox,       // "box": the average of the source area each target pixel covers
};

// Method names are matched without regard to ASCII case; null or "" is
// bilinear. False for an unknown name.
bool ParseResampleMethod(const char* name, ResampleMethod* method);

// The source index (0..srcLength-1) under the centre of target index `d`.
int NearestSourceIndex(int d, int srcLength, int dstLength);

// `source` scaled to width x height (both >= 1). Colours are mixed with
// premultiplied alpha so transparent pixels do not darken their neighbours.
// has_alpha is copied from the source.
RgbaImage Resample(const RgbaImage& source, int width, int height, ResampleMethod method);

}  // namespace qfhost

#endif
