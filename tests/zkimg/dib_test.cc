// The DIB helpers against worked examples: block layout, strides, colour
// tables, biClrUsed, the pixel start with and without bit-field masks, and
// both shapes of alpha plane.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <vector>

#include <gtest/gtest.h>

#include "libzkimg/core/src/dib.h"
#include "libzkimg/core/src/memory.h"

namespace {

struct FreeBlock {
    void operator()(void* p) const { zkifree(p); }
};
using Block = std::unique_ptr<BITMAPINFO, FreeBlock>;

// Where the bitmap of a case comes from.
enum class Source {
    kAlloc,       // zkiDIBAlloc(width, height, bits, colors)
    kAlphaPlane,  // zkiDIBAllocAlpha(width, height, bits)
    kHeader,      // a header written by hand, as a host might send it
};

struct DibCase {
    const char* name;
    Source source;
    int width;
    int height;
    int bits;
    int colors;                 // kAlloc: colours asked for; kHeader: biClrUsed
    std::uint32_t compression;  // kHeader only
    // Expected:
    int depth;                  // biBitCount
    int entries;                // zkiDIBPaletteCount
    std::uint32_t clrUsed;      // biClrUsed
    int stride;                 // zkiDIBWidthBytes
    std::size_t bitsOffset;     // zkiDIBBits - block
    std::size_t blockSize;      // bitsOffset + biSizeImage (allocated bitmaps only)

