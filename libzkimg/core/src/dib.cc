#include "libzkimg/core/src/dib.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>

#include "libzkimg/core/src/memory.h"

namespace {

constexpr std::size_t kHeaderSize = 40;
constexpr std::size_t kMaskSize = 12;  // three 32-bit masks after the table

// Row bytes for a width and depth by the stride rule; -1 when the width is
// negative or the row would not fit an int.
std::int64_t RowBytes(std::int64_t width, int bitCount) {
    if (width < 0) return -1;
    std::int64_t bytes;
    if (bitCount <= 8) {
        bytes = (width + 3) & ~std::int64_t{3};
    } else if (bitCount == 32) {
        bytes = 4 * width;
    } else {
        bytes = (3 * width + 3) & ~std::int64_t{3};
    }
    return bytes > std::numeric_limits<int>::max() ? -1 : bytes;
}

}  // namespace

extern "C" {

BITMAPINFO* zkiDIBAlloc(int width, int height, int bitCount, int colors) {
    if (width < 0 || height < 0) return nullptr;

    std::uint32_t entries = 0;
    std::uint32_t clrUsed = 0;
    std::uint16_t depth = 24;
    if (bitCount <= 8) {
        const std::uint32_t cap = bitCount <= 0 ? 1u : (1u << bitCount);
        if (colors >= 256 || colors < 0) colors = 0;
        entries = colors == 0 ? cap : std::min<std::uint32_t>(static_cast<std::uint32_t>(colors), cap);
        if (entries < 2) entries = 2;  // a table has at least two entries
        clrUsed = entries == 256 ? 0 : entries;
        depth = 8;
    }

    const std::int64_t stride = RowBytes(width, depth);
    if (stride < 0) return nullptr;
    const std::uint64_t imageSize = static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(height);
    if (imageSize > std::numeric_limits<std::uint32_t>::max()) return nullptr;
    const std::uint64_t blockSize = kHeaderSize + 4u * entries + imageSize;
    if (blockSize > std::numeric_limits<std::size_t>::max()) return nullptr;

    void* block = nullptr;
    if (!zkiMemAlloc(&block, static_cast<std::size_t>(blockSize))) return nullptr;

    BITMAPINFO* dib = static_cast<BITMAPINFO*>(block);
    BITMAPINFOHEADER& h = dib->bmiHeader;
    h.biSize = kHeaderSize;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = depth;
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<std::uint32_t>(imageSize);
    h.biClrUsed = clrUsed;
    return dib;
}

BITMAPINFO* zkiDIBAllocAlpha(int width, int height, int bitCount) {
    if (bitCount > 8) {
        // Same size as the image; a grey ramp so the plane reads as a mask.
        BITMAPINFO* plane = zkiDIBAlloc(width, height, 8, 0);
        if (!plane) return nullptr;
        RGBQUAD* table = zkiDIBPalette(plane);
        for (int i = 0; i < 256; ++i) {
            const auto v = static_cast<std::uint8_t>(i);
            table[i] = RGBQUAD{v, v, v, 0};
        }
        // The block is zero-filled: every pixel is already transparent.
        return plane;
    }
    // The alphas of an index image live in the table; the pixels make the
    // plane, seen as a picture, a 16 x 16 swatch of the 256 entries.
    BITMAPINFO* plane = zkiDIBAlloc(16, 16, 8, 0);
    if (!plane) return nullptr;
    std::uint8_t* bits = zkiDIBBits(plane);
    const int stride = zkiDIBWidthBytes(plane);
    for (int y = 0; y < 16; ++y) {
        std::uint8_t* row = bits + static_cast<std::ptrdiff_t>(stride) * (15 - y);
        for (int x = 0; x < 16; ++x) row[x] = static_cast<std::uint8_t>(16 * y + x);
    }
    return plane;
}

std::uint8_t* zkiDIBBits(const BITMAPINFO* dib) {
    if (!dib) return nullptr;
    std::size_t offset = kHeaderSize + 4u * static_cast<std::size_t>(zkiDIBPaletteCount(dib));
    if (dib->bmiHeader.biCompression == BI_BITFIELDS) offset += kMaskSize;
    return reinterpret_cast<std::uint8_t*>(const_cast<BITMAPINFO*>(dib)) + offset;
}

RGBQUAD* zkiDIBPalette(const BITMAPINFO* dib) {
    return reinterpret_cast<RGBQUAD*>(reinterpret_cast<std::uint8_t*>(const_cast<BITMAPINFO*>(dib)) + kHeaderSize);
}

int zkiDIBPaletteCount(const BITMAPINFO* dib) {
    if (!dib) return 0;
    const unsigned bitCount = dib->bmiHeader.biBitCount;
    if (bitCount > 8) return 0;
    const std::uint32_t full = 1u << bitCount;
    const std::uint32_t used = dib->bmiHeader.biClrUsed;
    return static_cast<int>(used >= 1 && used <= full ? used : full);
}

int zkiDIBWidthBytes(const BITMAPINFO* dib) {
    if (!dib) return 0;
    const std::int64_t bytes = RowBytes(dib->bmiHeader.biWidth, dib->bmiHeader.biBitCount);
    return bytes < 0 ? 0 : static_cast<int>(bytes);
}

bool zkiDIBIsIndexColor(const BITMAPINFO* dib) {
    return dib && dib->bmiHeader.biBitCount < 9;
}

}  // extern "C"
