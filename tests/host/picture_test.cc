// Pictures: layer tree editing (moves, cycles, bad indices), frames,
// mipmaps, type changes, the merged image, duplicates and documents.
#include <climits>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <picojson.h>

#include "host/lib/qfhost.h"

namespace {

using qfhost::AniFrame;
using qfhost::AsBitmap;
using qfhost::AsLayer;
using qfhost::AsPicture;
using qfhost::Bitmap;
using qfhost::Document;
using qfhost::Factory;
using qfhost::Layer;
using qfhost::Picture;
using qfhost::PictureType;
using qfhost::PixelFormat;
using qfhost::Rgba;

class PictureTest : public ::testing::Test {
protected:
    Bitmap* Solid(int w, int h, Rgba c, PixelFormat format = PixelFormat::kRgba32) {
        Bitmap* b = factory.MakeBitmap(w, h, format);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) b->SetPixelColor(x, y, c);
        return b;
    }
    Layer* BitmapLayer(const std::string& name) { return factory.NewBitmapLayer(name, Solid(1, 1, Rgba{1, 2, 3, 255})); }
    Layer* Folder(const std::string& name) { return factory.NewFolderLayer(name); }
    static std::vector<std::string> Names(const std::vector<Layer*>& list) {
        std::vector<std::string> names;
        for (const Layer* l : list) names.push_back(l->name());
        return names;
    }
    using Names_t = std::vector<std::string>;

    Factory factory;
};

TEST_F(PictureTest, LayersAreAddedInsertedAndRemovedByIndex) {
    Picture* p = factory.NewLayerPicture(10, 10);
    Layer* a = BitmapLayer("a");
    Layer* b = BitmapLayer("b");
    Layer* c = BitmapLayer("c");
    EXPECT_TRUE(p->AddLayer(a));
    EXPECT_TRUE(p->AddLayer(c));
    EXPECT_TRUE(p->InsertLayer(1, b));
    EXPECT_EQ(Names(p->layers()), (Names_t{"a", "b", "c"}));
    EXPECT_EQ(p->GetLayerCount(), 3);
    EXPECT_EQ(p->GetLayer(2), c);
    for (int bad : {-1, 3, INT_MIN, INT_MAX}) {
        EXPECT_EQ(p->GetLayer(bad), nullptr);
        EXPECT_FALSE(p->RemoveLayer(bad));
    }
    Layer* d = BitmapLayer("d");
    EXPECT_FALSE(p->InsertLayer(-1, d));
    EXPECT_FALSE(p->InsertLayer(4, d));
    EXPECT_FALSE(p->AddLayer(nullptr));
    EXPECT_FALSE(p->InsertLayer(0, nullptr));
    EXPECT_TRUE(p->InsertLayer(3, d));  // count itself appends
    EXPECT_TRUE(p->RemoveLayer(0));
    EXPECT_EQ(Names(p->layers()), (Names_t{"b", "c", "d"}));
    EXPECT_EQ(a->OwningPicture(), nullptr);
    EXPECT_EQ(a->GetName(), "a");  // a removed layer stays usable
}

TEST_F(PictureTest, OnlyLayerPicturesTakeLayers) {
    Picture* single = factory.NewSinglePicture(Solid(2, 2, Rgba{}));
    Picture* animation = factory.NewAnimationPicture(2, 2);
    Layer* l = BitmapLayer("l");
    EXPECT_FALSE(single->AddLayer(l));
    EXPECT_FALSE(animation->InsertLayer(0, l));
    EXPECT_EQ(single->GetLayerCount(), 0);
    EXPECT_EQ(single->GetCurrentLayer(), nullptr);
}

