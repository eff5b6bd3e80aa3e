// Bitmaps: creation limits, pixel and palette access with the edge cases the
// engine passes through unchecked, format changes, Resize, Clip and Overlay.
#include <climits>
#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>
#include <picojson.h>

#include "host/lib/qfhost.h"

namespace {

using qfhost::AsBitmap;
using qfhost::Bitmap;
using qfhost::Factory;
using qfhost::PixelFormat;
using qfhost::Rgba;

class BitmapTest : public ::testing::Test {
protected:
    Bitmap* Make(int w, int h, int bits, int extra = 0) {
        return AsBitmap(factory.CreateBitmap(w, h, bits, extra));
    }
    // An RGB24 bitmap whose pixel (x, y) is (10x + y, 20 + x, 30 + y).
    Bitmap* Pattern(int w, int h) {
        Bitmap* b = Make(w, h, 24);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                b->SetPixelColor(x, y, Rgba{static_cast<std::uint8_t>(10 * x + y),
                                            static_cast<std::uint8_t>(20 + x), static_cast<std::uint8_t>(30 + y), 255});
            }
        }
        return b;
    }
    static std::string Describe(Rgba c) {
        return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + "," +
               std::to_string(c.a);
    }

    Factory factory;
};

struct CreateCase {
    int width, height, bits, extra;
    const char* pixelType;  // null: refused
    int paletteCount;
    bool alpha;
};

TEST_F(BitmapTest, CreateBitmapAcceptsOnlyKnownBitCountsAndSaneSizes) {
    const CreateCase cases[] = {
        {10, 5, 8, 0, "INDEX8", 256, false},
        {10, 5, 8, 16, "INDEX8", 16, false},
        {10, 5, 8, 1, "INDEX8", 1, false},
        {10, 5, 8, 300, "INDEX8", 256, false},
        {10, 5, 8, -4, "INDEX8", 256, false},
        {10, 5, 24, 7, "RGB24", 0, false},
        {10, 5, 32, 0, "RGBA32", 0, true},
        {1, 1, 24, 0, "RGB24", 0, false},
        {0, 5, 24, 0, nullptr, 0, false},
        {5, 0, 32, 0, nullptr, 0, false},
        {-1, 0, 5, 0, nullptr, 0, false},
        {-10, -10, 24, 0, nullptr, 0, false},
        {10, 10, 16, 0, nullptr, 0, false},
        {10, 10, 1, 0, nullptr, 0, false},
        {10, 10, 0, 0, nullptr, 0, false},
        {30001, 1, 24, 0, nullptr, 0, false},
        {1, 30001, 24, 0, nullptr, 0, false},
        {10000, 9999, 24, 0, nullptr, 0, false},  // 99,990,000 pixels: above the cap
        {INT_MAX, INT_MAX, 32, 0, nullptr, 0, false},
        {30000, 1, 8, 0, "INDEX8", 256, false},
    };
    for (const CreateCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " bits " + std::to_string(c.bits));
        Bitmap* b = Make(c.width, c.height, c.bits, c.extra);
        if (!c.pixelType) {
            EXPECT_EQ(b, nullptr);
            continue;
        }
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->GetWidth(), c.width);
        EXPECT_EQ(b->GetHeight(), c.height);
        EXPECT_EQ(b->GetPixelType(), c.pixelType);
        EXPECT_EQ(b->GetPaletteCount(), c.paletteCount);
        EXPECT_EQ(b->HasAlpha(), c.alpha);
        EXPECT_EQ(b->IsIndexColor(), c.bits == 8);
    }
}

TEST_F(BitmapTest, NewBitmapsStartBlackTransparentOrWithAGreyRamp) {
    Bitmap* rgb = Make(3, 2, 24);
    Bitmap* rgba = Make(3, 2, 32);
    EXPECT_EQ(Describe(rgb->PixelColor(2, 1)), "0,0,0,255");
    EXPECT_EQ(Describe(rgba->PixelColor(2, 1)), "0,0,0,0");

    Bitmap* grey = Make(3, 2, 8, 16);
    EXPECT_EQ(grey->GetPixelI(1, 1), 0);
    EXPECT_EQ(grey->GetPaletteR(0), 0);
    EXPECT_EQ(grey->GetPaletteG(1), 17);
    EXPECT_EQ(grey->GetPaletteB(15), 255);
    EXPECT_EQ(grey->GetPaletteA(15), 255);  // no alpha: opaque
    Bitmap* full = Make(3, 2, 8);
    EXPECT_EQ(full->GetPaletteR(128), 128);
}

