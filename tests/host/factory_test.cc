// The factory: handles, creation and the release of everything it owns.
#include <string>

#include <gtest/gtest.h>

#include "host/lib/qfhost.h"

namespace {

using qfhost::AsBitmap;
using qfhost::AsPicture;
using qfhost::Bitmap;
using qfhost::Factory;
using qfhost::Picture;
using qfhost::PixelFormat;

TEST(FactoryTest, HandlesAreTheObjectsOwnAddresses) {
    Factory factory;
    Picture* picture = factory.NewLayerPicture(4, 4);
    qfhost::Document* document = factory.NewDocument("/tmp/x.png");
    EXPECT_EQ(factory.GetPicture(Factory::HandleOf(picture)), picture);
    EXPECT_EQ(factory.GetDocument(Factory::HandleOf(document)), document);
    EXPECT_EQ(Factory::HandleString(picture), std::to_string(reinterpret_cast<std::uintptr_t>(picture)));

    // Null, unknown addresses and objects of the wrong kind give null.
    int local = 0;
    EXPECT_EQ(factory.GetPicture(nullptr), nullptr);
    EXPECT_EQ(factory.GetDocument(nullptr), nullptr);
    EXPECT_EQ(factory.GetPicture(&local), nullptr);
    EXPECT_EQ(factory.GetPicture(document), nullptr);
    EXPECT_EQ(factory.GetDocument(picture), nullptr);
    Factory other;
    EXPECT_EQ(other.GetPicture(Factory::HandleOf(picture)), nullptr);
}

TEST(FactoryTest, CreatePictureHoldsTheGivenBitmap) {
    Factory factory;
    auto* bitmap = AsBitmap(factory.CreateBitmap(3, 2, 24, 0));
    auto* picture = AsPicture(factory.CreatePicture(bitmap));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->GetType(), "SINGLE");
    EXPECT_EQ(picture->GetBitmap(), bitmap);
    EXPECT_EQ(picture->GetCanvasWidth(), 3);
    EXPECT_EQ(factory.CreatePicture(nullptr), nullptr);
    Factory other;
    EXPECT_EQ(factory.CreatePicture(other.MakeBitmap(1, 1, PixelFormat::kRgb24)), nullptr);

    auto* layer = qfhost::AsLayer(factory.CreateLayer());
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->GetType(), "BITMAP");
    EXPECT_EQ(layer->GetBitmap(), nullptr);
}

TEST(FactoryTest, ReleaseFreesEverythingAndTheFactoryStaysUsable) {
    const long blocksBefore = qfhost::DibBlock::LiveCount();
    Factory factory;
    Picture* picture = factory.NewLayerPicture(8, 8);
    picture->AddLayer(factory.NewBitmapLayer("a", factory.MakeBitmap(8, 8, PixelFormat::kRgba32)));
    picture->GetBitmap();                  // merged image
    picture->GetMipmap(2);                 // mipmap
    picture->Duplicate();                  // copies
    picture->ApplyFilter("Invert", "");    // filtered copy
    factory.NewDocument("doc");
    factory.NewAnimationPicture(2, 2)->AddAniFrame();
    EXPECT_GT(factory.object_count(), 10u);

    factory.Release();
    EXPECT_EQ(factory.release_count(), 1);
    EXPECT_EQ(factory.object_count(), 0u);
    EXPECT_TRUE(factory.log().Empty());  // off by default

    // Usable again; ids start over.
    auto* bitmap = AsBitmap(factory.CreateBitmap(1, 1, 32, 0));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->id(), 1);
    EXPECT_EQ(qfhost::DibBlock::LiveCount(), blocksBefore);
}  // the destructor frees the new bitmap; valgrind/ASan see no double free

TEST(FactoryTest, ObjectsCanOutliveReleaseWhenAsked) {
    Factory factory;
    factory.set_free_on_release(false);
    Picture* picture = factory.NewSinglePicture(factory.MakeBitmap(2, 2, PixelFormat::kRgb24));
    factory.Release();
    EXPECT_EQ(factory.release_count(), 1);
    EXPECT_EQ(picture->GetCanvasWidth(), 2);  // still alive
    EXPECT_EQ(factory.object_count(), 2u);
}

TEST(FactoryTest, AMemoryBudgetBoundsAllBitmapsTogether) {
    Factory factory;
    EXPECT_EQ(factory.memory_budget(), std::uint64_t{2} << 30);
    factory.set_memory_budget(100 * 100 * 4 * 3);  // three 100 x 100 bitmaps
    IQFBitmap* a = factory.CreateBitmap(100, 100, 24, 0);
    ASSERT_NE(a, nullptr);
    EXPECT_NE(a->Duplicate(), nullptr);
    EXPECT_NE(a->Resize(100, 100, "nearest"), nullptr);
    EXPECT_EQ(a->Duplicate(), nullptr);  // the fourth would exceed the budget
    EXPECT_EQ(factory.CreateBitmap(1, 1, 8, 0), nullptr);
    EXPECT_EQ(factory.bitmap_bytes(), 120000u);
    factory.Release();
    EXPECT_EQ(factory.bitmap_bytes(), 0u);
    EXPECT_NE(factory.CreateBitmap(100, 100, 32, 0), nullptr);
}

TEST(FactoryTest, IdsCountPerKind) {
    Factory factory;
    Bitmap* b1 = factory.MakeBitmap(1, 1, PixelFormat::kRgb24);
    Picture* p1 = factory.NewSinglePicture(b1);
    Bitmap* b2 = b1->Copy();
    EXPECT_EQ(b1->core().label(), "Bitmap#1");
    EXPECT_EQ(b2->core().label(), "Bitmap#2");
    EXPECT_EQ(p1->core().label(), "Picture#1");
    EXPECT_EQ(factory.MakeLayer()->core().label(), "Layer#1");
    EXPECT_EQ(factory.MakeAniFrame()->core().label(), "AniFrame#1");
    EXPECT_EQ(factory.NewDocument("")->core().label(), "Document#1");
    EXPECT_EQ(qfhost::LabelOf(nullptr), "null");
}

}  // namespace