TEST_F(PictureTest, InsertingAPlacedLayerMovesIt) {
    Picture* p = factory.NewLayerPicture(10, 10);
    Picture* q = factory.NewLayerPicture(10, 10);
    Layer* folder = Folder("f");
    Layer* a = BitmapLayer("a");
    Layer* b = BitmapLayer("b");
    Layer* c = BitmapLayer("c");
    ASSERT_TRUE(p->AddLayer(folder));
    ASSERT_TRUE(p->AddLayer(a));
    ASSERT_TRUE(p->AddLayer(b));
    ASSERT_TRUE(p->AddLayer(c));

    // Within the same list the index is the final position.
    EXPECT_FALSE(p->InsertLayer(4, a));
    EXPECT_TRUE(p->InsertLayer(3, a));
    EXPECT_EQ(Names(p->layers()), (Names_t{"f", "b", "c", "a"}));
    EXPECT_TRUE(p->AddLayer(b));
    EXPECT_EQ(Names(p->layers()), (Names_t{"f", "c", "a", "b"}));

    // From the top level into a folder, and on into another picture.
    EXPECT_TRUE(folder->AddChild(a));
    EXPECT_EQ(Names(p->layers()), (Names_t{"f", "c", "b"}));
    EXPECT_EQ(p->GetParentLayer(a), folder);
    EXPECT_TRUE(q->AddLayer(a));
    EXPECT_EQ(folder->GetChildCount(), 0);
    EXPECT_EQ(p->GetParentLayer(a), nullptr);
    EXPECT_EQ(a->OwningPicture(), q);
    EXPECT_EQ(q->GetParentLayer(a), nullptr);  // top level of q

    // Children keep the same rules.
    Layer* sub = Folder("sub");
    EXPECT_TRUE(folder->AddChild(sub));
    EXPECT_TRUE(folder->AddChild(c));
    EXPECT_TRUE(folder->InsertChild(0, c));
    EXPECT_EQ(Names(folder->children()), (Names_t{"c", "sub"}));
    EXPECT_FALSE(folder->InsertChild(2, c));
    EXPECT_FALSE(folder->InsertChild(-1, b));
    EXPECT_FALSE(folder->InsertChild(3, b));
    EXPECT_TRUE(sub->InsertChild(0, b));
    EXPECT_EQ(p->GetParentLayer(b), sub);
    EXPECT_EQ(Names(p->layers()), (Names_t{"f"}));
}

TEST_F(PictureTest, FoldersRefuseCyclesAndBitmapLayersRefuseChildren) {
    Picture* p = factory.NewLayerPicture(10, 10);
    Layer* outer = Folder("outer");
    Layer* inner = Folder("inner");
    Layer* deepest = Folder("deepest");
    ASSERT_TRUE(p->AddLayer(outer));
    ASSERT_TRUE(outer->AddChild(inner));
    ASSERT_TRUE(inner->AddChild(deepest));
    EXPECT_FALSE(outer->AddChild(outer));
    EXPECT_FALSE(inner->InsertChild(0, outer));
    EXPECT_FALSE(deepest->AddChild(outer));
    EXPECT_FALSE(deepest->AddChild(inner));
    EXPECT_EQ(p->GetParentLayer(deepest), inner);  // nothing moved
    EXPECT_EQ(p->GetParentLayer(inner), outer);

    Layer* bitmapLayer = BitmapLayer("bmp");
    EXPECT_FALSE(bitmapLayer->AddChild(BitmapLayer("x")));
    EXPECT_EQ(bitmapLayer->GetChild(0), nullptr);
    EXPECT_FALSE(bitmapLayer->RemoveChild(0));
    EXPECT_EQ(outer->GetChild(-1), nullptr);
    EXPECT_EQ(outer->GetChild(1), nullptr);

    // A folder with children stays a folder.
    outer->SetType("BITMAP");
    EXPECT_EQ(outer->GetType(), "FOLDER");
    deepest->SetType("BITMAP");
    EXPECT_EQ(deepest->GetType(), "BITMAP");
    deepest->SetType("folder");  // only the engine's upper-case words count
    EXPECT_EQ(deepest->GetType(), "BITMAP");
    deepest->SetType("FOLDER");
    EXPECT_TRUE(deepest->IsSelfOrAncestor(deepest));
    EXPECT_EQ(deepest->GetType(), "FOLDER");
}

