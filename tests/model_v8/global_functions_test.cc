// The global constructors: argument rules, the factory and layer calls in
// their order, and copies where the new object must not share the script's
// bitmap.
#include <string>

#include "tests/model_v8/v8_fixture.h"

namespace qfjs_v8test {
namespace {

using qfhost::PixelFormat;

class GlobalFunctionsTest : public V8ModelTest {
protected:
    void SetUp() override {
        bitmap_ = NewBitmap(5, 4, PixelFormat::kRgba32);
        source_ = factory_.NewSinglePicture(bitmap_);
        SetSource(source_);
    }
    static constexpr char kBitmap[] = "const bmp = SourcePicture.Bitmap;\n";

    qfhost::Bitmap* bitmap_ = nullptr;
    qfhost::Picture* source_ = nullptr;
};

TEST_F(GlobalFunctionsTest, CreateBitmap) {
    Run(R"JS(
      probe('too few', () => CreateBitmap(10, 10));
      probe('values reach the host unchecked', () => CreateBitmap(-1, 0, 5));
      probe('rgb', () => CreateBitmap(4, 3, 24));
      probe('index with extra', () => CreateBitmap(4, 3, 8, 16, 'ignored').PaletteCount);
      probe('converted', () => CreateBitmap('4.5', 2 ** 32 + 3, 32, NaN).Width);
    )JS");
    Check("too few", "null", {});
    Check("values reach the host unchecked", "null", {"Factory.CreateBitmap(-1,0,5,0)"});
    EXPECT_EQ(Value("rgb"), "[Bitmap]");
    EXPECT_EQ(NewCalls("rgb"), (Calls{"Factory.CreateBitmap(4,3,24,0)"}));
    EXPECT_EQ(Value("index with extra"), "16");
    EXPECT_EQ(NewCalls("index with extra"),
              (Calls{"Factory.CreateBitmap(4,3,8,16)", "Bitmap#new1.GetPaletteCount()"}));
    EXPECT_EQ(Value("converted"), "4");
    EXPECT_EQ(NewCalls("converted"), (Calls{"Factory.CreateBitmap(4,3,32,0)", "Bitmap#new1.GetWidth()"}));
}

TEST_F(GlobalFunctionsTest, CreatePictureByArgumentCount) {
    Run(std::string(kBitmap) + R"JS(
      probe('none', () => CreatePicture());
      probe('none type', () => CreatePicture().Type);
      probe('two', () => CreatePicture(100, 50));
      probe('three', () => CreatePicture(100, 50, 32));
      probe('four', () => CreatePicture(100, 50, 32, 7));
      probe('refused size', () => CreatePicture(5, 5, 16));
      probe('bitmap', () => CreatePicture(bmp));
      probe('string', () => CreatePicture('x'));
      probe('picture', () => CreatePicture(SourcePicture));
      probe('null', () => CreatePicture(null));
      const p = CreatePicture(bmp);
      bmp.SetPixel(0, 0, 255, 0, 0, 255);
      probe('copy unchanged', () => p.Bitmap.GetPixelR(0, 0));
    )JS");
    EXPECT_EQ(Value("none"), "[Picture]");
    EXPECT_EQ(NewCalls("none"), (Calls{"Factory.CreateBitmap(1,1,24,0)", "Factory.CreatePicture(Bitmap#new1)"}));
    EXPECT_EQ(Value("none type"), "\"SINGLE\"");
    Check("two", "null", {});
    EXPECT_EQ(NewCalls("three"), (Calls{"Factory.CreateBitmap(100,50,32,0)", "Factory.CreatePicture(Bitmap#new1)"}));
    EXPECT_EQ(NewCalls("four"), (Calls{"Factory.CreateBitmap(100,50,32,7)", "Factory.CreatePicture(Bitmap#new1)"}));
    Check("refused size", "null", {"Factory.CreateBitmap(5,5,16,0)"});
    EXPECT_EQ(Value("bitmap"), "[Picture]");
    EXPECT_EQ(NewCalls("bitmap", {bitmap_}),
              (Calls{At(bitmap_, "Duplicate()"), "Factory.CreatePicture(Bitmap#new1)"}));
    Check("string", "null", {});
    Check("picture", "null", {});
    Check("null", "throws TypeError: Cannot convert undefined or null to object", {});
    EXPECT_EQ(Value("copy unchanged"), "0");
}

TEST_F(GlobalFunctionsTest, CreateBitmapLayerBitCounts) {
    Run(R"JS(
      probe('default 32', () => CreateBitmapLayer(10, 10));
      probe('24 becomes 32', () => CreateBitmapLayer(10, 10, '24'));
      probe('8 with extra', () => CreateBitmapLayer(10, 10, 8, 4));
      probe('16 refused', () => CreateBitmapLayer(10, 10, 16));
      probe('too few', () => CreateBitmapLayer(10));
      probe('host refuses the bitmap', () => CreateBitmapLayer(0, 0));
      const l = CreateBitmapLayer(3, 2);
      probe('made', () => [l.Name, l.IsBitmap, l.Bitmap.Width, l.Bitmap.PixelType].join());
    )JS");
    auto layerCalls = [](const std::string& create) {
        return Calls{create, "Factory.CreateLayer()", "Layer#new1.SetType(\"BITMAP\")", "Layer#new1.SetName(\"Bitmap\")",
                     "Layer#new1.SetBitmap(Bitmap#new1)"};
    };
    EXPECT_EQ(Value("default 32"), "[Layer]");
    EXPECT_EQ(NewCalls("default 32"), layerCalls("Factory.CreateBitmap(10,10,32,0)"));
    EXPECT_EQ(NewCalls("24 becomes 32"), layerCalls("Factory.CreateBitmap(10,10,32,0)"));
    EXPECT_EQ(NewCalls("8 with extra"), layerCalls("Factory.CreateBitmap(10,10,8,4)"));
    Check("16 refused", "null", {});
    Check("too few", "null", {});
    Check("host refuses the bitmap", "null", {"Factory.CreateBitmap(0,0,32,0)"});
    EXPECT_EQ(Value("made"), "\"Bitmap,true,3,RGBA32\"");
}

TEST_F(GlobalFunctionsTest, CreateLayerFromBitmapCopiesTheBitmap) {
    Run(std::string(kBitmap) + R"JS(
      probe('bitmap', () => CreateLayerFromBitmap(bmp, 'ignored'));
      probe('none', () => CreateLayerFromBitmap());
      probe('string', () => CreateLayerFromBitmap('x'));
      probe('picture', () => CreateLayerFromBitmap(SourcePicture));
      probe('null', () => CreateLayerFromBitmap(null));
      const l = CreateLayerFromBitmap(bmp);
      bmp.SetPixel(1, 1, 9, 9, 9, 9);
      probe('copy unchanged', () => l.Bitmap.GetPixelR(1, 1));
      probe('copy size', () => l.Bitmap.Width + 'x' + l.Bitmap.Height);
    )JS");
    EXPECT_EQ(Value("bitmap"), "[Layer]");
    EXPECT_EQ(NewCalls("bitmap", {bitmap_}),
              (Calls{At(bitmap_, "Duplicate()"), "Factory.CreateLayer()", "Layer#new1.SetType(\"BITMAP\")",
                     "Layer#new1.SetName(\"Bitmap\")", "Layer#new1.SetBitmap(Bitmap#new1)"}));
    Check("none", "null", {});
    Check("string", "null", {});
    Check("picture", "null", {});
    Check("null", "throws TypeError: Cannot convert undefined or null to object", {});
    EXPECT_EQ(Value("copy unchanged"), "0");
    EXPECT_EQ(Value("copy size"), "\"5x4\"");
}

TEST_F(GlobalFunctionsTest, CreateFolderLayerIgnoresArguments) {
    Run(R"JS(
      probe('folder', () => CreateFolderLayer('ignored', 5));
      probe('made', () => { const f = CreateFolderLayer(); return [f.Name, f.IsFolder, f.ChildCount].join(); });
    )JS");
    EXPECT_EQ(Value("folder"), "[Layer]");
    EXPECT_EQ(NewCalls("folder"), (Calls{"Factory.CreateLayer()", "Layer#new1.SetType(\"FOLDER\")",
                                         "Layer#new1.SetName(\"Folder\")"}));
    EXPECT_EQ(Value("made"), "\"Folder,true,0\"");
}

}  // namespace
}  // namespace qfjs_v8test