    friend std::ostream& operator<<(std::ostream& os, const DibCase& c) { return os << c.name; }
};

const DibCase kCases[] = {
    // name                      source              w    h    bits colors comp  depth ent  clr  stride off   block
    {"Index5x3FullTable",        Source::kAlloc,      5,   3,   8,   0,     0,    8,    256, 0,   8,     1064, 1088},
    {"Direct5x3",                Source::kAlloc,      5,   3,   24,  0,     0,    24,   0,   0,   16,    40,   88},
    {"OneColourGivesTwo",        Source::kAlloc,      5,   3,   8,   1,     0,    8,    2,   2,   8,     48,   72},
    {"TooManyColoursMeansFull",  Source::kAlloc,      5,   3,   8,   300,   0,    8,    256, 0,   8,     1064, 1088},
    {"NegativeColoursMeansFull", Source::kAlloc,      5,   3,   8,   -5,    0,    8,    256, 0,   8,     1064, 1088},
    {"ExactlyFullTable",         Source::kAlloc,      4,   2,   8,   256,   0,    8,    256, 0,   4,     1064, 1072},
    {"SeventeenColours",         Source::kAlloc,      5,   3,   8,   17,    0,    8,    17,  17,  8,     108,  132},
    {"FourBitsIsEightBitTable16",Source::kAlloc,      5,   3,   4,   0,     0,    8,    16,  16,  8,     104,  128},
    {"FourBitsCapsColours",      Source::kAlloc,      5,   3,   4,   100,   0,    8,    16,  16,  8,     104,  128},
    {"OneBitTwoEntries",         Source::kAlloc,      5,   3,   1,   0,     0,    8,    2,   2,   8,     48,   72},
    {"ThirtyTwoBitsGives24",     Source::kAlloc,      5,   3,   32,  0,     0,    24,   0,   0,   16,    40,   88},
    {"DirectOnePixel",           Source::kAlloc,      1,   1,   24,  0,     0,    24,   0,   0,   4,     40,   44},
    {"EmptyIndexBitmap",         Source::kAlloc,      0,   0,   8,   0,     0,    8,    256, 0,   0,     1064, 1064},
    {"DirectAlphaPlane",         Source::kAlphaPlane, 100, 50,  24,  0,     0,    8,    256, 0,   100,   1064, 6064},
    {"IndexAlphaPlane",          Source::kAlphaPlane, 100, 50,  8,   0,     0,    8,    256, 0,   16,    1064, 1320},
    {"HeaderClrUsedAboveTable",  Source::kHeader,     5,   3,   8,   300,   0,    8,    256, 300, 8,     1064, 0},
    {"HeaderClrUsedZero",        Source::kHeader,     5,   3,   8,   0,     0,    8,    256, 0,   8,     1064, 0},
    {"HeaderClrUsed17",          Source::kHeader,     5,   3,   8,   17,    0,    8,    17,  17,  8,     108,  0},
    {"HeaderFourBitsClrUsed20",  Source::kHeader,     5,   3,   4,   20,    0,    4,    16,  20,  8,     104,  0},
    {"HeaderIndexBitFields",     Source::kHeader,     5,   3,   8,   2,     3,    8,    2,   2,   8,     60,   0},
    {"HeaderDirectBitFields",    Source::kHeader,     5,   3,   24,  0,     3,    24,   0,   0,   16,    52,   0},
    {"HeaderSixteenBitsStride",  Source::kHeader,     5,   3,   16,  0,     0,    16,   0,   0,   16,    40,   0},
    {"HeaderThirtyTwoBitsStride",Source::kHeader,     5,   3,   32,  0,     0,    32,   0,   0,   20,    40,   0},
    {"HeaderNegativeWidth",      Source::kHeader,     -5,  3,   24,  0,     0,    24,   0,   0,   0,     40,   0},
};

class DibTable : public ::testing::TestWithParam<DibCase> {};

// Room for the largest hand-made header (table of 256 plus masks).
constexpr std::size_t kHeaderBuffer = 40 + 1024 + 12;

TEST_P(DibTable, LayoutFollowsTheRules) {
    const DibCase& c = GetParam();
    Block allocated;
    std::vector<std::uint8_t> buffer;
    BITMAPINFO* dib = nullptr;
    switch (c.source) {
        case Source::kAlloc:
            allocated.reset(zkiDIBAlloc(c.width, c.height, c.bits, c.colors));
            dib = allocated.get();
            break;
        case Source::kAlphaPlane:
            allocated.reset(zkiDIBAllocAlpha(c.width, c.height, c.bits));
            dib = allocated.get();
            break;
        case Source::kHeader: {
            buffer.assign(kHeaderBuffer, 0);
            dib = reinterpret_cast<BITMAPINFO*>(buffer.data());
            dib->bmiHeader.biSize = 40;
            dib->bmiHeader.biWidth = c.width;
            dib->bmiHeader.biHeight = c.height;
            dib->bmiHeader.biBitCount = static_cast<std::uint16_t>(c.bits);
            dib->bmiHeader.biClrUsed = static_cast<std::uint32_t>(c.colors);
            dib->bmiHeader.biCompression = c.compression;
            break;
        }
    }
    ASSERT_NE(dib, nullptr);
    const BITMAPINFOHEADER& h = dib->bmiHeader;
    const auto* base = reinterpret_cast<const std::uint8_t*>(dib);

    EXPECT_EQ(h.biBitCount, c.depth);
    EXPECT_EQ(zkiDIBPaletteCount(dib), c.entries);
    EXPECT_EQ(h.biClrUsed, c.clrUsed);
    EXPECT_EQ(zkiDIBWidthBytes(dib), c.stride);
    EXPECT_EQ(static_cast<std::size_t>(zkiDIBBits(dib) - base), c.bitsOffset);
    EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(zkiDIBPalette(dib)), base + 40);
    EXPECT_EQ(zkiDIBIsIndexColor(dib), c.depth <= 8);
    if (c.source == Source::kHeader) return;