TEST_F(BitmapTest, PositionsAndIndicesOutsideReadZeroAndIgnoreWrites) {
    const std::pair<int, int> outside[] = {{-1, 0}, {0, -1}, {4, 0}, {0, 3},
                                           {INT_MIN, 0}, {0, INT_MAX}, {INT_MAX, INT_MIN}, {-1, -1}};
    for (int bits : {8, 24, 32}) {
        Bitmap* b = Make(4, 3, bits);
        b->SetHasAlpha(true);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) b->SetPixel(x, y, nullptr, nullptr, nullptr, nullptr, nullptr);
        Bitmap* before = b->Copy();
        for (auto [x, y] : outside) {
            SCOPED_TRACE("bits " + std::to_string(bits) + " at " + std::to_string(x) + "," + std::to_string(y));
            EXPECT_EQ(b->GetPixelR(x, y), 0);
            EXPECT_EQ(b->GetPixelG(x, y), 0);
            EXPECT_EQ(b->GetPixelB(x, y), 0);
            EXPECT_EQ(b->GetPixelA(x, y), 0);
            EXPECT_EQ(b->GetPixelI(x, y), 0);
            const double v = 200, one = 1;
            const int index = 5;
            b->SetPixelR(x, y, v);
            b->SetPixelA(x, y, v);
            b->SetPixelI(x, y, index);
            b->SetPixel(x, y, &v, &v, &v, &one, nullptr);
            b->SetPixel(x, y, nullptr, nullptr, nullptr, nullptr, &index);
        }
        for (int index : {-1, 256, INT_MIN, INT_MAX, b->palette_count()}) {
            EXPECT_EQ(b->GetPaletteR(index), 0);
            EXPECT_EQ(b->GetPaletteA(index), 0);
            b->SetPaletteR(index, 99);
            b->SetPaletteA(index, 99);
        }
        EXPECT_TRUE(b->SameContent(*before));
    }
}

TEST_F(BitmapTest, EmptyBitmapsNeverTouchMemory) {
    // Pictures can hold no bitmap, but bitmap code paths must also survive
    // a 0 x 0 bitmap (an RGBA image assigned from an empty raster).
    Bitmap* b = Make(2, 2, 32);
    b->AssignRgba(qfhost::RgbaImage(), true);
    EXPECT_EQ(b->GetWidth(), 0);
    EXPECT_EQ(b->GetPixelR(-1, -1), 0);
    EXPECT_EQ(b->GetPixelA(0, 0), 0);
    b->SetPixelR(0, 0, 5);
    b->SetPixelR(-1, -1, 5);
    auto* resized = AsBitmap(b->Resize(2, 2, ""));
    ASSERT_NE(resized, nullptr);
    EXPECT_EQ(resized->GetPixelA(1, 1), 0);
    EXPECT_EQ(b->Clip(0, 0, 1, 1), nullptr);
    b->SetIndexColor(true);
    EXPECT_TRUE(b->IsIndexColor());
    EXPECT_EQ(b->GetPixelI(0, 0), 0);
}

TEST_F(BitmapTest, ChannelValuesAreRoundedAndClamped) {
    struct Case {
        double in;
        double out;
    };
    const Case cases[] = {{12.4, 12},  {12.5, 13},   {12.6, 13}, {-3, 0},    {300, 255},
                          {255.4, 255}, {-0.4, 0},   {0.5, 1},   {1e300, 255}, {-1e300, 0},
                          {std::numeric_limits<double>::quiet_NaN(), 0},
                          {std::numeric_limits<double>::infinity(), 255}};
    Bitmap* b = Make(1, 1, 32);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        b->SetPixelR(0, 0, c.in);
        b->SetPixelA(0, 0, c.in);
        EXPECT_EQ(b->GetPixelR(0, 0), c.out);
        EXPECT_EQ(b->GetPixelA(0, 0), c.out);
    }
    Bitmap* index = Make(1, 1, 8, 4);
    index->SetPaletteR(2, 300);
    index->SetPaletteG(2, -7);
    EXPECT_EQ(index->GetPaletteR(2), 255);
    EXPECT_EQ(index->GetPaletteG(2), 0);
}

