// Device-independent bitmaps exchanged with version 7 scripts.
//
// A bitmap is one contiguous block in the published Windows DIB layout, all
// values little-endian: a 40-byte BITMAPINFOHEADER, the colour table
// (RGBQUAD entries: blue, green, red, reserved), three 32-bit masks only when
// biCompression is BI_BITFIELDS, then the pixel rows, bottom row first, each
// row padded to a multiple of 4 bytes.
//
// Formats used: 8-bit index colour (one byte per pixel indexing the table) and
// 24-bit direct colour (blue, green, red per pixel). Transparency lives in a
// separate 8-bit alpha plane: for a direct-colour image a w x h plane whose
// pixels are the alphas (0 transparent, 255 opaque) with a grey-ramp table;
// for an index-colour image a 16 x 16 plane whose colour table entry i holds
// the alpha of palette index i in its blue, green and red bytes.
#ifndef QFJS_DIB_H
#define QFJS_DIB_H

#include <cstdint>

#pragma pack(push, 1)

struct BITMAPINFOHEADER {
    std::uint32_t biSize;          // 40
    std::int32_t biWidth;          // pixels
    std::int32_t biHeight;         // pixels, positive: rows stored bottom-up
    std::uint16_t biPlanes;        // 1
    std::uint16_t biBitCount;      // 8 (index colour) or 24 (direct colour)
    std::uint32_t biCompression;   // BI_RGB, or BI_BITFIELDS (masks after the table)
    std::uint32_t biSizeImage;     // row stride x height
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;       // colour-table entries; 0 means the full 2^bitcount
    std::uint32_t biClrImportant;
};

struct RGBQUAD {
    std::uint8_t rgbBlue;
    std::uint8_t rgbGreen;
    std::uint8_t rgbRed;
    std::uint8_t rgbReserved;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];  // the colour table; its real length follows from the header
};

#pragma pack(pop)

enum : std::uint32_t { BI_RGB = 0, BI_BITFIELDS = 3 };

static_assert(sizeof(BITMAPINFOHEADER) == 40, "DIB header must be 40 bytes");
static_assert(sizeof(RGBQUAD) == 4, "RGBQUAD must be 4 bytes");

#endif