TEST_F(PictureTest, FoldersNestAtMostThirtyTwoLevels) {
    Picture* p = factory.NewLayerPicture(2, 2);
    Layer* deepest = Folder("1");
    ASSERT_TRUE(p->AddLayer(deepest));
    for (int level = 2; level <= qfhost::kMaxLayerDepth; ++level) {
        Layer* f = Folder(std::to_string(level));
        ASSERT_TRUE(deepest->AddChild(f)) << level;
        deepest = f;
    }
    EXPECT_EQ(deepest->Depth(), 32);
    EXPECT_FALSE(deepest->AddChild(BitmapLayer("too deep")));
    // A subtree of two levels fits only two levels above the bottom.
    Layer* pair = Folder("pair");
    ASSERT_TRUE(pair->AddChild(BitmapLayer("leaf")));
    EXPECT_FALSE(deepest->parent()->AddChild(pair));
    EXPECT_FALSE(deepest->parent()->InsertChild(0, pair));
    EXPECT_TRUE(deepest->parent()->parent()->AddChild(pair));
    // The deepest tree still copies, draws and describes itself.
    auto* copy = AsPicture(p->Duplicate());
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->Equals(p));
    EXPECT_NE(p->GetBitmap(), nullptr);
    picojson::value v;
    EXPECT_EQ(picojson::parse(v, p->Jsonize()), "");
}

TEST_F(PictureTest, LayersOfAnotherFactoryAreRefused) {
    Factory other;
    Picture* p = factory.NewLayerPicture(4, 4);
    Layer* foreign = other.NewFolderLayer("foreign");
    Layer* folder = Folder("f");
    ASSERT_TRUE(p->AddLayer(folder));
    EXPECT_FALSE(p->AddLayer(foreign));
    EXPECT_FALSE(folder->AddChild(foreign));
    folder->SetType("BITMAP");
    folder->SetBitmap(other.MakeBitmap(1, 1, PixelFormat::kRgb24));
    EXPECT_EQ(folder->GetBitmap(), nullptr);
    EXPECT_EQ(p->GetParentLayer(foreign), nullptr);
}

TEST_F(PictureTest, LayerPropertiesStoreWhatAnEditorShows) {
    Layer* l = factory.MakeLayer();
    EXPECT_EQ(l->GetType(), "BITMAP");
    EXPECT_EQ(l->GetName(), "");
    EXPECT_EQ(l->GetOpacity(), 100);
    const std::pair<int, int> opacities[] = {{50, 50}, {300, 100}, {-5, 0}, {INT_MIN, 0}, {100, 100}, {0, 0}};
    for (auto [in, out] : opacities) {
        l->SetOpacity(in);
        EXPECT_EQ(l->GetOpacity(), out) << in;
    }
    l->SetX(-5);
    l->SetY(INT_MAX);
    l->SetHidden(true);
    l->SetName("Ünïcode name");
    EXPECT_EQ(l->GetX(), -5);
    EXPECT_EQ(l->GetY(), INT_MAX);
    EXPECT_TRUE(l->GetHidden());
    EXPECT_EQ(l->GetName(), "Ünïcode name");
    picojson::value v;
    ASSERT_EQ(picojson::parse(v, l->Jsonize()), "");
    EXPECT_EQ(v.get("Name").to_str(), "Ünïcode name");
    EXPECT_EQ(v.get("LayerType").to_str(), "BITMAP");
}

TEST_F(PictureTest, CurrentLayerFollowsAddsAndRemovals) {
    Picture* p = factory.NewLayerPicture(4, 4);
    EXPECT_EQ(p->GetCurrentLayer(), nullptr);
    Layer* a = BitmapLayer("a");
    Layer* b = BitmapLayer("b");
    Layer* folder = Folder("f");
    p->AddLayer(a);
    p->AddLayer(folder);
    EXPECT_EQ(p->GetCurrentLayer(), folder);
    folder->AddChild(b);
    EXPECT_EQ(p->GetCurrentLayer(), folder);  // child edits do not change it
    p->InsertLayer(0, b);
    EXPECT_EQ(p->GetCurrentLayer(), b);
    EXPECT_TRUE(p->SetCurrentLayer(a));
    p->RemoveLayer(1);  // a
    EXPECT_EQ(p->GetCurrentLayer(), folder);  // the top-most layer
}