TEST_F(BitmapTest, AlphaOnlyCountsWhenTheBitmapHasAlpha) {
    Bitmap* rgb = Make(2, 1, 24);
    rgb->SetPixelA(0, 0, 10);
    EXPECT_EQ(rgb->GetPixelA(0, 0), 255);
    const double c = 50, a = 7;
    rgb->SetPixel(1, 0, &c, &c, &c, &a, nullptr);
    EXPECT_EQ(Describe(rgb->PixelColor(1, 0)), "50,50,50,255");

    Bitmap* index = Make(2, 1, 8, 4);
    index->SetPaletteA(1, 10);  // ignored: no alpha
    EXPECT_EQ(index->GetPaletteA(1), 255);
    index->SetHasAlpha(true);
    index->SetPaletteA(1, 10);
    index->SetPixelI(0, 0, 1);
    EXPECT_EQ(index->GetPaletteA(1), 10);
    EXPECT_EQ(index->GetPixelA(0, 0), 10);
    // Switching alpha off forgets the palette alphas.
    index->SetHasAlpha(false);
    index->SetHasAlpha(true);
    EXPECT_EQ(index->GetPaletteA(1), 255);
}

TEST_F(BitmapTest, SetPixelHonoursEachPointerCombination) {
    const double r = 10, g = 20, b = 30, a = 40;
    const int i = 3;

    Bitmap* rgba = Make(2, 1, 32);
    rgba->SetPixel(0, 0, &r, &g, &b, &a, nullptr);
    EXPECT_EQ(Describe(rgba->PixelColor(0, 0)), "10,20,30,40");
    const double r2 = 99;
    rgba->SetPixel(0, 0, &r2, &g, &b, nullptr, nullptr);  // alpha stays
    EXPECT_EQ(Describe(rgba->PixelColor(0, 0)), "99,20,30,40");
    rgba->SetPixel(1, 0, nullptr, nullptr, nullptr, nullptr, &i);  // no palette: ignored
    EXPECT_EQ(Describe(rgba->PixelColor(1, 0)), "0,0,0,0");

    Bitmap* index = Make(2, 1, 8, 8);  // grey ramp 0, 36, 73, 109, ...
    index->SetPixel(0, 0, nullptr, nullptr, nullptr, nullptr, &i);
    EXPECT_EQ(index->GetPixelI(0, 0), 3);
    const int tooBig = 8;
    index->SetPixel(0, 0, nullptr, nullptr, nullptr, nullptr, &tooBig);
    EXPECT_EQ(index->GetPixelI(0, 0), 3);
    // A colour picks the nearest palette entry.
    const double grey = 70;
    index->SetPixel(1, 0, &grey, &grey, &grey, nullptr, nullptr);
    EXPECT_EQ(index->GetPixelI(1, 0), 2);
    index->SetPixelR(1, 0, 255);  // (255, 73, 73) is nearest to entry 4 (146, 146, 146)
    EXPECT_EQ(index->GetPixelI(1, 0), 4);
}

TEST_F(BitmapTest, IndexColorConversionKeepsColoursExactlyWhenTheyFit) {
    Bitmap* b = Pattern(5, 4);  // 20 distinct colours
    Bitmap* original = b->Copy();
    b->SetIndexColor(true);
    ASSERT_TRUE(b->IsIndexColor());
    EXPECT_EQ(b->GetPaletteCount(), 20);
    EXPECT_EQ(b->GetPixelType(), "INDEX8");
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(b->PixelColor(x, y), original->PixelColor(x, y));
    EXPECT_EQ(b->GetPixelI(0, 0), 0);  // palette in order of appearance
    EXPECT_EQ(b->GetPixelI(1, 0), 1);

    b->SetIndexColor(false);
    EXPECT_EQ(b->GetPixelType(), "RGB24");
    EXPECT_TRUE(b->SameContent(*original));
}

