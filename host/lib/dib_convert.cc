#include "host/lib/dib_convert.h"

#include <algorithm>
#include <new>

#include "host/lib/bitmap.h"
#include "host/lib/factory.h"

namespace qfhost {

namespace {

constexpr std::size_t kHeaderBytes = 40;

RGBQUAD* ColorTable(BITMAPINFO* dib) {
    return reinterpret_cast<RGBQUAD*>(reinterpret_cast<std::uint8_t*>(dib) + kHeaderBytes);
}

const RGBQUAD* ColorTable(const BITMAPINFO* dib) {
    return reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const std::uint8_t*>(dib) + kHeaderBytes);
}

// Formats the host reads: one byte per pixel up to 8 bits, 24 and 32.
bool ReadableHeader(const BITMAPINFOHEADER& h) {
    if (!ValidSize(h.biWidth, h.biHeight)) return false;
    return h.biBitCount <= 8 || h.biBitCount == 24 || h.biBitCount == 32;
}

void FillHeader(BITMAPINFOHEADER* h, int width, int height, int bitCount, int colors) {
    h->biSize = 40;
    h->biWidth = width;
    h->biHeight = height;
    h->biPlanes = 1;
    h->biBitCount = static_cast<std::uint16_t>(bitCount);
    h->biCompression = BI_RGB;
    h->biClrUsed = bitCount == 8 && colors != 256 ? static_cast<std::uint32_t>(colors) : 0;
    h->biSizeImage = DibStride(*h) * static_cast<std::uint32_t>(height);
}

}  // namespace

std::uint32_t DibStride(const BITMAPINFOHEADER& header) {
    const std::uint32_t width = header.biWidth > 0 ? static_cast<std::uint32_t>(header.biWidth) : 0;
    if (header.biBitCount <= 8) return (width + 3) & ~3u;
    if (header.biBitCount == 32) return width * 4;
    return (width * 3 + 3) & ~3u;
}

int DibColorCount(const BITMAPINFOHEADER& header) {
    if (header.biBitCount > 8) return 0;
    const std::uint32_t n = 1u << header.biBitCount;
    return static_cast<int>(header.biClrUsed >= 1 && header.biClrUsed <= n ? header.biClrUsed : n);
}

const std::uint8_t* DibPixels(const BITMAPINFO* dib) {
    if (!dib) return nullptr;
    const BITMAPINFOHEADER& h = dib->bmiHeader;
    std::size_t offset = kHeaderBytes + 4 * static_cast<std::size_t>(DibColorCount(h));
    if (h.biCompression == BI_BITFIELDS) offset += 12;
    return reinterpret_cast<const std::uint8_t*>(dib) + offset;
}

std::uint8_t* DibPixels(BITMAPINFO* dib) {
    return const_cast<std::uint8_t*>(DibPixels(static_cast<const BITMAPINFO*>(dib)));
}

const std::uint8_t* DibRow(const BITMAPINFO* dib, int y) {
    const BITMAPINFOHEADER& h = dib->bmiHeader;
    return DibPixels(dib) + static_cast<std::size_t>(DibStride(h)) * static_cast<std::size_t>(h.biHeight - 1 - y);
}

std::uint8_t* DibRow(BITMAPINFO* dib, int y) {
    return const_cast<std::uint8_t*>(DibRow(static_cast<const BITMAPINFO*>(dib), y));
}

DibBlock NewDib(int width, int height, int bitCount, int colors) {
    if (!ValidSize(width, height) || (bitCount != 8 && bitCount != 24)) return DibBlock();
    // As the engine's allocator: 0, negative or 256 and more mean a full
    // table, and a table has at least two entries.
    if (bitCount == 8 && (colors <= 0 || colors > 256)) colors = 256;
    if (bitCount == 8 && colors == 1) colors = 2;
    if (bitCount == 24) colors = 0;
    BITMAPINFOHEADER h{};
    FillHeader(&h, width, height, bitCount, colors);
    DibBlock block = DibBlock::Allocate(kHeaderBytes + 4 * static_cast<std::size_t>(colors) + h.biSizeImage);
    if (block) *block.header() = h;
    return block;
}

DibBlock NewAlphaPlane(int width, int height, int imageBitCount) {
    if (imageBitCount <= 8) {
        DibBlock plane = NewDib(16, 16, 8, 256);
        if (!plane) return plane;
        for (int y = 0; y < 16; ++y) {
            std::uint8_t* row = DibRow(plane.info(), y);
            for (int x = 0; x < 16; ++x) row[x] = static_cast<std::uint8_t>(16 * y + x);
        }
        return plane;
    }
    DibBlock plane = NewDib(width, height, 8, 256);
    if (!plane) return plane;
    RGBQUAD* table = ColorTable(plane.info());
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        table[i] = RGBQUAD{v, v, v, 0};
    }
    return plane;
}

DibPair BitmapToDib(const Bitmap& bitmap) {
    DibPair out;
    const int width = bitmap.width(), height = bitmap.height();
    if (!bitmap.is_index()) {
        try {
            return RgbaToDib(bitmap.ToRgba());
        } catch (const std::bad_alloc&) {
            return out;
        }
    }
    const int count = bitmap.palette_count();
    out.image = NewDib(width, height, 8, std::max(count, 2));
    if (!out.image) return out;
    RGBQUAD* table = ColorTable(out.image.info());
    for (int i = 0; i < count; ++i) {
        const Rgba c = bitmap.PaletteColor(i);
        table[i] = RGBQUAD{c.b, c.g, c.r, 0};
    }
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = DibRow(out.image.info(), y);
        for (int x = 0; x < width; ++x) row[x] = static_cast<std::uint8_t>(bitmap.PixelIndex(x, y));
    }
    if (bitmap.has_alpha()) {
        out.alpha = NewAlphaPlane(width, height, 8);
        if (!out.alpha) {
            out.image = DibBlock();
            return out;
        }
        RGBQUAD* alphas = ColorTable(out.alpha.info());
        for (int i = 0; i < 256; ++i) {
            const std::uint8_t a = i < count ? bitmap.PaletteColor(i).a : 255;
            alphas[i] = RGBQUAD{a, a, a, 0};
        }
    }
    return out;
}

