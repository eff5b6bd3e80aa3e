// Version 7 bitmaps: host bitmaps as DIBs in every shape, DIBs read back,
// and result layers composited.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <picojson.h>

#include "host/lib/qfhost.h"

namespace {

using qfhost::Bitmap;
using qfhost::DibBlock;
using qfhost::DibPair;
using qfhost::DibRow;
using qfhost::Factory;
using qfhost::PixelFormat;
using qfhost::Rgba;
using qfhost::RgbaImage;

const RGBQUAD* Table(const BITMAPINFO* dib) {
    return reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const std::uint8_t*>(dib) + 40);
}

class DibTest : public ::testing::Test {
protected:
    // 3 x 2, pixel (x, y) = (10x + y, 50 + x, 100 + y, 200 + 10x + y)
    Bitmap* Direct(PixelFormat format) {
        Bitmap* b = factory.MakeBitmap(3, 2, format);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                b->SetPixelColor(x, y, Rgba{static_cast<std::uint8_t>(10 * x + y), static_cast<std::uint8_t>(50 + x),
                                            static_cast<std::uint8_t>(100 + y),
                                            static_cast<std::uint8_t>(200 + 10 * x + y)});
        return b;
    }
    // 5 x 3 with `count` entries; entry i = (i, 2i, 3i, 255 - i); pixel = (x + y) % count
    Bitmap* Index(int count, bool alpha) {
        Bitmap* b = factory.MakeBitmap(5, 3, PixelFormat::kIndex8, count);
        b->ChangeAlpha(alpha);
        for (int i = 0; i < count; ++i)
            b->SetPaletteColor(i, Rgba{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(2 * i),
                                       static_cast<std::uint8_t>(3 * i), static_cast<std::uint8_t>(255 - i)});
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) b->SetPixelIndex(x, y, (x + y) % count);
        return b;
    }

    Factory factory;
};

TEST_F(DibTest, DirectColourWithoutAlphaIsBottomUpBgr) {
    Bitmap* b = Direct(PixelFormat::kRgb24);
    const DibPair dib = qfhost::BitmapToDib(*b);
    ASSERT_TRUE(dib.image);
    EXPECT_FALSE(dib.alpha);
    const BITMAPINFOHEADER& h = *dib.image.header();
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 3);
    EXPECT_EQ(h.biHeight, 2);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biCompression, static_cast<std::uint32_t>(BI_RGB));
    EXPECT_EQ(h.biClrUsed, 0u);
    EXPECT_EQ(h.biSizeImage, 24u);  // stride 12 (9 rounded up) x 2
    EXPECT_EQ(dib.image.size(), 40u + 24u);
    const std::uint8_t* pixels = reinterpret_cast<const std::uint8_t*>(dib.image.get()) + 40;
    // Memory row 0 is the bottom row (y = 1): pixel (1, 1) = (11, 51, 101).
    EXPECT_EQ(pixels[3], 101);
    EXPECT_EQ(pixels[4], 51);
    EXPECT_EQ(pixels[5], 11);
    // Memory row 1 is the top row: pixel (2, 0) = (20, 52, 100).
    EXPECT_EQ(pixels[12 + 6], 100);
    EXPECT_EQ(pixels[12 + 8], 20);

    RgbaImage back;
    ASSERT_TRUE(qfhost::DibToRgba(dib.image.info(), nullptr, &back));
    EXPECT_FALSE(back.has_alpha);
    EXPECT_EQ(back.At(2, 1), (Rgba{21, 52, 101, 255}));
    Bitmap* bitmap = qfhost::DibToBitmap(factory, dib.image.info(), nullptr);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_TRUE(bitmap->SameContent(*b));
}

TEST_F(DibTest, DirectColourAlphaIsAFullSizeGreyRampPlane) {
    Bitmap* b = Direct(PixelFormat::kRgba32);
    const DibPair dib = qfhost::BitmapToDib(*b);
    ASSERT_TRUE(dib.image);
    ASSERT_TRUE(dib.alpha);
    const BITMAPINFOHEADER& a = *dib.alpha.header();
    EXPECT_EQ(a.biWidth, 3);
    EXPECT_EQ(a.biHeight, 2);
    EXPECT_EQ(a.biBitCount, 8);
    EXPECT_EQ(a.biClrUsed, 0u);
    EXPECT_EQ(a.biSizeImage, 8u);  // stride 4
    const RGBQUAD* ramp = Table(dib.alpha.info());
    for (int i : {0, 1, 128, 255}) {
        EXPECT_EQ(ramp[i].rgbBlue, i);
        EXPECT_EQ(ramp[i].rgbGreen, i);
        EXPECT_EQ(ramp[i].rgbRed, i);
        EXPECT_EQ(ramp[i].rgbReserved, 0);
    }
    EXPECT_EQ(DibRow(dib.alpha.info(), 0)[2], 220);
    EXPECT_EQ(DibRow(dib.alpha.info(), 1)[1], 211);

    Bitmap* back = qfhost::DibToBitmap(factory, dib.image.info(), dib.alpha.info());
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(back->SameContent(*b));
}

