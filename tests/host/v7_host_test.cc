// The version 7 callbacks: what they fill, what they refuse, the request
// pieces and the ownership of the blocks.
#include <string>

#include <gtest/gtest.h>
#include <picojson.h>

#include "host/lib/qfhost.h"
#include "qfjs/qfjs.h"

namespace {

using qfhost::Bitmap;
using qfhost::Factory;
using qfhost::PixelFormat;
using qfhost::Rgba;
using qfhost::V7Host;
using qfhost::V7LayerInfo;

class V7HostTest : public ::testing::Test {
protected:
    Bitmap* Solid(PixelFormat format, Rgba c, int w = 2, int h = 2) {
        Bitmap* b = factory.MakeBitmap(w, h, format, 4);
        if (format == PixelFormat::kIndex8) {
            b->ChangeAlpha(true);
            b->SetPaletteColor(1, c);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) b->SetPixelIndex(x, y, 1);
            return b;
        }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) b->SetPixelColor(x, y, c);
        return b;
    }
    static const void* Parse(const picojson::value& v) {
        const void* p = nullptr;
        EXPECT_TRUE(qfhost::ParsePointerString(v.get<std::string>(), &p));
        return p;
    }

    Factory factory;
};

TEST_F(V7HostTest, SinglePictureCallbackHandsOutItsDibs) {
    V7Host v7;
    ASSERT_TRUE(v7.SetSinglePicture(*Solid(PixelFormat::kRgba32, {1, 2, 3, 4})));
    const QFJS_GetV7BitmapProc proc = &V7Host::GetV7Bitmap;
    void* image = nullptr;
    void* alpha = nullptr;
    EXPECT_TRUE(proc(&v7, v7.single_handle(), &image, &alpha));
    EXPECT_EQ(image, v7.single_image());
    EXPECT_EQ(alpha, v7.single_alpha());
    ASSERT_NE(alpha, nullptr);
    qfhost::RgbaImage rgba;
    ASSERT_TRUE(qfhost::DibToRgba(static_cast<BITMAPINFO*>(image), static_cast<BITMAPINFO*>(alpha), &rgba));
    EXPECT_EQ(rgba.At(1, 1), (Rgba{1, 2, 3, 4}));

    // Unknown handles and a missing host leave the engine's presets alone.
    void* untouchedImage = &rgba;
    void* untouchedAlpha = nullptr;
    int local = 0;
    EXPECT_FALSE(proc(&v7, &local, &untouchedImage, &untouchedAlpha));
    EXPECT_FALSE(proc(&v7, nullptr, &untouchedImage, &untouchedAlpha));
    EXPECT_FALSE(proc(nullptr, v7.single_handle(), &untouchedImage, &untouchedAlpha));
    EXPECT_EQ(untouchedImage, &rgba);
    EXPECT_EQ(v7.calls(), (std::vector<std::string>{"GetV7Bitmap(picture)", "GetV7Bitmap(unknown)",
                                                     "GetV7Bitmap(unknown)"}));

    V7Host opaque;
    ASSERT_TRUE(opaque.SetSinglePicture(*Solid(PixelFormat::kRgb24, {1, 2, 3, 255})));
    alpha = &rgba;
    EXPECT_TRUE(V7Host::GetV7Bitmap(&opaque, opaque.single_handle(), &image, &alpha));
    EXPECT_EQ(alpha, nullptr);  // no alpha plane
}

TEST_F(V7HostTest, LayerCallbackFillsEveryValue) {
    V7Host v7;
    EXPECT_EQ(v7.AddLayer(V7LayerInfo{"back", 0, 0, false, 100}, *Solid(PixelFormat::kRgb24, {9, 9, 9, 255})), 0);
    EXPECT_EQ(v7.AddLayer(V7LayerInfo{"Ebene ü", -3, 7, true, 40}, *Solid(PixelFormat::kIndex8, {5, 6, 7, 8})), 1);
    const QFJS_GetV7LayerDataProc proc = &V7Host::GetV7LayerData;
    const char* name = nullptr;
    int x = 0, y = 0;
    bool hidden = false;
    unsigned opacity = 100;
    void* image = nullptr;
    void* alpha = nullptr;
    EXPECT_TRUE(proc(&v7, v7.layer_handle(1), &name, &x, &y, &hidden, &opacity, &image, &alpha));
    EXPECT_STREQ(name, "Ebene ü");
    EXPECT_EQ(x, -3);
    EXPECT_EQ(y, 7);
    EXPECT_TRUE(hidden);
    EXPECT_EQ(opacity, 40u);
    EXPECT_EQ(image, v7.layer_image(1));
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(static_cast<BITMAPINFO*>(alpha)->bmiHeader.biWidth, 16);  // index colour: the swatch plane
    EXPECT_EQ(static_cast<BITMAPINFO*>(image)->bmiHeader.biBitCount, 8);

    name = nullptr;
    EXPECT_FALSE(proc(&v7, &x, &name, &x, &y, &hidden, &opacity, &image, &alpha));
    EXPECT_EQ(name, nullptr);
    EXPECT_EQ(v7.calls(), (std::vector<std::string>{"GetV7LayerData(1)", "GetV7LayerData(unknown)"}));
    EXPECT_EQ(v7.layer_handle(2), nullptr);
    EXPECT_EQ(v7.layer_image(-1), nullptr);
}

