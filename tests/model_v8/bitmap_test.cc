// The Bitmap class: accessors, pixel positions under the clip option,
// SetPixel and palette methods, Overlay, Resize, Clip and Duplicate, each
// checked against the host calls it makes.
#include <string>

#include "tests/model_v8/v8_fixture.h"

namespace qfjs_v8test {
namespace {

using qfhost::PixelFormat;
using qfhost::Rgba;

// A throwing conversion: any member that converts it must end with 'bomb'.
constexpr char kBitmaps[] = R"JS(
const rgba = SourcePicture.GetLayer(0).Bitmap;
const rgb = SourcePicture.GetLayer(1).Bitmap;
const idx = SourcePicture.GetLayer(2).Bitmap;
const bomb = { valueOf() { throw 'bomb'; }, toString() { throw 'bomb'; } };
)JS";

class BitmapTest : public V8ModelTest {
protected:
    void SetUp() override {
        rgba_ = NewBitmap(10, 10, PixelFormat::kRgba32);
        rgb_ = NewBitmap(10, 10, PixelFormat::kRgb24);
        index_ = NewBitmap(10, 10, PixelFormat::kIndex8, 16);
        picture_ = factory_.NewLayerPicture(10, 10);
        for (qfhost::Bitmap* b : {rgba_, rgb_, index_}) {
            ASSERT_TRUE(picture_->AppendLayer(factory_.NewBitmapLayer("layer", b)));
        }
        SetSource(picture_);
    }

    // Bitmap calls of `bitmap` for a position check under clipping: width,
    // then height.
    Calls Clipped(const IQFObject* bitmap, const std::string& call) {
        return {At(bitmap, "GetWidth()"), At(bitmap, "GetHeight()"), At(bitmap, call)};
    }