TEST_F(BitmapTest, IndexColorConversionOfManyColoursStaysClose) {
    Bitmap* b = Make(64, 64, 32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            b->SetPixelColor(x, y, Rgba{static_cast<std::uint8_t>(x * 4), static_cast<std::uint8_t>(y * 4),
                                        static_cast<std::uint8_t>((x + y) * 2), static_cast<std::uint8_t>(255 - y)});
    Bitmap* original = b->Copy();
    b->SetIndexColor(true);
    EXPECT_EQ(b->GetPaletteCount(), 256);
    EXPECT_TRUE(b->HasAlpha());
    int worst = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const Rgba p = b->PixelColor(x, y), o = original->PixelColor(x, y);
            worst = std::max({worst, std::abs(p.r - o.r), std::abs(p.g - o.g), std::abs(p.b - o.b),
                              std::abs(p.a - o.a)});
        }
    }
    EXPECT_LE(worst, 24);
    b->SetIndexColor(false);
    EXPECT_EQ(b->GetPixelType(), "RGBA32");
}

TEST_F(BitmapTest, AlphaFlagChangesTheDirectFormat) {
    Bitmap* b = Pattern(2, 2);
    b->SetHasAlpha(true);
    EXPECT_EQ(b->GetPixelType(), "RGBA32");
    EXPECT_EQ(b->GetPixelA(1, 1), 255);
    EXPECT_EQ(b->GetPixelR(1, 1), 11);
    b->SetPixelA(1, 1, 7);
    b->SetHasAlpha(false);
    EXPECT_EQ(b->GetPixelType(), "RGB24");
    EXPECT_EQ(b->GetPixelA(1, 1), 255);
    EXPECT_EQ(b->GetPixelR(1, 1), 11);  // colours are kept as stored
}

TEST_F(BitmapTest, PaletteCountChangesRemapDroppedEntries) {
    Bitmap* b = Make(4, 1, 8, 4);  // 0, 85, 170, 255
    for (int x = 0; x < 4; ++x) b->SetPixelI(x, 0, x);
    b->SetPaletteCount(2);
    EXPECT_EQ(b->GetPaletteCount(), 2);
    EXPECT_EQ(b->GetPixelI(0, 0), 0);
    EXPECT_EQ(b->GetPixelI(1, 0), 1);  // kept entries: 0 and 85
    EXPECT_EQ(b->GetPixelI(2, 0), 1);
    EXPECT_EQ(b->GetPixelI(3, 0), 1);
    EXPECT_EQ(b->GetPaletteR(2), 0);  // outside the palette now
    b->SetPaletteCount(3);
    EXPECT_EQ(b->GetPaletteCount(), 3);
    EXPECT_EQ(Describe(b->PaletteColor(2)), "0,0,0,255");
    for (int bad : {0, -1, 257, INT_MAX}) {
        b->SetPaletteCount(bad);
        EXPECT_EQ(b->GetPaletteCount(), 3);
    }
    Bitmap* rgb = Make(1, 1, 24);
    rgb->SetPaletteCount(16);
    EXPECT_EQ(rgb->GetPaletteCount(), 0);
}

TEST_F(BitmapTest, DuplicateIsIndependent) {
    Bitmap* b = Pattern(3, 3);
    auto* copy = AsBitmap(b->Duplicate());
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy, b);
    EXPECT_TRUE(copy->Equals(b));
    copy->SetPixelR(1, 1, 0);
    EXPECT_EQ(b->GetPixelR(1, 1), 11);
    EXPECT_FALSE(copy->Equals(b));
}

TEST_F(BitmapTest, EqualsComparesContentAndKind) {
    Bitmap* a = Pattern(3, 2);
    Bitmap* b = Pattern(3, 2);
    EXPECT_TRUE(a->Equals(a));
    EXPECT_TRUE(a->Equals(b));
    EXPECT_FALSE(a->Equals(nullptr));
    EXPECT_FALSE(a->Equals(Pattern(2, 3)));
    b->SetHasAlpha(true);  // same colours, other format
    EXPECT_FALSE(a->Equals(b));
    EXPECT_FALSE(a->Equals(factory.NewSinglePicture(a)));
}

TEST_F(BitmapTest, JsonizeDescribesTheBitmap) {
    Bitmap* b = Make(7, 3, 8, 16);
    picojson::value v;
    ASSERT_EQ(picojson::parse(v, b->Jsonize()), "");
    EXPECT_EQ(v.get("Type").to_str(), "Bitmap");
    EXPECT_EQ(v.get("Width").get<double>(), 7);
    EXPECT_EQ(v.get("Height").get<double>(), 3);
    EXPECT_EQ(v.get("PixelType").to_str(), "INDEX8");
    EXPECT_EQ(v.get("PaletteCount").get<double>(), 16);
    EXPECT_TRUE(v.get("IndexColor").get<bool>());
    EXPECT_FALSE(v.get("HasAlpha").get<bool>());
}