TEST_F(DibTest, IndexColourWithoutAlphaCarriesItsPalette) {
    for (int count : {1, 2, 16, 256}) {
        SCOPED_TRACE(count);
        Bitmap* b = Index(count, false);
        const DibPair dib = qfhost::BitmapToDib(*b);
        ASSERT_TRUE(dib.image);
        EXPECT_FALSE(dib.alpha);
        const BITMAPINFOHEADER& h = *dib.image.header();
        const int entries = count < 2 ? 2 : count;
        EXPECT_EQ(h.biBitCount, 8);
        EXPECT_EQ(h.biClrUsed, entries == 256 ? 0u : static_cast<std::uint32_t>(entries));
        EXPECT_EQ(h.biSizeImage, 24u);  // stride 8 x 3
        EXPECT_EQ(dib.image.size(), 40u + 4u * entries + 24u);
        EXPECT_EQ(qfhost::DibColorCount(h), entries);
        const RGBQUAD* table = Table(dib.image.info());
        const int last = count - 1;
        EXPECT_EQ(table[last].rgbRed, last);
        EXPECT_EQ(table[last].rgbGreen, (2 * last) & 0xFF);
        EXPECT_EQ(table[last].rgbBlue, (3 * last) & 0xFF);
        EXPECT_EQ(DibRow(dib.image.info(), 2)[4], 6 % count);

        Bitmap* back = qfhost::DibToBitmap(factory, dib.image.info(), nullptr);
        ASSERT_NE(back, nullptr);
        EXPECT_TRUE(back->is_index());
        EXPECT_FALSE(back->has_alpha());
        EXPECT_EQ(back->palette_count(), entries);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_EQ(back->PixelColor(x, y), b->PixelColor(x, y));
    }
}

TEST_F(DibTest, IndexColourAlphaIsTheSixteenBySixteenSwatch) {
    Bitmap* b = Index(16, true);
    const DibPair dib = qfhost::BitmapToDib(*b);
    ASSERT_TRUE(dib.image);
    ASSERT_TRUE(dib.alpha);
    const BITMAPINFOHEADER& a = *dib.alpha.header();
    EXPECT_EQ(a.biWidth, 16);
    EXPECT_EQ(a.biHeight, 16);
    EXPECT_EQ(a.biBitCount, 8);
    EXPECT_EQ(a.biClrUsed, 0u);
    const RGBQUAD* alphas = Table(dib.alpha.info());
    EXPECT_EQ(alphas[0].rgbGreen, 255);
    EXPECT_EQ(alphas[5].rgbBlue, 250);
    EXPECT_EQ(alphas[5].rgbGreen, 250);
    EXPECT_EQ(alphas[5].rgbRed, 250);
    EXPECT_EQ(alphas[15].rgbGreen, 240);
    EXPECT_EQ(alphas[16].rgbGreen, 255);  // beyond the palette: opaque
    EXPECT_EQ(DibRow(dib.alpha.info(), 0)[0], 0);
    EXPECT_EQ(DibRow(dib.alpha.info(), 15)[15], 255);
    EXPECT_EQ(DibRow(dib.alpha.info(), 2)[3], 35);
    // Stored bottom-up: the first bytes of the pixels are the last row.
    const std::uint8_t* first = reinterpret_cast<const std::uint8_t*>(dib.alpha.get()) + 40 + 1024;
    EXPECT_EQ(first[0], 240);

    Bitmap* back = qfhost::DibToBitmap(factory, dib.image.info(), dib.alpha.info());
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(back->SameContent(*b));
    RgbaImage rgba;
    ASSERT_TRUE(qfhost::DibToRgba(dib.image.info(), dib.alpha.info(), &rgba));
    EXPECT_EQ(rgba.At(4, 2), b->PixelColor(4, 2));
    EXPECT_EQ(rgba.At(4, 2).a, 255 - 6);
}