    qfhost::Bitmap* rgba_ = nullptr;
    qfhost::Bitmap* rgb_ = nullptr;
    qfhost::Bitmap* index_ = nullptr;
    qfhost::Picture* picture_ = nullptr;
};

TEST_F(BitmapTest, AccessorsAskTheHostOnEveryRead) {
    Run(std::string(kBitmaps) + R"JS(
      probe('width', () => rgba.Width);
      probe('height', () => rgba.Height);
      probe('pixel type', () => idx.PixelType);
      probe('palette count', () => idx.PaletteCount);
      probe('index colour', () => idx.IsIndexColor);
      probe('direct colour', () => rgba.IsIndexColor);
      probe('alpha', () => rgba.HasAlpha);
      probe('no alpha', () => rgb.HasAlpha);
      const again = SourcePicture.GetLayer(0).Bitmap;
      again.SetPixel(2, 3, 7, 8, 9);
      probe('shared host bitmap', () => rgba.GetPixelG(2, 3));
    )JS");
    Check("width", "10", {At(rgba_, "GetWidth()")});
    Check("height", "10", {At(rgba_, "GetHeight()")});
    Check("pixel type", "\"INDEX8\"", {At(index_, "GetPixelType()")});
    Check("palette count", "16", {At(index_, "GetPaletteCount()")});
    Check("index colour", "true", {At(index_, "IsIndexColor()")});
    Check("direct colour", "false", {At(rgba_, "IsIndexColor()")});
    Check("alpha", "true", {At(rgba_, "HasAlpha()")});
    Check("no alpha", "false", {At(rgb_, "HasAlpha()")});
    Check("shared host bitmap", "8", Clipped(rgba_, "GetPixelG(2,3)"));
}

TEST_F(BitmapTest, AssignmentsPassConvertedValuesUnchecked) {
    Run(std::string(kBitmaps) + R"JS(
      probe('palette count', () => { idx.PaletteCount = '12.7'; });
      probe('palette count wraps', () => { idx.PaletteCount = 2 ** 32 + 5; });
      probe('alpha on', () => { rgb.HasAlpha = 1; });
      probe('alpha off', () => { idx.HasAlpha = ''; });
      probe('index colour', () => { rgba.IsIndexColor = {}; });
    )JS");
    Check("palette count", "undefined", {At(index_, "SetPaletteCount(12)")});
    Check("palette count wraps", "undefined", {At(index_, "SetPaletteCount(5)")});
    Check("alpha on", "undefined", {At(rgb_, "SetHasAlpha(true)")});
    Check("alpha off", "undefined", {At(index_, "SetHasAlpha(false)")});
    Check("index colour", "undefined", {At(rgba_, "SetIndexColor(true)")});
    EXPECT_EQ(index_->palette_count(), 5);
    EXPECT_TRUE(rgb_->has_alpha());
    EXPECT_TRUE(rgba_->is_index());
}

// With the option on (the default for a new context) a position outside
// moves to the nearest edge pixel, each coordinate on its own; integer
// arguments wrap like ToInt32 first.
TEST_F(BitmapTest, PositionsAreClippedToTheBitmapByDefault) {
    Run(std::string(kBitmaps) + R"JS(
      probe('left of', () => rgba.GetPixelR(-5, 2));
      probe('below and right', () => rgba.GetPixel(12, 15));
      const pixel = rgba.GetPixel(12, 15);
      probe('pixel reads clipped position', () => pixel.R);
      probe('set clipped', () => rgba.SetPixel(10, -3, 50, 60, 70));
      probe('index clipped', () => idx.GetPixelI(-1, 99));
      probe('wrapped and NaN', () => rgba.GetPixelG(2 ** 32 + 5, NaN));
      probe('infinity and minus zero', () => rgba.GetPixelB(Infinity, -0));
      probe('int32 extremes', () => rgba.GetPixelA(-(2 ** 31), 2 ** 31));
      probe('numeric strings', () => rgba.GetPixelR('3', '4.9'));
    )JS");
    Check("left of", "0", Clipped(rgba_, "GetPixelR(0,2)"));
    Check("below and right", "[ColorObject]", {At(rgba_, "GetWidth()"), At(rgba_, "GetHeight()")});
    Check("pixel reads clipped position", "0", {At(rgba_, "GetPixelR(9,9)")});
    Check("set clipped", "true", Clipped(rgba_, "SetPixel(9,0,r=50,g=60,b=70)"));
    Check("index clipped", "0",
          {At(index_, "IsIndexColor()"), At(index_, "GetWidth()"), At(index_, "GetHeight()"),
           At(index_, "GetPixelI(0,9)")});
    Check("wrapped and NaN", "0", Clipped(rgba_, "GetPixelG(5,0)"));
    Check("infinity and minus zero", "0", Clipped(rgba_, "GetPixelB(0,0)"));
    Check("int32 extremes", "0", Clipped(rgba_, "GetPixelA(0,0)"));
    Check("numeric strings", "0", Clipped(rgba_, "GetPixelR(3,4)"));
    EXPECT_EQ(rgba_->PixelColor(9, 0), (Rgba{50, 60, 70, 0}));
}

// With the option off a position outside is rejected, testing x < 0,
// y < 0, x >= width, y >= height in that order; the option stays off for
// later executions of the same context until a script turns it on again.
TEST_F(BitmapTest, ClipOptionOffRejectsPositionsOutsideAndPersists) {
    Run(std::string(kBitmaps) + R"JS(
      System.SetOption('Bitmap.GetPixel.Clip', false);
      probe('negative x', () => rgba.GetPixelR(-5, 2));
      probe('negative y', () => rgba.GetPixelR(5, -2));
      probe('x too large', () => rgba.GetPixel(12, 15));
      probe('y too large', () => rgba.GetPixel(5, 15));
      probe('set rejected', () => rgba.SetPixel(10, 0, 1));
      probe('channels not converted when rejected', () => rgba.SetPixel(-1, 0, bomb, bomb, bomb));
      probe('inside', () => rgba.GetPixelR(9, 9));
      probe('index outside', () => idx.GetPixelI(0, -1));
      probe('palette entry ignores the option', () => idx.GetPaletteEntry(99));
    )JS");
    Check("negative x", "null", {});
    Check("negative y", "null", {});
    Check("x too large", "null", {At(rgba_, "GetWidth()")});
    Check("y too large", "null", {At(rgba_, "GetWidth()"), At(rgba_, "GetHeight()")});
    Check("set rejected", "false", {At(rgba_, "GetWidth()")});
    Check("channels not converted when rejected", "false", {});
    Check("inside", "0", Clipped(rgba_, "GetPixelR(9,9)"));
    Check("index outside", "null", {At(index_, "IsIndexColor()")});
    Check("palette entry ignores the option", "[ColorObject]", {});

    Run(std::string(kBitmaps) + R"JS(
      probe('still off', () => rgba.GetPixelR(-5, 2));
      System.SetOption('Bitmap.GetPixel.Clip', 1);
      probe('on again', () => rgba.GetPixelR(-5, 2));
    )JS");
    Check("still off", "null", {});
    Check("on again", "0", Clipped(rgba_, "GetPixelR(0,2)"));
}

// SetPixel by argument count: 3 an index, 5 R G B, 6 R G B A; fewer than 3,
// 4 and more than 6 are refused (4 and 7 after the position was checked).
TEST_F(BitmapTest, SetPixelPassesExactlyTheChannelsGiven) {
    Run(std::string(kBitmaps) + R"JS(
      probe('none', () => rgba.SetPixel());
      probe('position only', () => rgba.SetPixel(1, 1));
      probe('index', () => idx.SetPixel(1, 2, '3.9'));
      probe('two channels', () => rgba.SetPixel(1, 2, 10, 20));
      probe('rgb', () => rgba.SetPixel(1, 2, 10, 20, '30.5'));
      probe('rgba', () => rgba.SetPixel(3, 4, 10, 20, 30, 40));
      probe('too many', () => rgba.SetPixel(3, 4, 1, 2, 3, 4, 5));
      probe('index read back', () => idx.GetPixelI(1, 2));
    )JS");
    Check("none", "false", {});
    Check("position only", "false", {});
    Check("index", "true", Clipped(index_, "SetPixel(1,2,i=3)"));
    Check("two channels", "false", {At(rgba_, "GetWidth()"), At(rgba_, "GetHeight()")});
    Check("rgb", "true", Clipped(rgba_, "SetPixel(1,2,r=10,g=20,b=30.5)"));
    Check("rgba", "true", Clipped(rgba_, "SetPixel(3,4,r=10,g=20,b=30,a=40)"));
    Check("too many", "false", {At(rgba_, "GetWidth()"), At(rgba_, "GetHeight()")});
    Check("index read back", "3",
          {At(index_, "IsIndexColor()"), At(index_, "GetWidth()"), At(index_, "GetHeight()"),
           At(index_, "GetPixelI(1,2)")});
    EXPECT_EQ(rgba_->PixelColor(1, 2), (Rgba{10, 20, 31, 0}));
    EXPECT_EQ(rgba_->PixelColor(3, 4), (Rgba{10, 20, 30, 40}));
    EXPECT_EQ(index_->PixelIndex(1, 2), 3);
}

// The index-colour test comes before anything else: on a direct-colour
// bitmap no argument is converted (a throwing one does not throw).
TEST_F(BitmapTest, IndexOnlyMethodsOnDirectColourConvertNoArgument) {
    Run(std::string(kBitmaps) + R"JS(
      probe('GetPixelI', () => rgba.GetPixelI(bomb, bomb));
      probe('GetPixelI without arguments', () => rgb.GetPixelI());
      probe('SetPaletteEntry', () => rgba.SetPaletteEntry(bomb, bomb, bomb, bomb, bomb));
      probe('SetPaletteEntry without arguments', () => rgb.SetPaletteEntry());
    )JS");
    Check("GetPixelI", "null", {At(rgba_, "IsIndexColor()")});
    Check("GetPixelI without arguments", "null", {At(rgb_, "IsIndexColor()")});
    Check("SetPaletteEntry", "false", {At(rgba_, "IsIndexColor()")});
    Check("SetPaletteEntry without arguments", "false", {At(rgb_, "IsIndexColor()")});
}

TEST_F(BitmapTest, SetPaletteEntryWritesThreeOrFourChannels) {
    Run(std::string(kBitmaps) + R"JS(
      probe('too few', () => idx.SetPaletteEntry(1, 2, 3));
      probe('rgb', () => idx.SetPaletteEntry(2, 10.9, '20', 30));
      probe('rgba', () => idx.SetPaletteEntry(3, 1, 2, 3, 4, 'ignored'));
      probe('index beyond the palette', () => idx.SetPaletteEntry(300, 1, 2, 3));
    )JS");
    Check("too few", "false", {At(index_, "IsIndexColor()")});
    Check("rgb", "true",
          {At(index_, "IsIndexColor()"), At(index_, "SetPaletteR(2,10)"), At(index_, "SetPaletteG(2,20)"),
           At(index_, "SetPaletteB(2,30)")});
    Check("rgba", "true",
          {At(index_, "IsIndexColor()"), At(index_, "SetPaletteR(3,1)"), At(index_, "SetPaletteG(3,2)"),
           At(index_, "SetPaletteB(3,3)"), At(index_, "SetPaletteA(3,4)")});
    Check("index beyond the palette", "true",
          {At(index_, "IsIndexColor()"), At(index_, "SetPaletteR(300,1)"), At(index_, "SetPaletteG(300,2)"),
           At(index_, "SetPaletteB(300,3)")});
    EXPECT_EQ(index_->PaletteColor(2), (Rgba{10, 20, 30, 255}));
}

// Palette entries are handed out for any index, also beyond the palette
// and on direct-colour bitmaps; what they read is the host's answer.
TEST_F(BitmapTest, PaletteEntriesBeyondThePaletteStillExist) {
    Run(std::string(kBitmaps) + R"JS(
      probe('entry 1000', () => idx.GetPaletteEntry(1000));
      const e1000 = idx.GetPaletteEntry(1000);
      probe('entry 1000 R', () => e1000.R);
      probe('no index', () => idx.GetPaletteEntry());
      probe('numeric string', () => idx.GetPaletteEntry('5').G);
      probe('negative', () => idx.GetPaletteEntry(-1).B);
      probe('direct colour', () => rgba.GetPaletteEntry(2).R);
    )JS");
    Check("entry 1000", "[ColorObject]", {});
    Check("entry 1000 R", "0", {At(index_, "GetPaletteR(1000)")});
    Check("no index", "null", {});
    Check("numeric string", "85", {At(index_, "GetPaletteG(5)")});
    Check("negative", "0", {At(index_, "GetPaletteB(-1)")});
    Check("direct colour", "0", {At(rgba_, "GetPaletteR(2)")});
}

TEST_F(BitmapTest, OverlayTakesAPictureOrABitmapAndNothingElse) {
    qfhost::Bitmap* red = NewBitmap(2, 2, PixelFormat::kRgb24);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) red->SetPixelColor(x, y, Rgba{255, 0, 0, 255});
    }
    qfhost::Picture* single = factory_.NewSinglePicture(red);
    SetTarget(single);
    Run(std::string(kBitmaps) + R"JS(
      const small = ResultPicture.Bitmap, layer = SourcePicture.GetLayer(0);
      probe('picture', () => rgb.Overlay(ResultPicture, 3, 4));
      probe('bitmap', () => rgb.Overlay(small, '7.5', 0, 'ignored'));
      probe('number', () => rgb.Overlay(5, 0, 0));
      probe('layer', () => rgb.Overlay(layer, 0, 0));
      probe('null', () => rgb.Overlay(null, 0, 0));
      probe('position converted before the source', () => rgb.Overlay(null, bomb, 0));
      probe('too few', () => rgb.Overlay(small, 0));
    )JS");
    Check("picture", "true", {At(single, "GetBitmap()"), At(rgb_, "Overlay(" + L(red) + ",3,4)")});
    Check("bitmap", "true", {At(rgb_, "Overlay(" + L(red) + ",7,0)")});
    Check("number", "false", {});
    Check("layer", "false", {});
    Check("null", "throws TypeError: Cannot convert undefined or null to object", {});
    Check("position converted before the source", "throws \"bomb\"", {});
    Check("too few", "false", {});
    EXPECT_EQ(rgb_->PixelColor(3, 4), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(rgb_->PixelColor(4, 5), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(rgb_->PixelColor(5, 6), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(rgb_->PixelColor(8, 1), (Rgba{255, 0, 0, 255}));
}

// The method text is the script's third argument as text (so undefined
// passes "undefined"), or empty when absent; the bitmap itself stays.
TEST_F(BitmapTest, ResizePassesTheMethodText) {
    Run(std::string(kBitmaps) + R"JS(
      probe('no method', () => rgba.Resize(5, 4));
      const r = rgba.Resize(5, 4);
      probe('new size', () => r.Width + 'x' + r.Height);
      probe('undefined method', () => rgba.Resize(5, 4, undefined));
      probe('named method', () => rgba.Resize('6.9', 3, 'NEAREST'));
      probe('refused size', () => rgba.Resize(-0, 3, 'box'));
      probe('text cut at NUL', () => rgba.Resize(3, 3, 'near\0est'));
      probe('too few', () => rgba.Resize(5));
      probe('unchanged', () => rgba.Width + 'x' + rgba.Height);
    )JS");
    Check("no method", "[Bitmap]", {At(rgba_, "Resize(5,4,\"\")")});
    EXPECT_EQ(Value("new size"), "\"5x4\"");
    Check("undefined method", "null", {At(rgba_, "Resize(5,4,\"undefined\")")});
    Check("named method", "[Bitmap]", {At(rgba_, "Resize(6,3,\"NEAREST\")")});
    Check("refused size", "null", {At(rgba_, "Resize(0,3,\"box\")")});
    Check("text cut at NUL", "null", {At(rgba_, "Resize(3,3,\"near\")")});
    Check("too few", "null", {});
    EXPECT_EQ(Value("unchanged"), "\"10x10\"");
}

TEST_F(BitmapTest, ClipPassesFourValuesInOrder) {
    rgba_->SetPixelColor(2, 3, Rgba{1, 2, 3, 4});
    Run(std::string(kBitmaps) + R"JS(
      probe('clip', () => rgba.Clip(1, 2, 3, 4));
      const c = rgba.Clip(2, 3, '4.5', 5, 'ignored');
      probe('clip size', () => c.Width + 'x' + c.Height);
      probe('clip content', () => [c.GetPixelR(0, 0), c.GetPixelA(0, 0)].join());
      probe('refused region', () => rgba.Clip(20, 20, 2, 2));
      probe('too few', () => rgba.Clip(1, 2, 3));
      probe('unchanged', () => rgba.Width);
    )JS");
    Check("clip", "[Bitmap]", {At(rgba_, "Clip(1,2,3,4)")});
    EXPECT_EQ(Value("clip size"), "\"4x5\"");
    EXPECT_EQ(Value("clip content"), "\"1,4\"");
    Check("refused region", "null", {At(rgba_, "Clip(20,20,2,2)")});
    Check("too few", "null", {});
    EXPECT_EQ(Value("unchanged"), "10");
}

TEST_F(BitmapTest, DuplicateIsAnIndependentCopy) {
    rgba_->SetPixelColor(0, 0, Rgba{9, 9, 9, 9});
    Run(std::string(kBitmaps) + R"JS(
      probe('duplicate', () => rgba.Duplicate('ignored'));
      const d = rgba.Duplicate();
      probe('same size', () => d.Width === rgba.Width && d.Height === rgba.Height);
      probe('equal before', () => rgba.Equals(d));
      d.SetPixel(0, 0, 255, 0, 0, 255);
      probe('original pixel', () => rgba.GetPixelR(0, 0));
      probe('copy pixel', () => d.GetPixelR(0, 0));
      probe('equal after', () => rgba.Equals(d));
    )JS");
    ASSERT_EQ(Probe("duplicate").calls.size(), 1u);
    EXPECT_EQ(Value("duplicate"), "[Bitmap]");
    EXPECT_EQ(CallsOf("duplicate"), (Calls{At(rgba_, "Duplicate()")}));
    EXPECT_EQ(Value("same size"), "true");
    EXPECT_EQ(Value("equal before"), "true");
    EXPECT_EQ(Value("original pixel"), "9");
    EXPECT_EQ(Value("copy pixel"), "255");
    EXPECT_EQ(Value("equal after"), "false");
    EXPECT_EQ(rgba_->PixelColor(0, 0), (Rgba{9, 9, 9, 9}));
}

}  // namespace
}  // namespace qfjs_v8test