TEST_F(BitmapTest, ResizeNearestRepeatsPixels) {
    Bitmap* b = Pattern(2, 2);
    for (const char* method : {"nearest", "NEAREST", "Nearest"}) {
        auto* big = AsBitmap(b->Resize(4, 6, method));
        ASSERT_NE(big, nullptr) << method;
        EXPECT_EQ(big->GetWidth(), 4);
        EXPECT_EQ(big->GetHeight(), 6);
        EXPECT_EQ(big->PixelColor(0, 0), b->PixelColor(0, 0));
        EXPECT_EQ(big->PixelColor(1, 2), b->PixelColor(0, 0));
        EXPECT_EQ(big->PixelColor(2, 3), b->PixelColor(1, 1));
        EXPECT_EQ(big->PixelColor(3, 5), b->PixelColor(1, 1));
    }
    EXPECT_EQ(b->GetWidth(), 2);  // the source is unchanged
}

TEST_F(BitmapTest, ResizeBilinearAndBoxAverage) {
    Bitmap* b = Make(4, 1, 24);
    const int values[4] = {0, 100, 200, 255};
    for (int x = 0; x < 4; ++x) b->SetPixelR(x, 0, values[x]);
    for (const char* method : {"", "bilinear", "box"}) {
        auto* half = AsBitmap(b->Resize(2, 1, method));
        ASSERT_NE(half, nullptr) << method;
        EXPECT_EQ(half->GetPixelType(), "RGB24");
        EXPECT_EQ(half->GetPixelR(0, 0), 50) << method;
        EXPECT_EQ(half->GetPixelR(1, 0), 228) << method;
    }
    auto* null = AsBitmap(b->Resize(2, 1, nullptr));
    ASSERT_NE(null, nullptr);
    EXPECT_EQ(null->GetPixelR(0, 0), 50);
}

TEST_F(BitmapTest, ResizeMixesWithPremultipliedAlpha) {
    Bitmap* b = Make(2, 1, 32);
    b->SetPixelColor(0, 0, Rgba{255, 0, 0, 255});
    b->SetPixelColor(1, 0, Rgba{0, 0, 255, 0});  // transparent blue must not tint
    auto* one = AsBitmap(b->Resize(1, 1, "box"));
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(Describe(one->PixelColor(0, 0)), "255,0,0,128");
}

TEST_F(BitmapTest, ResizeRefusesUnknownMethodsAndSizes) {
    Bitmap* b = Pattern(3, 3);
    EXPECT_EQ(b->Resize(2, 2, "lanczos"), nullptr);
    EXPECT_EQ(b->Resize(2, 2, "undefined"), nullptr);
    EXPECT_EQ(b->Resize(0, 2, ""), nullptr);
    EXPECT_EQ(b->Resize(2, -1, ""), nullptr);
    EXPECT_EQ(b->Resize(30001, 1, ""), nullptr);
}

TEST_F(BitmapTest, ResizeKeepsIndexColourAndPalette) {
    Bitmap* b = Make(2, 1, 8, 4);
    b->SetPixelI(1, 0, 3);
    auto* big = AsBitmap(b->Resize(4, 2, "bilinear"));
    ASSERT_NE(big, nullptr);
    EXPECT_TRUE(big->IsIndexColor());
    EXPECT_EQ(big->GetPaletteCount(), 4);
    EXPECT_EQ(big->GetPixelI(0, 1), 0);
    EXPECT_EQ(big->GetPixelI(3, 1), 3);
}

struct ClipCase {
    int left, top, width, height;
    int outWidth, outHeight;  // 0: refused
    int firstX, firstY;       // source position of the result's pixel (0, 0)
};

