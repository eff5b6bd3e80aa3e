// Version 7 bitmaps: host bitmaps as device-independent bitmaps (DIBs, see
// qfjs/dib.h) and back.
//
// Layout rules, the same as the engine's: a 40-byte header, the colour table
// (8-bit images: biClrUsed entries, or 256 when it is 0 or above 256; direct
// colour: none), three masks when biCompression is BI_BITFIELDS, then the
// rows bottom-up, each padded to 4 bytes. Every bit count up to 8 is one
// byte per pixel; 24 is blue, green, red; 32 is blue, green, red, unused.
//
// Transparency lives in a separate 8-bit alpha plane:
// - direct colour: a w x h plane whose pixels are the alphas, with a grey
//   ramp as its colour table;
// - index colour: a 16 x 16 plane whose table entry i holds the alpha of
//   palette entry i in blue, green and red (read from green) and whose
//   pixel (x, y), row 0 at the top, is 16 * y + x.
#ifndef QFHOST_DIB_CONVERT_H
#define QFHOST_DIB_CONVERT_H

#include <cstdint>

#include "host/lib/dib_block.h"
#include "host/lib/rgba_image.h"
#include "qfjs/dib.h"

namespace qfhost {

class Bitmap;
class Factory;

// The layout rules on a header.
std::uint32_t DibStride(const BITMAPINFOHEADER& header);
int DibColorCount(const BITMAPINFOHEADER& header);
std::uint8_t* DibPixels(BITMAPINFO* dib);
const std::uint8_t* DibPixels(const BITMAPINFO* dib);
// The bytes of the row that y counts from the top.
const std::uint8_t* DibRow(const BITMAPINFO* dib, int y);
std::uint8_t* DibRow(BITMAPINFO* dib, int y);

// A zero-filled DIB: bitCount 8 (index colour with `colors` entries; 1
// counts as 2, and 0, negative or above 256 as 256) or 24 (direct colour).
// Empty for sizes outside the host's limits.
DibBlock NewDib(int width, int height, int bitCount, int colors);
// An alpha plane for an image of this size and bit count, all alphas 0:
// a w x h grey-ramp plane for direct colour, the 16 x 16 swatch for index
// colour.
DibBlock NewAlphaPlane(int width, int height, int imageBitCount);

struct DibPair {
    DibBlock image;
    DibBlock alpha;  // empty when the source has no alpha
};

// An index-colour bitmap becomes an 8-bit DIB with its palette (at least two
// entries) and, when it has alpha, the 16 x 16 plane; a direct-colour bitmap
// becomes a 24-bit DIB with, when it has alpha, a w x h plane. Empty image
// when memory runs out.
DibPair BitmapToDib(const Bitmap& bitmap);
// An RGBA image as a 24-bit DIB, with a w x h plane when has_alpha.
DibPair RgbaToDib(const RgbaImage& image);

// The pixels of a DIB and its optional alpha plane. False for a header the
// host cannot read (size outside the limits, top-down rows, 16-bit or other
// unknown formats) or a plane whose shape does not fit the image. has_alpha
// is true when a plane was given. Index values beyond the colour table read
// as opaque black.
bool DibToRgba(const BITMAPINFO* image, const BITMAPINFO* alpha, RgbaImage* out);
// A new bitmap of the factory: index colour (palette from the table, alpha
// from the 16 x 16 plane) for bit counts up to 8, RGB24 / RGBA32 otherwise.
Bitmap* DibToBitmap(Factory& factory, const BITMAPINFO* image, const BITMAPINFO* alpha);

}  // namespace qfhost

#endif