TEST_F(PictureTest, FramesHaveBothTimeFormsAndFollowTheirIndex) {
    Picture* p = factory.NewAnimationPicture(3, 2);
    EXPECT_EQ(p->GetCurrentAniFrame(), nullptr);
    auto* first = static_cast<AniFrame*>(p->AddAniFrame());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetTimeType(), 0);
    EXPECT_EQ(first->GetTimeSecNumerator(), 1);
    EXPECT_EQ(first->GetTimeSecDenominator(), 10);
    EXPECT_EQ(first->GetTimeFpsNumerator(), 10);
    EXPECT_EQ(first->GetTimeFpsDenominator(), 1);
    auto* bitmap = AsBitmap(first->GetBitmap());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->GetWidth(), 3);
    EXPECT_EQ(bitmap->GetPixelType(), "RGBA32");
    first->SetTimeType(1);
    first->SetTimeFpsNumerator(25);
    first->SetTimeSecDenominator(0);
    first->SetTimeType(7);  // stored as given
    EXPECT_EQ(first->GetTimeType(), 7);
    EXPECT_EQ(first->GetTimeFpsNumerator(), 25);
    EXPECT_EQ(first->GetTimeSecDenominator(), 0);

    auto* second = static_cast<AniFrame*>(p->AddAniFrame());
    auto* zeroth = static_cast<AniFrame*>(p->InsertAniFrame(0));
    EXPECT_EQ(p->GetCurrentAniFrame(), zeroth);
    EXPECT_EQ(p->GetAniFrameCount(), 3);
    EXPECT_EQ(p->GetAniFrame(1), first);
    EXPECT_EQ(p->GetAniFrame(2), second);
    for (int bad : {-1, 4, INT_MIN}) EXPECT_EQ(p->InsertAniFrame(bad), nullptr);
    for (int bad : {-1, 3, INT_MAX}) {
        EXPECT_EQ(p->GetAniFrame(bad), nullptr);
        EXPECT_FALSE(p->RemoveAniFrame(bad));
    }
    ASSERT_TRUE(p->SetCurrentFrame(2));
    EXPECT_TRUE(p->RemoveAniFrame(0));
    EXPECT_EQ(p->GetCurrentAniFrame(), second);
    EXPECT_TRUE(p->RemoveAniFrame(1));
    EXPECT_EQ(p->GetCurrentAniFrame(), first);
    EXPECT_EQ(p->GetBitmap(), first->GetBitmap());

    Picture* single = factory.NewSinglePicture(nullptr);
    EXPECT_EQ(single->AddAniFrame(), nullptr);
    EXPECT_EQ(single->GetAniFrameCount(), 0);
}

struct MipmapCase {
    int width, height;
    std::vector<std::pair<int, int>> levels;
};

TEST_F(PictureTest, MipmapsHalveDownToOnePixel) {
    const MipmapCase cases[] = {
        {8, 8, {{8, 8}, {4, 4}, {2, 2}, {1, 1}}},
        {5, 3, {{5, 3}, {2, 1}, {1, 1}}},
        {1, 1, {{1, 1}}},
        {16, 2, {{16, 2}, {8, 1}, {4, 1}, {2, 1}, {1, 1}}},
        {1, 7, {{1, 7}, {1, 3}, {1, 1}}},
    };
    for (const MipmapCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        Picture* p = factory.NewSinglePicture(Solid(c.width, c.height, Rgba{9, 8, 7, 255}, PixelFormat::kRgb24));
        const int last = static_cast<int>(c.levels.size()) - 1;
        EXPECT_EQ(p->GetMipmapLevel(), last);
        EXPECT_EQ(p->GetMipmap(0), p->GetBitmap());
        for (int level = 0; level <= last; ++level) {
            auto* m = AsBitmap(p->GetMipmap(level));
            ASSERT_NE(m, nullptr) << level;
            EXPECT_EQ(m->GetWidth(), c.levels[static_cast<std::size_t>(level)].first);
            EXPECT_EQ(m->GetHeight(), c.levels[static_cast<std::size_t>(level)].second);
            EXPECT_EQ(m->GetPixelType(), "RGB24");
            EXPECT_EQ(m->PixelColor(0, 0), (Rgba{9, 8, 7, 255}));
        }
        EXPECT_EQ(p->GetMipmap(-1), nullptr);
        EXPECT_EQ(p->GetMipmap(last + 1), nullptr);
        EXPECT_EQ(p->GetMipmap(INT_MAX), nullptr);
    }
    Picture* empty = factory.NewSinglePicture(nullptr);
    EXPECT_EQ(empty->GetMipmapLevel(), 0);
    EXPECT_EQ(empty->GetMipmap(0), nullptr);
}

