// The call log: its exact entry format, and that only calls from outside
// are recorded.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/lib/qfhost.h"
#include "tests/host/test_png.h"

namespace {

using qfhost::AsBitmap;
using qfhost::AsLayer;
using qfhost::AsPicture;
using qfhost::Bitmap;
using qfhost::Factory;
using qfhost::Picture;
using qfhost::PixelFormat;
using Entries = std::vector<std::string>;

class CallLogTest : public ::testing::Test {
protected:
    void SetUp() override { factory.log().Enable(); }
    const Entries& Log() const { return factory.log().Entries(); }

    Factory factory;
};

TEST_F(CallLogTest, IsOffUntilEnabled) {
    Factory quiet;
    IQFBitmap* b = quiet.CreateBitmap(2, 2, 32, 0);
    b->GetPixelR(0, 0);
    EXPECT_TRUE(quiet.log().Empty());
    quiet.log().Enable();
    b->GetPixelR(1, 1);
    quiet.log().Enable(false);
    b->GetPixelR(1, 1);
    EXPECT_EQ(quiet.log().Entries(), (Entries{"Bitmap#1.GetPixelR(1,1)"}));
}

TEST_F(CallLogTest, EntriesFollowTheDocumentedFormat) {
    IQFBitmap* bitmap = factory.CreateBitmap(10, 10, 32, 0);
    IQFPicture* picture = factory.CreatePicture(bitmap);
    IQFLayer* layer = factory.CreateLayer();
    const double r = 10, g = 20, b = 30, a = 0.25;
    const int i = 3;
    bitmap->GetPixelR(3, 4);
    bitmap->SetPixel(1, 2, &r, &g, &b, nullptr, nullptr);
    bitmap->SetPixel(1, 2, &r, &g, &b, &a, nullptr);
    bitmap->SetPixel(1, 2, nullptr, nullptr, nullptr, nullptr, &i);
    bitmap->SetPixelR(0, 0, 12.5);
    bitmap->SetPixelG(0, 0, -1e21);
    bitmap->SetPixelB(0, 0, std::numeric_limits<double>::quiet_NaN());
    bitmap->SetPaletteA(-1, 300);
    bitmap->SetHasAlpha(false);
    bitmap->Resize(2, 2, "nearest");
    bitmap->Resize(2, 2, nullptr);
    bitmap->Clip(0, 1, 2, 3);
    bitmap->Overlay(nullptr, -1, 5);
    bitmap->Equals(picture);
    layer->SetName("Bitmap");
    layer->SetName("say \"hi\"\n");
    layer->SetHidden(true);
    picture->SetType("LAYER");
    picture->AddLayer(layer);
    picture->InsertLayer(0, nullptr);
    picture->ApplyFilter("Invert", "");
    picture->ApplyFilter("Grayscale", "{\"Weights\":[1,0,0]}");
    factory.GetPicture(nullptr);
    factory.GetPicture(picture);
    factory.GetPicture(&r);
    factory.LoadPicture("/no/such.png", "");
    factory.SavePicture(nullptr, "out.png", "{}");
    factory.CreateBitmap(-1, 0, 5, 0);

    EXPECT_EQ(Log(), (Entries{
                         "Factory.CreateBitmap(10,10,32,0)",
                         "Factory.CreatePicture(Bitmap#1)",
                         "Factory.CreateLayer()",
                         "Bitmap#1.GetPixelR(3,4)",
                         "Bitmap#1.SetPixel(1,2,r=10,g=20,b=30)",
                         "Bitmap#1.SetPixel(1,2,r=10,g=20,b=30,a=0.25)",
                         "Bitmap#1.SetPixel(1,2,i=3)",
                         "Bitmap#1.SetPixelR(0,0,12.5)",
                         "Bitmap#1.SetPixelG(0,0,-1e+21)",
                         "Bitmap#1.SetPixelB(0,0,nan)",
                         "Bitmap#1.SetPaletteA(-1,300)",
                         "Bitmap#1.SetHasAlpha(false)",
                         "Bitmap#1.Resize(2,2,\"nearest\")",
                         "Bitmap#1.Resize(2,2,null)",
                         "Bitmap#1.Clip(0,1,2,3)",
                         "Bitmap#1.Overlay(null,-1,5)",
                         "Bitmap#1.Equals(Picture#1)",
                         "Layer#1.SetName(\"Bitmap\")",
                         "Layer#1.SetName(\"say \\\"hi\\\"\\n\")",
                         "Layer#1.SetHidden(true)",
                         "Picture#1.SetType(\"LAYER\")",
                         "Picture#1.AddLayer(Layer#1)",
                         "Picture#1.InsertLayer(0,null)",
                         "Picture#1.ApplyFilter(\"Invert\",\"\")",
                         "Picture#1.ApplyFilter(\"Grayscale\",\"{\\\"Weights\\\":[1,0,0]}\")",
                         "Factory.GetPicture(null)",
                         "Factory.GetPicture(Picture#1)",
                         "Factory.GetPicture(unknown)",
                         "Factory.LoadPicture(\"/no/such.png\",\"\")",
                         "Factory.SavePicture(null,\"out.png\",\"{}\")",
                         "Factory.CreateBitmap(-1,0,5,0)",
                     }))
        << factory.log().Text();
}

TEST_F(CallLogTest, EveryOperationOfEveryKindIsRecorded) {
    IQFDocument* document = factory.NewDocument("d");
    double r, g, b, a;
    int i;
    document->GetFilePath();
    document->IsSelected(1, 2);
    document->GetCurrentColor(r, g, b, a, i);
    document->Jsonize();
    Picture* animation = factory.NewAnimationPicture(2, 2);
    IQFAniFrame* frame = animation->AddAniFrame();
    frame->SetTimeType(1);
    frame->GetTimeFpsDenominator();
    frame->GetBitmap();
    animation->GetMipmap(1);
    animation->RemoveAniFrame(5);
    factory.Release();
    EXPECT_EQ(Log(), (Entries{
                         "Document#1.GetFilePath()",
                         "Document#1.IsSelected(1,2)",
                         "Document#1.GetCurrentColor()",
                         "Document#1.Jsonize()",
                         "Picture#1.AddAniFrame()",
                         "AniFrame#1.SetTimeType(1)",
                         "AniFrame#1.GetTimeFpsDenominator()",
                         "AniFrame#1.GetBitmap()",
                         "Picture#1.GetMipmap(1)",
                         "Picture#1.RemoveAniFrame(5)",
                         "Factory.Release()",
                     }));
}

TEST_F(CallLogTest, InternalWorkBetweenHostObjectsIsNotRecorded) {
    // Built through the C++ side: nothing is recorded.
    Picture* picture = factory.NewLayerPicture(4, 4);
    qfhost::Layer* folder = factory.NewFolderLayer("f");
    picture->AppendLayer(folder);
    folder->AppendChild(factory.NewBitmapLayer("b", factory.MakeBitmap(2, 2, PixelFormat::kRgba32)));
    ASSERT_TRUE(factory.log().Empty());

    qfhost_test::TempDir dir;
    const std::string path = dir.File("p.png");
    IQFPicture* copy = picture->Duplicate();
    IQFPicture* filtered = picture->ApplyFilter("Invert", "{\"Alpha\":true}");
    picture->GetBitmap();
    picture->GetMipmap(2);
    picture->SetType("SINGLE");
    picture->Duplicate();
    ASSERT_TRUE(factory.SavePicture(picture, path.c_str(), ""));
    IQFPicture* loaded = factory.LoadPicture(path.c_str(), "");
    ASSERT_NE(loaded, nullptr);
    IQFBitmap* bitmap = loaded->GetBitmap();
    bitmap->Resize(8, 8, "");
    bitmap->Duplicate();
    bitmap->SetIndexColor(true);
    bitmap->Overlay(bitmap, 1, 1);
    copy->Equals(filtered);
    Picture* animation = factory.NewAnimationPicture(2, 2);
    animation->AppendFrame(factory.MakeBitmap(2, 2, PixelFormat::kRgb24));
    IQFPicture* animationCopy = animation->Duplicate();
    animationCopy->ApplyFilter("Grayscale", "");
    EXPECT_EQ(Log(), (Entries{
                         "Picture#1.Duplicate()",
                         "Picture#1.ApplyFilter(\"Invert\",\"{\\\"Alpha\\\":true}\")",
                         "Picture#1.GetBitmap()",
                         "Picture#1.GetMipmap(2)",
                         "Picture#1.SetType(\"SINGLE\")",
                         "Picture#1.Duplicate()",
                         "Factory.SavePicture(Picture#1,\"" + path + "\",\"\")",
                         "Factory.LoadPicture(\"" + path + "\",\"\")",
                         "Picture#" + std::to_string(AsPicture(loaded)->id()) + ".GetBitmap()",
                         "Bitmap#" + std::to_string(AsBitmap(bitmap)->id()) + ".Resize(8,8,\"\")",
                         "Bitmap#" + std::to_string(AsBitmap(bitmap)->id()) + ".Duplicate()",
                         "Bitmap#" + std::to_string(AsBitmap(bitmap)->id()) + ".SetIndexColor(true)",
                         "Bitmap#" + std::to_string(AsBitmap(bitmap)->id()) + ".Overlay(Bitmap#" +
                             std::to_string(AsBitmap(bitmap)->id()) + ",1,1)",
                         "Picture#2.Equals(Picture#3)",
                         "Picture#" + std::to_string(animation->id()) + ".Duplicate()",
                         "Picture#" + std::to_string(AsPicture(animationCopy)->id()) + ".ApplyFilter(\"Grayscale\",\"\")",
                     }))
        << factory.log().Text();
}

TEST_F(CallLogTest, HelpersSearchAndCount) {
    IQFBitmap* b = factory.CreateBitmap(2, 2, 24, 0);
    IQFPicture* p = factory.CreatePicture(b);
    p->GetType();
    p->GetType();
    b->GetPixelR(0, 0);
    b->GetPixelR(1, 1);
    const qfhost::CallLog& log = factory.log();
    EXPECT_TRUE(log.Contains("Picture#1.GetType()"));
    EXPECT_FALSE(log.Contains("Picture#1.GetType"));
    EXPECT_EQ(log.Count("Picture#1.GetType()"), 2u);
    EXPECT_EQ(log.CountOperation("GetPixelR"), 2u);
    EXPECT_EQ(log.CountOperation("GetPixel"), 0u);
    EXPECT_EQ(log.EntriesOf("Picture#1"), (Entries{"Picture#1.GetType()", "Picture#1.GetType()"}));
    EXPECT_EQ(log.EntriesOf("Factory").size(), 2u);
    factory.log().Clear();
    EXPECT_TRUE(log.Empty());
    EXPECT_EQ(log.Size(), 0u);
}

// An object of some other implementation of the interfaces.
class ForeignObject : public IQFObject {
public:
    void ReservedObject0() override {}
    bool Equals(IQFObject*) override { return false; }
    std::string Jsonize() override { return "{}"; }
};

TEST_F(CallLogTest, ObjectsOfOtherImplementationsAreForeign) {
    Factory other;
    ForeignObject foreign;
    IQFBitmap* b = factory.CreateBitmap(1, 1, 24, 0);
    factory.log().Clear();
    EXPECT_FALSE(b->Equals(&foreign));
    b->Equals(other.CreateBitmap(1, 1, 24, 0));  // another factory's bitmap keeps its label
    EXPECT_EQ(Log(), (Entries{"Bitmap#1.Equals(foreign)", "Bitmap#1.Equals(Bitmap#1)"}));
}

}  // namespace
