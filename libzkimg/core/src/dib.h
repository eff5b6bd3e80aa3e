// Allocation and queries of device-independent bitmaps (layout in qfjs/dib.h).
//
// Every function accepts what a host may hand over: the queries read only the
// header, answer 0, null or false for a null bitmap, and never assume more
// than the header promises. Allocation failure is reported by a null result.
#ifndef QFJS_LIBZKIMG_DIB_H
#define QFJS_LIBZKIMG_DIB_H

#include <cstdint>

#include "qfjs/dib.h"

extern "C" {

// A new zero-filled bitmap: 8-bit index colour when `bitCount` is 8 or less
// (with min(colors, 2^bitCount) table entries, 2^bitCount for 0, at least 2;
// a `colors` value that is negative or 256 and above counts as 0), 24-bit
// direct colour otherwise (also for 32). Null when the block cannot be
// allocated, for a negative width or height, and when the block would exceed
// what a 32-bit biSizeImage can describe.
BITMAPINFO* zkiDIBAlloc(int width, int height, int bitCount, int colors);

// A new alpha plane for an image of the given size and bit count. Direct
// colour: a width x height 8-bit plane with a grey-ramp table, all pixels 0.
// Index colour: a 16 x 16 8-bit plane whose 256 table entries (all 0) carry
// the alphas of the palette entries and whose pixel at (x, y), row 0 at the
// top, is 16 * y + x. Null when the allocation fails.
BITMAPINFO* zkiDIBAllocAlpha(int width, int height, int bitCount);

// First byte of the pixel rows (the bottom row): behind the header, the
// colour table and, for BI_BITFIELDS, the three masks. Null for null.
std::uint8_t* zkiDIBBits(const BITMAPINFO* dib);

// First colour-table entry (directly behind the 40-byte header). `dib` must
// not be null.
RGBQUAD* zkiDIBPalette(const BITMAPINFO* dib);

// Colour-table entries: 0 above 8 bits; otherwise biClrUsed when it lies in
// 1..2^biBitCount, else 2^biBitCount. 0 for null.
int zkiDIBPaletteCount(const BITMAPINFO* dib);

// Bytes per pixel row: up to 8 bits, the width rounded up to 4; 32 bits,
// 4 * width; any other depth, 3 * width rounded up to 4. 0 for null and for
// a width that is not positive or too large for a row to be addressed.
int zkiDIBWidthBytes(const BITMAPINFO* dib);

// True for 8 bits per pixel or fewer; false for null.
bool zkiDIBIsIndexColor(const BITMAPINFO* dib);

}  // extern "C"

#endif