TEST_F(PictureTest, MipmapLevelsAverageTheirArea) {
    Bitmap* checker = Solid(2, 2, Rgba{0, 0, 0, 255}, PixelFormat::kRgb24);
    checker->SetPixelColor(0, 0, Rgba{200, 100, 0, 255});
    checker->SetPixelColor(1, 1, Rgba{200, 100, 0, 255});
    Picture* p = factory.NewSinglePicture(checker);
    auto* level1 = AsBitmap(p->GetMipmap(1));
    ASSERT_NE(level1, nullptr);
    EXPECT_EQ(level1->PixelColor(0, 0), (Rgba{100, 50, 0, 255}));
    // Asking again redraws from the current pixels.
    checker->SetPixelColor(0, 1, Rgba{200, 100, 0, 255});
    checker->SetPixelColor(1, 0, Rgba{200, 100, 0, 255});
    EXPECT_EQ(AsBitmap(p->GetMipmap(1))->PixelColor(0, 0), (Rgba{200, 100, 0, 255}));
}

TEST_F(PictureTest, LayerPicturesShowTheirMergedLayers) {
    Picture* p = factory.NewLayerPicture(3, 1);
    p->AddLayer(factory.NewBitmapLayer("red", Solid(2, 1, Rgba{255, 0, 0, 255})));
    p->AddLayer(factory.NewBitmapLayer("blue", Solid(1, 1, Rgba{0, 0, 255, 255}), 1, 0));
    auto* merged = AsBitmap(p->GetBitmap());
    ASSERT_NE(merged, nullptr);
    EXPECT_EQ(merged->GetWidth(), 3);
    EXPECT_EQ(merged->PixelColor(0, 0), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(merged->PixelColor(1, 0), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(merged->PixelColor(2, 0), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(p->GetPixelType(), "RGBA32");
    EXPECT_EQ(p->GetMipmapLevel(), 1);
    p->layers()[1]->SetHidden(true);
    EXPECT_EQ(AsBitmap(p->GetBitmap())->PixelColor(1, 0), (Rgba{255, 0, 0, 255}));
    p->SetBitmap(Solid(3, 1, Rgba{}));  // refused for layer pictures
    EXPECT_EQ(p->GetLayerCount(), 2);
}

TEST_F(PictureTest, CanvasSizeIsTheBitmapsForSinglePictures) {
    Picture* single = factory.NewSinglePicture(Solid(5, 4, Rgba{}));
    single->SetCanvasWidth(100);
    EXPECT_EQ(single->GetCanvasWidth(), 5);
    EXPECT_EQ(single->GetCanvasHeight(), 4);
    single->SetBitmap(Solid(7, 2, Rgba{}));
    EXPECT_EQ(single->GetCanvasWidth(), 7);

    Picture* layered = factory.NewLayerPicture(5, 4);
    layered->SetCanvasHeight(512);
    EXPECT_EQ(layered->GetCanvasHeight(), 512);
    for (int bad : {0, -1, 30001, INT_MIN}) {
        layered->SetCanvasWidth(bad);
        EXPECT_EQ(layered->GetCanvasWidth(), 5) << bad;
    }
    layered->SetCanvasWidth(30000);  // 30000 x 512: within the area limit
    EXPECT_EQ(layered->GetCanvasWidth(), 30000);
    layered->SetCanvasHeight(30000);  // 900 million pixels: refused
    EXPECT_EQ(layered->GetCanvasHeight(), 512);
}

TEST_F(PictureTest, TypeChangesKeepThePixels) {
    Bitmap* image = Solid(2, 2, Rgba{10, 20, 30, 255}, PixelFormat::kRgb24);
    Picture* p = factory.NewSinglePicture(image);

    p->SetType("LAYER");
    EXPECT_EQ(p->GetType(), "LAYER");
    ASSERT_EQ(p->GetLayerCount(), 1);
    Layer* background = p->layers()[0];
    EXPECT_EQ(background->GetName(), "Background");
    EXPECT_EQ(background->GetBitmap(), image);
    EXPECT_EQ(p->GetCurrentLayer(), background);
    EXPECT_EQ(p->GetCanvasWidth(), 2);

    p->AddLayer(factory.NewBitmapLayer("dot", Solid(1, 1, Rgba{255, 255, 255, 255}), 1, 1));
    p->SetType("SINGLE");
    EXPECT_EQ(p->GetLayerCount(), 0);
    auto* flat = AsBitmap(p->GetBitmap());
    ASSERT_NE(flat, nullptr);
    EXPECT_EQ(flat->GetPixelType(), "RGB24");  // everything was opaque
    EXPECT_EQ(flat->PixelColor(0, 0), (Rgba{10, 20, 30, 255}));
    EXPECT_EQ(flat->PixelColor(1, 1), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(background->OwningPicture(), nullptr);

    p->SetType("ANIMATION");
    ASSERT_EQ(p->GetAniFrameCount(), 1);
    EXPECT_EQ(p->GetBitmap(), flat);
    p->AddAniFrame();
    ASSERT_TRUE(p->SetCurrentFrame(0));
    p->SetType("LAYER");
    ASSERT_EQ(p->GetLayerCount(), 2);
    EXPECT_EQ(p->layers()[0]->GetName(), "Frame 1");
    EXPECT_FALSE(p->layers()[0]->GetHidden());
    EXPECT_TRUE(p->layers()[1]->GetHidden());
    EXPECT_EQ(AsBitmap(p->GetBitmap())->PixelColor(1, 1), (Rgba{255, 255, 255, 255}));

    p->SetType("ANIMATION");
    p->SetType("SINGLE");
    EXPECT_EQ(p->GetType(), "SINGLE");
    EXPECT_EQ(AsBitmap(p->GetBitmap())->PixelColor(0, 0), (Rgba{10, 20, 30, 255}));

    for (const char* ignored : {"single", "PHOTO", "", "LAYER "}) {
        p->SetType(ignored);
        EXPECT_EQ(p->GetType(), "SINGLE") << ignored;
    }
}

TEST_F(PictureTest, DuplicateIsADeepCopy) {
    Picture* p = factory.NewLayerPicture(4, 4);
    Layer* folder = Folder("f");
    Layer* inner = factory.NewBitmapLayer("inner", Solid(2, 2, Rgba{1, 1, 1, 255}), 1, 1);
    p->AddLayer(folder);
    folder->AddChild(inner);
    p->SetCurrentLayer(inner);

    auto* copy = AsPicture(p->Duplicate());
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy, p);
    EXPECT_TRUE(copy->Equals(p));
    ASSERT_EQ(copy->GetLayerCount(), 1);
    Layer* copiedFolder = copy->layers()[0];
    ASSERT_EQ(copiedFolder->children().size(), 1u);
    Layer* copiedInner = copiedFolder->children()[0];
    EXPECT_NE(copiedInner, inner);
    EXPECT_NE(copiedInner->bitmap(), inner->bitmap());
    EXPECT_EQ(copy->GetCurrentLayer(), copiedInner);
    EXPECT_EQ(copy->GetParentLayer(copiedInner), copiedFolder);
    EXPECT_EQ(copy->GetParentLayer(inner), nullptr);

    inner->bitmap()->SetPixelR(0, 0, 200);
    EXPECT_EQ(copiedInner->bitmap()->GetPixelR(0, 0), 1);
    EXPECT_FALSE(copy->Equals(p));

    Picture* animation = factory.NewAnimationPicture(2, 2);
    animation->AddAniFrame();
    static_cast<AniFrame*>(animation->AddAniFrame())->SetTimeFpsNumerator(30);
    animation->SetCurrentFrame(0);
    auto* animationCopy = AsPicture(animation->Duplicate());
    ASSERT_NE(animationCopy, nullptr);
    EXPECT_TRUE(animationCopy->Equals(animation));
    EXPECT_EQ(animationCopy->current_frame_index(), 0);
    EXPECT_NE(animationCopy->GetAniFrame(1), animation->GetAniFrame(1));
    EXPECT_EQ(static_cast<AniFrame*>(animationCopy->GetAniFrame(1))->fps_numerator(), 30);
}

TEST_F(PictureTest, EqualsAndJsonize) {
    Picture* a = factory.NewSinglePicture(Solid(2, 2, Rgba{5, 5, 5, 255}));
    Picture* b = factory.NewSinglePicture(Solid(2, 2, Rgba{5, 5, 5, 255}));
    EXPECT_TRUE(a->Equals(b));
    EXPECT_FALSE(a->Equals(nullptr));
    EXPECT_FALSE(a->Equals(a->bitmap()));
    b->SetType("LAYER");
    EXPECT_FALSE(a->Equals(b));

    picojson::value v;
    ASSERT_EQ(picojson::parse(v, b->Jsonize()), "");
    EXPECT_EQ(v.get("Type").to_str(), "Picture");
    EXPECT_EQ(v.get("PictureType").to_str(), "LAYER");
    EXPECT_EQ(v.get("CanvasWidth").get<double>(), 2);
    ASSERT_TRUE(v.get("Layers").is<picojson::array>());
    EXPECT_EQ(v.get("Layers").get<picojson::array>().size(), 1u);
    EXPECT_EQ(v.get("Layers").get<picojson::array>()[0].get("Name").to_str(), "Background");
}

TEST_F(PictureTest, DocumentSelectionAndColour) {
    Document* d = factory.NewDocument("C:\\pictures\\cat.png");
    EXPECT_EQ(d->GetFilePath(), "C:\\pictures\\cat.png");
    EXPECT_TRUE(d->IsSelected(-5, 1000));  // no selection: everything
    d->Select(10, 20, 5, 7);
    const struct {
        int x, y;
        bool in;
    } points[] = {{10, 20, true}, {14, 26, true}, {15, 20, false}, {10, 27, false}, {9, 20, false}, {10, 19, false}};
    for (const auto& p : points) EXPECT_EQ(d->IsSelected(p.x, p.y), p.in) << p.x << "," << p.y;
    d->Select(INT_MAX - 1, INT_MAX - 1, 5, 5);  // no overflow at the edge
    EXPECT_TRUE(d->IsSelected(INT_MAX, INT_MAX));
    d->Select(0, 0, -3, 4);
    EXPECT_FALSE(d->IsSelected(0, 0));

    double r = 0, g = 0, b = 0, a = 0;
    int index = 0;
    d->set_current_color(qfhost::DocumentColor{1, 0.5, 0, 1, 3});
    d->GetCurrentColor(r, g, b, a, index);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(g, 0.5);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(index, 3);

    Document* same = factory.NewDocument("C:\\pictures\\cat.png");
    EXPECT_FALSE(d->Equals(same));
    same->Select(0, 0, -3, 4);
    same->set_current_color(d->current_color());
    EXPECT_TRUE(d->Equals(same));
    picojson::value v;
    ASSERT_EQ(picojson::parse(v, d->Jsonize()), "");
    EXPECT_EQ(v.get("FilePath").to_str(), "C:\\pictures\\cat.png");
    EXPECT_EQ(v.get("Selection").get("Width").get<double>(), 0);
    EXPECT_EQ(v.get("CurrentColor").get("I").get<double>(), 3);
}

}  // namespace