TEST_F(BitmapTest, ClipTakesLeftTopWidthHeightCutToTheBitmap) {
    Bitmap* b = Pattern(6, 5);
    const ClipCase cases[] = {
        {1, 2, 3, 2, 3, 2, 1, 2}, {0, 0, 6, 5, 6, 5, 0, 0},   {4, 3, 10, 10, 2, 2, 4, 3},
        {-2, -1, 4, 3, 2, 2, 0, 0}, {6, 0, 1, 1, 0, 0, 0, 0}, {0, 5, 1, 1, 0, 0, 0, 0},
        {-5, 0, 5, 5, 0, 0, 0, 0}, {1, 1, 0, 3, 0, 0, 0, 0},  {1, 1, 3, -3, 0, 0, 0, 0},
        {INT_MAX, INT_MAX, INT_MAX, INT_MAX, 0, 0, 0, 0},     {INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, 0, 0, 0},
    };
    for (const ClipCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.left) + "," + std::to_string(c.top) + "," + std::to_string(c.width) + "," +
                     std::to_string(c.height));
        auto* clip = AsBitmap(b->Clip(c.left, c.top, c.width, c.height));
        if (c.outWidth == 0) {
            EXPECT_EQ(clip, nullptr);
            continue;
        }
        ASSERT_NE(clip, nullptr);
        EXPECT_EQ(clip->GetWidth(), c.outWidth);
        EXPECT_EQ(clip->GetHeight(), c.outHeight);
        EXPECT_EQ(clip->PixelColor(0, 0), b->PixelColor(c.firstX, c.firstY));
        EXPECT_EQ(clip->PixelColor(c.outWidth - 1, c.outHeight - 1),
                  b->PixelColor(c.firstX + c.outWidth - 1, c.firstY + c.outHeight - 1));
    }
    EXPECT_EQ(b->GetWidth(), 6);
}

TEST_F(BitmapTest, OverlayBlendsTheSourceAtItsPosition) {
    Bitmap* dst = Make(3, 3, 24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) dst->SetPixelColor(x, y, Rgba{0, 0, 255, 255});
    Bitmap* src = Make(2, 2, 32);
    src->SetPixelColor(0, 0, Rgba{255, 0, 0, 255});
    src->SetPixelColor(1, 0, Rgba{255, 0, 0, 128});
    src->SetPixelColor(0, 1, Rgba{255, 0, 0, 0});
    src->SetPixelColor(1, 1, Rgba{0, 255, 0, 255});
    dst->Overlay(src, 2, -1);  // only source row 1, column 0 lands, at (2, 0)
    EXPECT_EQ(Describe(dst->PixelColor(2, 0)), "0,0,255,255");
    dst->Overlay(src, 1, 1);
    EXPECT_EQ(Describe(dst->PixelColor(1, 1)), "255,0,0,255");
    EXPECT_EQ(Describe(dst->PixelColor(2, 1)), "128,0,127,255");
    EXPECT_EQ(Describe(dst->PixelColor(1, 2)), "0,0,255,255");
    EXPECT_EQ(Describe(dst->PixelColor(2, 2)), "0,255,0,255");
    EXPECT_EQ(Describe(dst->PixelColor(0, 0)), "0,0,255,255");
}

TEST_F(BitmapTest, OverlayOnATransparentBitmapKeepsSourceAlpha) {
    Bitmap* dst = Make(1, 1, 32);
    Bitmap* src = Make(1, 1, 32);
    src->SetPixelColor(0, 0, Rgba{10, 20, 30, 100});
    dst->Overlay(src, 0, 0);
    EXPECT_EQ(Describe(dst->PixelColor(0, 0)), "10,20,30,100");
}

TEST_F(BitmapTest, OverlayEdgeCases) {
    Bitmap* b = Pattern(3, 3);
    Bitmap* before = b->Copy();
    b->Overlay(nullptr, 0, 0);
    b->Overlay(Pattern(2, 2), INT_MAX, INT_MAX);
    b->Overlay(Pattern(2, 2), INT_MIN, INT_MIN);
    EXPECT_TRUE(b->SameContent(*before));
    b->Overlay(b, 1, 1);  // itself, shifted: reads the pixels as they were
    EXPECT_EQ(b->PixelColor(2, 2), before->PixelColor(1, 1));
    EXPECT_EQ(b->PixelColor(1, 1), before->PixelColor(0, 0));

    Bitmap* index = Make(2, 1, 8, 2);  // black and white
    Bitmap* white = Make(1, 1, 24);
    white->SetPixelColor(0, 0, Rgba{250, 250, 250, 255});
    index->Overlay(white, 1, 0);
    EXPECT_EQ(index->GetPixelI(1, 0), 1);
    EXPECT_EQ(index->GetPixelI(0, 0), 0);
}

}  // namespace