TEST_F(V7HostTest, RequestPiecesNameTheHostAndItsHandles) {
    V7Host v7;
    picojson::object request;
    v7.AddToRequest(&request);
    EXPECT_EQ(picojson::value(request).get("SourcePicture").get("Type").to_str(), "LAYER");
    EXPECT_EQ(request.count("V7Layers"), 0u);

    ASSERT_TRUE(v7.SetSinglePicture(*Solid(PixelFormat::kRgb24, {1, 1, 1, 255})));
    ASSERT_EQ(v7.AddLayer(V7LayerInfo{}, *Solid(PixelFormat::kRgb24, {1, 1, 1, 255})), 0);
    ASSERT_EQ(v7.AddLayer(V7LayerInfo{}, *Solid(PixelFormat::kRgb24, {1, 1, 1, 255})), 1);
    v7.AddToRequest(&request);
    const picojson::value r(request);
    EXPECT_EQ(r.get("SourcePicture").get("Type").to_str(), "SINGLE");
    EXPECT_EQ(Parse(r.get("SourcePicture").get("Bitmap").get("Handle")), v7.single_handle());
    EXPECT_EQ(Parse(r.get("HostData")), &v7);
    EXPECT_EQ(Parse(r.get("GetV7Bitmap")), reinterpret_cast<const void*>(&V7Host::GetV7Bitmap));
    EXPECT_EQ(Parse(r.get("GetV7LayerData")), reinterpret_cast<const void*>(&V7Host::GetV7LayerData));
    ASSERT_TRUE(r.get("V7Layers").is<picojson::array>());
    const picojson::array& layers = r.get("V7Layers").get<picojson::array>();
    ASSERT_EQ(layers.size(), 2u);
    EXPECT_EQ(Parse(layers[0]), v7.layer_handle(0));
    EXPECT_EQ(Parse(layers[1]), v7.layer_handle(1));
}

TEST_F(V7HostTest, OwnsItsBlocksAndNoticesDamage) {
    const long before = qfhost::DibBlock::LiveCount();
    {
        V7Host v7;
        ASSERT_TRUE(v7.SetSinglePicture(*Solid(PixelFormat::kRgba32, {1, 1, 1, 1})));
        ASSERT_EQ(v7.AddLayer(V7LayerInfo{}, *Solid(PixelFormat::kRgb24, {1, 1, 1, 255})), 0);
        EXPECT_EQ(v7.live_blocks(), 3u);
        EXPECT_EQ(qfhost::DibBlock::LiveCount(), before + 3);
        EXPECT_TRUE(v7.BlocksIntact());

        // Scripts may write pixels ...
        qfhost::DibRow(v7.single_image(), 0)[0] = 77;
        EXPECT_TRUE(v7.BlocksIntact());
        // ... but never headers or anything in front of a block.
        v7.layer_image(0)->bmiHeader.biWidth = 1;
        EXPECT_FALSE(v7.BlocksIntact());
        v7.layer_image(0)->bmiHeader.biWidth = 2;
        EXPECT_TRUE(v7.BlocksIntact());
        reinterpret_cast<unsigned char*>(v7.single_image())[-3] = 1;
        EXPECT_FALSE(v7.BlocksIntact());
        reinterpret_cast<unsigned char*>(v7.single_image())[-3] = 0;

        // A replaced source stays alive for the engine's pointers.
        ASSERT_TRUE(v7.SetSinglePicture(*Solid(PixelFormat::kRgb24, {1, 1, 1, 255})));
        EXPECT_EQ(v7.live_blocks(), 4u);
    }
    EXPECT_EQ(qfhost::DibBlock::LiveCount(), before);
}

}  // namespace
