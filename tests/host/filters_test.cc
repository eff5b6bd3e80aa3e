// Picture filters: their pixels, their settings and what they refuse.
#include <string>

#include <gtest/gtest.h>

#include "host/lib/qfhost.h"

namespace {

using qfhost::AniFrame;
using qfhost::AsBitmap;
using qfhost::AsPicture;
using qfhost::Bitmap;
using qfhost::Factory;
using qfhost::Picture;
using qfhost::PixelFormat;
using qfhost::Rgba;

class FiltersTest : public ::testing::Test {
protected:
    // One RGBA pixel (10, 100, 200, 50) in a single picture.
    Picture* OnePixel() {
        Bitmap* b = factory.MakeBitmap(1, 1, PixelFormat::kRgba32);
        b->SetPixelColor(0, 0, Rgba{10, 100, 200, 50});
        return factory.NewSinglePicture(b);
    }
    static Rgba PixelOf(IQFPicture* p) {
        Picture* picture = AsPicture(p);
        return picture ? picture->bitmap()->PixelColor(0, 0) : Rgba{1, 2, 3, 4};
    }

    Factory factory;
};

struct FilterCase {
    const char* name;
    const char* settings;
    Rgba expected;
};

TEST_F(FiltersTest, FiltersChangePixelsOfANewPicture) {
    const FilterCase cases[] = {
        {"Invert", "", Rgba{245, 155, 55, 50}},
        {"invert", "{}", Rgba{245, 155, 55, 50}},
        {"Invert", "{\"Alpha\":false}", Rgba{245, 155, 55, 50}},
        {"Invert", "{\"Alpha\":true}", Rgba{245, 155, 55, 205}},
        {"Invert", "{\"Unknown\":[1,2]}", Rgba{245, 155, 55, 50}},
        // 0.299 * 10 + 0.587 * 100 + 0.114 * 200 = 84.49
        {"Grayscale", "", Rgba{84, 84, 84, 50}},
        {"GRAYSCALE", "{\"Weights\":[1,0,0]}", Rgba{10, 10, 10, 50}},
        {"Grayscale", "{\"Weights\":[0.5,0.5,0.5]}", Rgba{155, 155, 155, 50}},
        {"Grayscale", "{\"Weights\":[2,2,2]}", Rgba{255, 255, 255, 50}},
        {"Threshold", "", Rgba{0, 0, 0, 50}},
        {"Threshold", "{\"Level\":80}", Rgba{255, 255, 255, 50}},
        {"Threshold", "{\"Level\":84.5}", Rgba{0, 0, 0, 50}},
    };
    for (const FilterCase& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.settings);
        Picture* p = OnePixel();
        IQFPicture* out = p->ApplyFilter(c.name, c.settings);
        ASSERT_NE(out, nullptr);
        EXPECT_NE(out, p);
        EXPECT_EQ(PixelOf(out), c.expected);
        EXPECT_EQ(PixelOf(p), (Rgba{10, 100, 200, 50}));  // the source is unchanged
    }
}

TEST_F(FiltersTest, UnknownFiltersAndUnusableSettingsGiveNull) {
    const std::pair<const char*, const char*> cases[] = {
        {"Blur", ""},
        {"", ""},
        {"Invert ", ""},
        {"Invert", "{"},
        {"Invert", "[true]"},
        {"Invert", "5"},
        {"Invert", "null"},
        {"Invert", "{\"Alpha\":1}"},
        {"Grayscale", "{\"Weights\":[1,2]}"},
        {"Grayscale", "{\"Weights\":[1,2,\"3\"]}"},
        {"Grayscale", "{\"Weights\":{\"r\":1}}"},
        {"Threshold", "{\"Level\":\"high\"}"},
        {"Threshold", "{\"Level\":300}"},
        {"Threshold", "{\"Level\":-1}"},
    };
    Picture* p = OnePixel();
    for (auto [name, settings] : cases) {
        EXPECT_EQ(p->ApplyFilter(name, settings), nullptr) << name << " " << settings;
    }
    EXPECT_EQ(p->ApplyFilter(nullptr, ""), nullptr);
    EXPECT_NE(p->ApplyFilter("Invert", nullptr), nullptr);  // null settings: the defaults
}

TEST_F(FiltersTest, FiltersReachEveryLayerAndFrame) {
    Picture* layered = factory.NewLayerPicture(2, 2);
    Bitmap* top = factory.MakeBitmap(1, 1, PixelFormat::kRgb24);
    Bitmap* nested = factory.MakeBitmap(1, 1, PixelFormat::kRgb24);
    qfhost::Layer* folder = factory.NewFolderLayer("f");
    layered->AddLayer(factory.NewBitmapLayer("top", top));
    layered->AddLayer(folder);
    qfhost::Layer* hidden = factory.NewBitmapLayer("nested", nested);
    hidden->set_hidden(true);
    folder->AddChild(hidden);
    auto* inverted = AsPicture(layered->ApplyFilter("Invert", ""));
    ASSERT_NE(inverted, nullptr);
    EXPECT_EQ(inverted->layers()[0]->bitmap()->PixelColor(0, 0), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(inverted->layers()[1]->children()[0]->bitmap()->PixelColor(0, 0), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(top->PixelColor(0, 0), (Rgba{0, 0, 0, 255}));

    Picture* animation = factory.NewAnimationPicture(1, 1);
    animation->AppendFrame(factory.MakeBitmap(1, 1, PixelFormat::kRgb24));
    animation->AppendFrame(factory.MakeBitmap(1, 1, PixelFormat::kRgb24));
    auto* frames = AsPicture(animation->ApplyFilter("Invert", ""));
    ASSERT_NE(frames, nullptr);
    ASSERT_EQ(frames->frames().size(), 2u);
    for (AniFrame* f : frames->frames()) EXPECT_EQ(f->bitmap()->PixelColor(0, 0), (Rgba{255, 255, 255, 255}));
}

TEST_F(FiltersTest, IndexColourIsFilteredThroughThePalette) {
    Bitmap* b = factory.MakeBitmap(2, 1, PixelFormat::kIndex8, 4);  // 0, 85, 170, 255
    b->SetPixelIndex(1, 0, 1);
    auto* out = AsPicture(factory.NewSinglePicture(b)->ApplyFilter("Invert", ""));
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(out->bitmap()->is_index());
    EXPECT_EQ(out->bitmap()->PixelIndex(1, 0), 1);
    EXPECT_EQ(out->bitmap()->PaletteColor(1), (Rgba{170, 170, 170, 255}));
    EXPECT_EQ(out->bitmap()->PaletteColor(0), (Rgba{255, 255, 255, 255}));
}

}  // namespace