    // A bitmap the library made: the published header values, and a block
    // that ends right behind the pixel rows (the memory checker objects to
    // the accesses below if the block is shorter).
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biCompression, static_cast<std::uint32_t>(BI_RGB));
    EXPECT_EQ(h.biXPelsPerMeter, 0);
    EXPECT_EQ(h.biYPelsPerMeter, 0);
    EXPECT_EQ(h.biClrImportant, 0u);
    EXPECT_EQ(h.biSizeImage, static_cast<std::uint32_t>(c.stride) * static_cast<std::uint32_t>(h.biHeight));
    EXPECT_EQ(c.bitsOffset + h.biSizeImage, c.blockSize);

    const RGBQUAD* table = zkiDIBPalette(dib);
    const std::uint8_t* bits = zkiDIBBits(dib);
    const int stride = c.stride;
    if (c.source == Source::kAlloc) {
        EXPECT_EQ(h.biWidth, c.width);
        EXPECT_EQ(h.biHeight, c.height);
        for (int i = 0; i < c.entries; ++i) {
            EXPECT_EQ(std::memcmp(&table[i], "\0\0\0\0", 4), 0) << "entry " << i;
        }
        for (std::size_t i = 0; i < h.biSizeImage; ++i) ASSERT_EQ(bits[i], 0) << "byte " << i;
    } else if (c.bits > 8) {
        // Direct colour: the plane has the image's size, a grey ramp, and
        // every pixel transparent.
        EXPECT_EQ(h.biWidth, c.width);
        EXPECT_EQ(h.biHeight, c.height);
        for (int i = 0; i < 256; ++i) {
            EXPECT_EQ(table[i].rgbBlue, i);
            EXPECT_EQ(table[i].rgbGreen, i);
            EXPECT_EQ(table[i].rgbRed, i);
            EXPECT_EQ(table[i].rgbReserved, 0);
        }
        for (std::size_t i = 0; i < h.biSizeImage; ++i) ASSERT_EQ(bits[i], 0) << "byte " << i;
    } else {
        // Index colour: a 16 x 16 swatch whose pixel at (x, y), row 0 at
        // the top (stored last), is 16 y + x; all 256 alphas 0.
        EXPECT_EQ(h.biWidth, 16);
        EXPECT_EQ(h.biHeight, 16);
        for (int i = 0; i < 256; ++i) EXPECT_EQ(std::memcmp(&table[i], "\0\0\0\0", 4), 0) << "entry " << i;
        const std::uint8_t* top = bits + stride * 15;
        const std::uint8_t* bottom = bits;
        EXPECT_EQ(top[0], 0);
        EXPECT_EQ(bottom[15], 255);
        EXPECT_EQ(bottom[0], 240);
        EXPECT_EQ(top[15], 15);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                ASSERT_EQ(bits[stride * (15 - y) + x], 16 * y + x) << "at " << x << "," << y;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(WorkedExamples, DibTable, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DibCase>& info) { return std::string(info.param.name); });

TEST(DibQueries, NullBitmapAnswersNothing) {
    EXPECT_EQ(zkiDIBBits(nullptr), nullptr);
    EXPECT_EQ(zkiDIBPaletteCount(nullptr), 0);
    EXPECT_EQ(zkiDIBWidthBytes(nullptr), 0);
    EXPECT_FALSE(zkiDIBIsIndexColor(nullptr));
}

TEST(DibAlloc, RefusesWhatItCannotDescribe) {
    // A negative size, and a pixel block beyond a 32-bit biSizeImage, give no
    // bitmap rather than a block shorter than its header claims.
    EXPECT_EQ(zkiDIBAlloc(-1, 10, 24, 0), nullptr);
    EXPECT_EQ(zkiDIBAlloc(10, -1, 8, 0), nullptr);
    EXPECT_EQ(zkiDIBAlloc(70000, 70000, 24, 0), nullptr);
}

TEST(ZkiMemory, BlocksAreZeroFilledAndSlotsReplaced) {
    auto* one = static_cast<std::uint8_t*>(zkialloc(0));
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one[0], 0);
    zkifree(one);
    zkifree(nullptr);

    EXPECT_FALSE(zkiMemAlloc(nullptr, 8));
    void* slot = nullptr;
    ASSERT_TRUE(zkiMemAlloc(&slot, 0));
    ASSERT_NE(slot, nullptr);
    static_cast<std::uint8_t*>(slot)[0] = 7;
    // The old block is released (the leak checker sees it) and a zeroed one
    // takes its place.
    ASSERT_TRUE(zkiMemAlloc(&slot, 64));
    for (int i = 0; i < 64; ++i) ASSERT_EQ(static_cast<std::uint8_t*>(slot)[i], 0);
    zkifree(slot);
}

}  // namespace
