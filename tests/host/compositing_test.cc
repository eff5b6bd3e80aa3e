// Compositing: one pixel over another, layer trees and whole pictures.
#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "host/lib/qfhost.h"

namespace {

using qfhost::BlendOver;
using qfhost::Factory;
using qfhost::Layer;
using qfhost::Picture;
using qfhost::PixelFormat;
using qfhost::Rgba;
using qfhost::RgbaImage;

std::string Str(Rgba c) {
    return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + "," + std::to_string(c.a);
}

TEST(CompositingTest, BlendOverFollowsStraightAlphaSourceOver) {
    const struct {
        Rgba dst, src;
        int opacity;
        const char* out;
    } cases[] = {
        {{0, 0, 255, 255}, {255, 0, 0, 255}, 255, "255,0,0,255"},
        {{0, 0, 255, 255}, {255, 0, 0, 0}, 255, "0,0,255,255"},
        {{0, 0, 255, 255}, {255, 0, 0, 255}, 0, "0,0,255,255"},
        {{0, 0, 255, 255}, {255, 0, 0, 128}, 255, "128,0,127,255"},
        {{0, 0, 255, 255}, {255, 0, 0, 255}, 128, "128,0,127,255"},
        {{0, 0, 0, 0}, {255, 0, 0, 128}, 255, "255,0,0,128"},
        {{0, 255, 0, 128}, {255, 0, 0, 128}, 255, "170,85,0,192"},
        {{9, 9, 9, 0}, {0, 0, 0, 0}, 255, "9,9,9,0"},
        {{0, 0, 255, 255}, {255, 0, 0, 255}, 999, "255,0,0,255"},
        {{0, 0, 255, 255}, {255, 0, 0, 255}, -5, "0,0,255,255"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Str(BlendOver(c.dst, c.src, c.opacity)), c.out) << Str(c.dst) << " / " << Str(c.src);
    }
    EXPECT_EQ(qfhost::OpacityTo255(0), 0);
    EXPECT_EQ(qfhost::OpacityTo255(50), 128);
    EXPECT_EQ(qfhost::OpacityTo255(100), 255);
    EXPECT_EQ(qfhost::OpacityTo255(4294967295LL), 255);
    EXPECT_EQ(qfhost::OpacityTo255(-1), 0);
}

class FlattenTest : public ::testing::Test {
protected:
    Layer* Dot(const std::string& name, Rgba c, int x, int y, int w = 1, int h = 1) {
        qfhost::Bitmap* b = factory.MakeBitmap(w, h, PixelFormat::kRgba32);
        for (int yy = 0; yy < h; ++yy)
            for (int xx = 0; xx < w; ++xx) b->SetPixelColor(xx, yy, c);
        return factory.NewBitmapLayer(name, b, x, y);
    }
    Factory factory;
};

TEST_F(FlattenTest, VisibleLayersAreDrawnBottomToTopAtTheirPositions) {
    Picture* p = factory.NewLayerPicture(4, 2);
    p->AppendLayer(Dot("base", {0, 0, 255, 255}, 0, 0, 4, 2));
    p->AppendLayer(Dot("red", {255, 0, 0, 255}, 1, 0));
    Layer* half = Dot("half", {255, 0, 0, 255}, 2, 0);
    half->set_opacity(50);
    p->AppendLayer(half);
    Layer* hidden = Dot("hidden", {0, 255, 0, 255}, 3, 0);
    hidden->set_hidden(true);
    p->AppendLayer(hidden);
    p->AppendLayer(Dot("outside", {0, 255, 0, 255}, -1, -1));   // covers nothing
    p->AppendLayer(Dot("far", {0, 255, 0, 255}, INT_MAX, INT_MIN));
    p->AppendLayer(factory.NewBitmapLayer("empty", nullptr));
    p->AppendLayer(Dot("corner", {255, 255, 255, 255}, 2, 0, 5, 5));  // cut at the canvas edge

    const RgbaImage flat = qfhost::FlattenPicture(*p);
    ASSERT_EQ(flat.width, 4);
    ASSERT_EQ(flat.height, 2);
    EXPECT_FALSE(flat.has_alpha);
    EXPECT_EQ(Str(flat.At(0, 0)), "0,0,255,255");
    EXPECT_EQ(Str(flat.At(1, 0)), "255,0,0,255");
    EXPECT_EQ(Str(flat.At(2, 1)), "255,255,255,255");
    EXPECT_EQ(Str(flat.At(0, 1)), "0,0,255,255");
    half->set_position(0, 1);
    hidden->set_hidden(false);
    const RgbaImage again = qfhost::FlattenPicture(*p);
    EXPECT_EQ(Str(again.At(0, 1)), "128,0,127,255");
    EXPECT_EQ(Str(again.At(3, 0)), "255,255,255,255");
}

TEST_F(FlattenTest, FoldersAreGroupsOffsetByTheirPosition) {
    Picture* p = factory.NewLayerPicture(4, 1);
    p->AppendLayer(Dot("base", {0, 0, 255, 255}, 0, 0, 4, 1));
    Layer* folder = factory.NewFolderLayer("f");
    folder->set_position(2, 0);
    folder->set_opacity(50);
    p->AppendLayer(folder);
    folder->AppendChild(Dot("a", {255, 0, 0, 255}, 0, 0));
    folder->AppendChild(Dot("b", {255, 0, 0, 255}, 0, 0));  // same pixel: the group is still 50 %
    folder->AppendChild(Dot("c", {255, 0, 0, 255}, -2, 0));
    const RgbaImage flat = qfhost::FlattenPicture(*p);
    EXPECT_EQ(Str(flat.At(2, 0)), "128,0,127,255");
    EXPECT_EQ(Str(flat.At(0, 0)), "128,0,127,255");
    EXPECT_EQ(Str(flat.At(1, 0)), "0,0,255,255");

    folder->set_hidden(true);
    EXPECT_EQ(Str(qfhost::FlattenPicture(*p).At(2, 0)), "0,0,255,255");
    folder->set_hidden(false);
    folder->children()[0]->set_hidden(true);
    folder->set_opacity(100);
    folder->children()[1]->set_opacity(0);
    EXPECT_EQ(Str(qfhost::FlattenPicture(*p).At(2, 0)), "0,0,255,255");
}

TEST_F(FlattenTest, TransparentCanvasAndPictureKinds) {
    Picture* layered = factory.NewLayerPicture(2, 1);
    layered->AppendLayer(Dot("a", {1, 2, 3, 255}, 0, 0));
    const RgbaImage flat = qfhost::FlattenPicture(*layered);
    EXPECT_TRUE(flat.has_alpha);
    EXPECT_EQ(Str(flat.At(1, 0)), "0,0,0,0");

    Picture* empty = factory.NewSinglePicture(nullptr);
    EXPECT_TRUE(qfhost::FlattenPicture(*empty).empty());
    empty->SetType("LAYER");  // a layer picture without a canvas size
    EXPECT_TRUE(qfhost::FlattenPicture(*empty).empty());

    Picture* animation = factory.NewAnimationPicture(3, 1);
    EXPECT_TRUE(qfhost::FlattenPicture(*animation).empty());
    animation->AppendFrame(factory.MakeBitmap(1, 1, PixelFormat::kRgb24));
    const RgbaImage frame = qfhost::FlattenPicture(*animation, 0);
    ASSERT_EQ(frame.width, 3);
    EXPECT_EQ(Str(frame.At(0, 0)), "0,0,0,255");
    EXPECT_EQ(Str(frame.At(2, 0)), "0,0,0,0");
    EXPECT_TRUE(qfhost::FlattenPicture(*animation, 1).empty());

    const RgbaImage over = qfhost::OverBackground(frame, Rgba{9, 8, 7, 0});
    EXPECT_FALSE(over.has_alpha);
    EXPECT_EQ(Str(over.At(2, 0)), "9,8,7,255");
    EXPECT_EQ(Str(over.At(0, 0)), "0,0,0,255");
}

}  // namespace