TEST_F(DibTest, NewBlocksFollowTheLayoutRules) {
    DibBlock index = qfhost::NewDib(5, 3, 8, 256);
    ASSERT_TRUE(index);
    EXPECT_EQ(index.size(), 1088u);
    EXPECT_EQ(index.header()->biSizeImage, 24u);
    DibBlock direct = qfhost::NewDib(5, 3, 24, 0);
    ASSERT_TRUE(direct);
    EXPECT_EQ(direct.size(), 88u);
    EXPECT_EQ(direct.header()->biSizeImage, 48u);
    EXPECT_EQ(qfhost::NewDib(5, 3, 8, 1).header()->biClrUsed, 2u);
    EXPECT_EQ(qfhost::NewDib(5, 3, 8, 300).header()->biClrUsed, 0u);
    EXPECT_EQ(qfhost::NewDib(5, 3, 8, 17).header()->biClrUsed, 17u);
    EXPECT_FALSE(qfhost::NewDib(0, 3, 24, 0));
    EXPECT_FALSE(qfhost::NewDib(3, 3, 16, 0));
    DibBlock plane = qfhost::NewAlphaPlane(100, 50, 24);
    ASSERT_TRUE(plane);
    EXPECT_EQ(qfhost::DibStride(*plane.header()), 100u);
    EXPECT_EQ(DibRow(plane.info(), 10)[10], 0);
    EXPECT_TRUE(index.GuardIntact());
}

TEST_F(DibTest, ReadsOtherLayoutsTheEngineMayHandBack) {
    // An 8-bit image with 4 table entries, BI_BITFIELDS masks after the
    // table, and a pixel value beyond the table.
    DibBlock block = DibBlock::Allocate(40 + 16 + 12 + 4 * 1);
    BITMAPINFOHEADER* h = block.header();
    *h = BITMAPINFOHEADER{40, 2, 1, 1, 8, BI_BITFIELDS, 4, 0, 0, 4, 0};
    RGBQUAD* table = reinterpret_cast<RGBQUAD*>(reinterpret_cast<std::uint8_t*>(block.get()) + 40);
    table[3] = RGBQUAD{30, 20, 10, 0};
    std::uint8_t* pixels = reinterpret_cast<std::uint8_t*>(block.get()) + 40 + 16 + 12;
    pixels[0] = 3;
    pixels[1] = 9;
    RgbaImage rgba;
    ASSERT_TRUE(qfhost::DibToRgba(block.info(), nullptr, &rgba));
    EXPECT_EQ(rgba.At(0, 0), (Rgba{10, 20, 30, 255}));
    EXPECT_EQ(rgba.At(1, 0), (Rgba{0, 0, 0, 255}));
    Bitmap* b = qfhost::DibToBitmap(factory, block.info(), nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->palette_count(), 10);
    EXPECT_EQ(b->PixelColor(1, 0), (Rgba{0, 0, 0, 255}));

    // 32 bits per pixel: blue, green, red, unused.
    DibBlock wide = DibBlock::Allocate(40 + 8);
    *wide.header() = BITMAPINFOHEADER{40, 2, 1, 1, 32, BI_RGB, 8, 0, 0, 0, 0};
    std::uint8_t* p = reinterpret_cast<std::uint8_t*>(wide.get()) + 40;
    const std::uint8_t bytes[8] = {1, 2, 3, 0, 4, 5, 6, 0};
    std::memcpy(p, bytes, sizeof bytes);
    ASSERT_TRUE(qfhost::DibToRgba(wide.info(), nullptr, &rgba));
    EXPECT_EQ(rgba.At(1, 0), (Rgba{6, 5, 4, 255}));
}

TEST_F(DibTest, RefusesHeadersAndPlanesThatDoNotFit) {
    const DibPair direct = qfhost::BitmapToDib(*Direct(PixelFormat::kRgba32));
    const DibPair index = qfhost::BitmapToDib(*Index(4, true));
    RgbaImage out;
    EXPECT_FALSE(qfhost::DibToRgba(nullptr, nullptr, &out));
    // A w x h plane does not fit an image of another size.
    const DibBlock otherPlane = qfhost::NewAlphaPlane(4, 2, 24);
    EXPECT_FALSE(qfhost::DibToRgba(direct.image.info(), otherPlane.info(), &out));
    EXPECT_FALSE(qfhost::DibToRgba(index.image.info(), direct.image.info(), &out));  // 24-bit plane
    EXPECT_EQ(qfhost::DibToBitmap(factory, index.image.info(), direct.image.info()), nullptr);

    for (auto change : {+[](BITMAPINFOHEADER& h) { h.biHeight = -h.biHeight; },
                        +[](BITMAPINFOHEADER& h) { h.biWidth = 0; },
                        +[](BITMAPINFOHEADER& h) { h.biBitCount = 16; },
                        +[](BITMAPINFOHEADER& h) { h.biWidth = 40000; }}) {
        DibPair copy = qfhost::BitmapToDib(*Direct(PixelFormat::kRgb24));
        change(*copy.image.header());
        EXPECT_FALSE(qfhost::DibToRgba(copy.image.info(), nullptr, &out));
        EXPECT_EQ(qfhost::DibToBitmap(factory, copy.image.info(), nullptr), nullptr);
    }
}