DibPair RgbaToDib(const RgbaImage& image) {
    DibPair out;
    out.image = NewDib(image.width, image.height, 24, 0);
    if (!out.image) return out;
    if (image.has_alpha) {
        out.alpha = NewAlphaPlane(image.width, image.height, 24);
        if (!out.alpha) {
            out.image = DibBlock();
            return out;
        }
    }
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* src = image.Row(y);
        std::uint8_t* dst = DibRow(out.image.info(), y);
        std::uint8_t* alpha = out.alpha ? DibRow(out.alpha.info(), y) : nullptr;
        for (int x = 0; x < image.width; ++x) {
            dst[x * 3] = src[x * 4 + 2];
            dst[x * 3 + 1] = src[x * 4 + 1];
            dst[x * 3 + 2] = src[x * 4];
            if (alpha) alpha[x] = src[x * 4 + 3];
        }
    }
    return out;
}

bool DibToRgba(const BITMAPINFO* image, const BITMAPINFO* alpha, RgbaImage* out) {
    *out = RgbaImage();
    if (!image || !ReadableHeader(image->bmiHeader)) return false;
    const BITMAPINFOHEADER& h = image->bmiHeader;
    const bool index = h.biBitCount <= 8;
    if (alpha) {
        const BITMAPINFOHEADER& a = alpha->bmiHeader;
        if (a.biBitCount > 8 || !ReadableHeader(a)) return false;
        if (!index && (a.biWidth != h.biWidth || a.biHeight != h.biHeight)) return false;
    }
    try {
        *out = RgbaImage(h.biWidth, h.biHeight, alpha != nullptr);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const int colors = DibColorCount(h);
    const RGBQUAD* table = ColorTable(image);
    const int alphaColors = alpha ? DibColorCount(alpha->bmiHeader) : 0;
    const RGBQUAD* alphaTable = alpha ? ColorTable(alpha) : nullptr;
    for (int y = 0; y < out->height; ++y) {
        const std::uint8_t* src = DibRow(image, y);
        const std::uint8_t* alphaRow = alpha && !index ? DibRow(alpha, y) : nullptr;
        std::uint8_t* dst = out->Row(y);
        for (int x = 0; x < out->width; ++x) {
            std::uint8_t* p = dst + x * 4;
            if (index) {
                const int i = src[x];
                if (i < colors) {
                    p[0] = table[i].rgbRed;
                    p[1] = table[i].rgbGreen;
                    p[2] = table[i].rgbBlue;
                }
                p[3] = alphaTable && i < alphaColors ? alphaTable[i].rgbGreen : 255;
            } else {
                const std::size_t bytes = h.biBitCount == 32 ? 4 : 3;
                const std::uint8_t* s = src + x * bytes;
                p[0] = s[2];
                p[1] = s[1];
                p[2] = s[0];
                p[3] = alphaRow ? alphaRow[x] : 255;
            }
        }
    }
    return true;
}

Bitmap* DibToBitmap(Factory& factory, const BITMAPINFO* image, const BITMAPINFO* alpha) {
    if (!image || !ReadableHeader(image->bmiHeader)) return nullptr;
    const BITMAPINFOHEADER& h = image->bmiHeader;
    if (h.biBitCount > 8) {
        RgbaImage rgba;
        if (!DibToRgba(image, alpha, &rgba)) return nullptr;
        try {
            return factory.NewBitmapFromRgba(rgba);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }
    if (alpha && (alpha->bmiHeader.biBitCount > 8 || !ReadableHeader(alpha->bmiHeader))) return nullptr;
    const int colors = DibColorCount(h);
    int highest = 0;
    for (int y = 0; y < h.biHeight; ++y) {
        const std::uint8_t* row = DibRow(image, y);
        for (int x = 0; x < h.biWidth; ++x) highest = std::max<int>(highest, row[x]);
    }
    // Values beyond the table keep their meaning as opaque black entries.
    const int count = std::max(colors, highest + 1);
    Bitmap* bitmap = factory.MakeBitmap(h.biWidth, h.biHeight, PixelFormat::kIndex8, count);
    if (!bitmap) return nullptr;
    bitmap->ChangeAlpha(alpha != nullptr);
    const RGBQUAD* table = ColorTable(image);
    const int alphaColors = alpha ? DibColorCount(alpha->bmiHeader) : 0;
    const RGBQUAD* alphaTable = alpha ? ColorTable(alpha) : nullptr;
    for (int i = 0; i < count; ++i) {
        Rgba c{0, 0, 0, 255};
        if (i < colors) c = Rgba{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 255};
        if (alphaTable && i < alphaColors) c.a = alphaTable[i].rgbGreen;
        bitmap->SetPaletteColor(i, c);
    }
    for (int y = 0; y < h.biHeight; ++y) {
        const std::uint8_t* row = DibRow(image, y);
        for (int x = 0; x < h.biWidth; ++x) bitmap->SetPixelIndex(x, y, row[x]);
    }
    return bitmap;
}

}  // namespace qfhost