TEST_F(DibTest, ResultLayersAreParsedAndComposited) {
    DibPair bottom = qfhost::RgbaToDib(RgbaImage(3, 1, false));  // black, opaque
    RgbaImage redImage(1, 1, true);
    redImage.Set(0, 0, Rgba{255, 0, 0, 255});
    DibPair red = qfhost::RgbaToDib(redImage);
    DibPair index = qfhost::BitmapToDib(*Index(2, true));  // 5 x 3; entry 1 = (1, 2, 3, 254)

    picojson::array layers;
    auto add = [&layers](int index, const void* image, const void* alpha, const std::string& extra) {
        std::string text = "{\"Index\":" + std::to_string(index) + ",\"Image\":\"" + qfhost::PointerString(image) +
                           "\",\"Alpha\":\"" + qfhost::PointerString(alpha) + "\"" + extra + "}";
        picojson::value v;
        EXPECT_EQ(picojson::parse(v, text), "");
        layers.push_back(v);
    };
    add(0, bottom.image.get(), nullptr, "");
    add(1, red.image.get(), red.alpha.get(), ",\"PosX\":1,\"Opacity\":50,\"Name\":\"red\"");
    add(2, red.image.get(), red.alpha.get(), ",\"PosX\":2,\"Hidden\":true");
    add(3, index.image.get(), index.alpha.get(), ",\"PosX\":-4,\"PosY\":-1,\"Opacity\":4294967295");
    picojson::object result;
    result["V7ResultLayers"] = picojson::value(layers);

    std::vector<qfhost::V7LayerView> views;
    ASSERT_TRUE(qfhost::ParseV7ResultLayers(picojson::value(result), &views));
    ASSERT_EQ(views.size(), 4u);
    EXPECT_EQ(views[1].name.value_or("?"), "red");
    EXPECT_FALSE(views[0].name.has_value());
    EXPECT_EQ(views[0].alpha, nullptr);
    EXPECT_EQ(views[1].x, 1);
    EXPECT_EQ(views[1].opacity, 50u);
    EXPECT_EQ(views[0].opacity, 100u);
    EXPECT_TRUE(views[2].hidden);
    EXPECT_EQ(views[3].opacity, 4294967295u);

    const RgbaImage canvas = qfhost::CompositeV7Layers(views, 3, 1);
    EXPECT_EQ(canvas.At(0, 0), (Rgba{1, 2, 3, 255}));    // index layer's (4, 1): entry 1 at 254 over black
    EXPECT_EQ(canvas.At(1, 0), (Rgba{128, 0, 0, 255}));  // half red over black
    EXPECT_EQ(canvas.At(2, 0), (Rgba{0, 0, 0, 255}));    // hidden red
    EXPECT_FALSE(canvas.has_alpha);

    for (const char* text : {"{\"V7ResultLayers\":[{\"Index\":0,\"Image\":\"x\"}]}",
                             "{\"V7ResultLayers\":[{\"Index\":1e20,\"Image\":\"1\"}]}",
                             "{\"V7ResultLayers\":[{\"Image\":\"1\"}]}",
                             "{\"V7ResultLayers\":[{\"Index\":0,\"Image\":\"1\",\"PosX\":1.5}]}",
                             "{\"V7ResultLayers\":[{\"Index\":0,\"Image\":\"1\",\"Opacity\":-1}]}",
                             "{\"V7ResultLayers\":[7]}", "{\"ScriptResult\":0}", "[]"}) {
        picojson::value bad;
        ASSERT_EQ(picojson::parse(bad, text), "");
        EXPECT_FALSE(qfhost::ParseV7ResultLayers(bad, &views)) << text;
    }
}

}  // namespace
