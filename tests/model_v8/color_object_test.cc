// ColorObject: live views of a pixel or a palette entry, detached colour
// values from the document, their conversions, and Equals of each kind with
// the host calls in their comparison order.
#include <limits>
#include <string>
#include <vector>

#include "tests/model_v8/v8_fixture.h"

namespace qfjs_v8test {
namespace {

using qfhost::PixelFormat;
using qfhost::Rgba;

class ColorObjectTest : public V8ModelTest {
protected:
    // Layers of the source picture, in this order: an RGBA 10x10 bitmap, an
    // index bitmap with 16 entries and more bitmaps added by a test.
    void SetUp() override {
        rgba_ = NewBitmap(10, 10, PixelFormat::kRgba32);
        index_ = NewBitmap(10, 10, PixelFormat::kIndex8, 16);
        picture_ = factory_.NewLayerPicture(10, 10);
        AddLayer(rgba_);
        AddLayer(index_);
        document_ = factory_.NewDocument("doc.png");
        document_->set_current_color(qfhost::DocumentColor{1, 0.5, 0, 1, 3});
        SetSource(picture_);
        SetDocument(document_);
    }
    void AddLayer(qfhost::Bitmap* bitmap) {
        ASSERT_TRUE(picture_->AppendLayer(factory_.NewBitmapLayer("layer", bitmap)));
    }
    // "const <name> = SourcePicture.GetLayer(i).Bitmap;" for each name.
    static std::string Bitmaps(std::initializer_list<const char*> names) {
        std::string script;
        int i = 0;
        for (const char* name : names) {
            script += std::string("const ") + name + " = SourcePicture.GetLayer(" + std::to_string(i++) + ").Bitmap;\n";
        }
        return script;
    }

    qfhost::Bitmap* rgba_ = nullptr;
    qfhost::Bitmap* index_ = nullptr;
    qfhost::Picture* picture_ = nullptr;
    qfhost::Document* document_ = nullptr;
};

TEST_F(ColorObjectTest, PixelIsALiveViewOfTheBitmap) {
    Run(Bitmaps({"bmp", "idx"}) + R"JS(
      const c = bmp.GetPixel(1, 1);
      bmp.SetPixel(1, 1, 10, 20, 30, 40);
      probe('R', () => c.R);
      probe('G', () => c.G);
      probe('B', () => c.B);
      probe('A', () => c.A);
      probe('I', () => c.I);
      probe('set R', () => { c.R = 200.7; });
      probe('set G', () => { c.G = '12.5'; });
      probe('set B', () => { c.B = NaN; });
      probe('set A', () => { c.A = -3; });
      probe('set I', () => { c.I = 3.9; });
      probe('seen through the bitmap', () => bmp.GetPixelR(1, 1));
    )JS");
    const std::string p = L(rgba_);
    Check("R", "10", {p + ".GetPixelR(1,1)"});
    Check("G", "20", {p + ".GetPixelG(1,1)"});
    Check("B", "30", {p + ".GetPixelB(1,1)"});
    Check("A", "40", {p + ".GetPixelA(1,1)"});
    Check("I", "0", {p + ".GetPixelI(1,1)"});
    Check("set R", "undefined", {p + ".SetPixelR(1,1,200.7)"});
    Check("set G", "undefined", {p + ".SetPixelG(1,1,12.5)"});
    Check("set B", "undefined", {p + ".SetPixelB(1,1,nan)"});
    Check("set A", "undefined", {p + ".SetPixelA(1,1,-3)"});
    Check("set I", "undefined", {p + ".SetPixelI(1,1,3)"});
    EXPECT_EQ(Value("seen through the bitmap"), "201");
    EXPECT_EQ(rgba_->PixelColor(1, 1), (Rgba{201, 13, 0, 0}));
}

// The position is fixed when the pixel object is made (after clipping);
// turning the option off later changes nothing about where it reads and
// writes, and it never asks for the size again.
TEST_F(ColorObjectTest, PixelKeepsItsClippedPositionWhateverTheOptionSaysLater) {
    Run(Bitmaps({"bmp"}) + R"JS(
      const c = bmp.GetPixel(50, 50);
      System.SetOption('Bitmap.GetPixel.Clip', false);
      probe('write', () => { c.R = 77; });
      probe('read', () => c.R);
      probe('direct read refused now', () => bmp.GetPixelR(50, 50));
    )JS");
    Check("write", "undefined", {At(rgba_, "SetPixelR(9,9,77)")});
    Check("read", "77", {At(rgba_, "GetPixelR(9,9)")});
    Check("direct read refused now", "null", {At(rgba_, "GetWidth()")});
    EXPECT_EQ(rgba_->PixelColor(9, 9).r, 77);
}

TEST_F(ColorObjectTest, PaletteEntryReadsIntegersAndHasNoIndex) {
    Run(Bitmaps({"bmp", "idx"}) + R"JS(
      const e = idx.GetPaletteEntry(3);
      probe('I', () => e.I);
      probe('set I', () => { e.I = 5; });
      probe('set R', () => { e.R = 200.7; });
      probe('R', () => e.R);
      probe('G', () => e.G);
      probe('A without alpha', () => e.A);
    )JS");
    const std::string p = L(index_);
    Check("I", "null", {});
    Check("set I", "undefined", {});
    Check("set R", "undefined", {p + ".SetPaletteR(3,200)"});
    Check("R", "200", {p + ".GetPaletteR(3)"});
    Check("G", "51", {p + ".GetPaletteG(3)"});
    Check("A without alpha", "255", {p + ".GetPaletteA(3)"});
}

// Integer channels go through a 64-bit integer (fraction dropped toward
// zero, NaN 0, saturated at the 64-bit limits) narrowed to its low 32 bits.
TEST_F(ColorObjectTest, IntegerChannelsNarrowA64BitConversion) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"2 ** 32 + 5", "5"},   {"-1.9", "-1"},   {"NaN", "0"},          {"1e30", "-1"},
        {"-1e30", "0"},         {"Infinity", "-1"}, {"-Infinity", "0"},  {"2 ** 31", "-2147483648"},
        {"'7'", "7"},           {"true", "1"},    {"null", "0"},         {"undefined", "0"},
        {"[]", "0"},            {"-0", "0"},
    };
    std::string script = Bitmaps({"bmp", "idx"}) + "const e = idx.GetPaletteEntry(3), c = idx.GetPixel(2, 2);\n";
    for (const auto& [value, expected] : cases) {
        script += "probe(" + Js("entry " + value) + ", () => { e.G = " + value + "; });\n";
        script += "probe(" + Js("pixel " + value) + ", () => { c.I = " + value + "; });\n";
    }
    Run(script);
    for (const auto& [value, expected] : cases) {
        Check("entry " + value, "undefined", {At(index_, "SetPaletteG(3," + expected + ")")});
        Check("pixel " + value, "undefined", {At(index_, "SetPixelI(2,2," + expected + ")")});
    }
}

// A detached colour holds the document's colour as it was read; it never
// calls the host again and ignores assignments.
TEST_F(ColorObjectTest, DocumentColourIsADetachedValueReadOnce) {
    hooks_["change colour"] = [this] { document_->set_current_color(qfhost::DocumentColor{5, 6, 7, 8, 9}); };
    Run(R"JS(
      const c = Document.CurrentColor;
      hook('change colour');
      probe('kept the old value', () => c.G);
      probe('new read', () => Document.CurrentColor.G);
    )JS");
    Check("kept the old value", "0.5", {});
    Check("new read", "6", {At(document_, "GetCurrentColor()")});
}

TEST_F(ColorObjectTest, DocumentColourChannelsAndAssignments) {
    Run(R"JS(
      probe('colour', () => Document.CurrentColor);
      const c = Document.CurrentColor;
      probe('channels', () => [c.R, c.G, c.B, c.A, c.I].join());
      probe('assign', () => { c.R = 9; c.I = 7; c.A = 0; });
      probe('unchanged', () => [c.R, c.G, c.B, c.A, c.I].join());
    )JS");
    Check("colour", "[ColorObject]", {At(document_, "GetCurrentColor()")});
    Check("channels", "\"1,0.5,0,1,3\"", {});
    Check("assign", "undefined", {});
    Check("unchanged", "\"1,0.5,0,1,3\"", {});
}

TEST_F(ColorObjectTest, EqualsArgumentRules) {
    Run(Bitmaps({"bmp", "idx"}) + R"JS(
      const c = bmp.GetPixel(0, 0), e = idx.GetPaletteEntry(0), v = Document.CurrentColor;
      probe('no argument', () => c.Equals());
      probe('number', () => c.Equals(5));
      probe('bitmap', () => c.Equals(bmp));
      probe('named like it', () => c.Equals({ constructor: { name: 'ColorObject' } }));
      probe('null', () => c.Equals(null));
      probe('undefined', () => v.Equals(undefined));
      probe('pixel and palette entry', () => c.Equals(e));
      probe('palette entry and pixel', () => e.Equals(c));
      probe('pixel and value', () => c.Equals(v));
      probe('value and palette entry', () => v.Equals(e));
    )JS");
    Check("no argument", "false", {});
    Check("number", "false", {});
    Check("bitmap", "false", {});
    Check("named like it", "false", {});
    Check("null", "throws TypeError: Cannot convert undefined or null to object", {});
    Check("undefined", "throws TypeError: Cannot convert undefined or null to object", {});
    // Kinds differ: false before any channel is read.
    Check("pixel and palette entry", "false", {});
    Check("palette entry and pixel", "false", {});
    Check("pixel and value", "false", {});
    Check("value and palette entry", "false", {});
}

// Detached colours compare R, G, B, A as doubles (NaN equals nothing), then
// I; no host call.
TEST_F(ColorObjectTest, EqualsOfDetachedColours) {
    hooks_["index 4"] = [this] { document_->set_current_color(qfhost::DocumentColor{1, 0.5, 0, 1, 4}); };
    hooks_["alpha 2"] = [this] { document_->set_current_color(qfhost::DocumentColor{1, 0.5, 0, 2, 4}); };
    hooks_["nan"] = [this] {
        document_->set_current_color(qfhost::DocumentColor{std::numeric_limits<double>::quiet_NaN(), 0, 0, 0, 0});
    };
    Run(R"JS(
      const a = Document.CurrentColor, b = Document.CurrentColor;
      hook('index 4');
      const c = Document.CurrentColor;
      hook('alpha 2');
      const d = Document.CurrentColor;
      hook('nan');
      const n = Document.CurrentColor;
      probe('same values', () => a.Equals(b));
      probe('different index', () => a.Equals(c));
      probe('different alpha', () => c.Equals(d));
      probe('NaN', () => n.Equals(n));
    )JS");
    Check("same values", "true", {});
    Check("different index", "false", {});
    Check("different alpha", "false", {});
    Check("NaN", "false", {});
}

// Palette entries: R, G, B of this then the other entry, each pair in turn,
// stopping at the first difference; then both alpha flags; A only when this
// bitmap has alpha.
TEST_F(ColorObjectTest, EqualsOfPaletteEntriesInComparisonOrder) {
    qfhost::Bitmap* other = NewBitmap(2, 2, PixelFormat::kIndex8, 8);
    qfhost::Bitmap* alphaA = NewBitmap(2, 2, PixelFormat::kIndex8, 8);
    qfhost::Bitmap* alphaB = NewBitmap(2, 2, PixelFormat::kIndex8, 8);
    alphaA->ChangeAlpha(true);
    alphaB->ChangeAlpha(true);
    index_->SetPaletteColor(1, Rgba{10, 20, 30, 255});
    index_->SetPaletteColor(4, Rgba{10, 20, 31, 255});
    other->SetPaletteColor(2, Rgba{10, 20, 30, 255});
    alphaA->SetPaletteColor(1, Rgba{10, 20, 30, 100});
    alphaB->SetPaletteColor(1, Rgba{10, 20, 30, 200});
    AddLayer(other);
    AddLayer(alphaA);
    AddLayer(alphaB);
    Run(Bitmaps({"bmp", "idx", "other", "alphaA", "alphaB"}) + R"JS(
      probe('equal', () => idx.GetPaletteEntry(1).Equals(other.GetPaletteEntry(2)));
      probe('R differs', () => idx.GetPaletteEntry(0).Equals(other.GetPaletteEntry(2)));
      probe('B differs', () => idx.GetPaletteEntry(4).Equals(other.GetPaletteEntry(2)));
      probe('alpha flag differs', () => idx.GetPaletteEntry(1).Equals(alphaA.GetPaletteEntry(1)));
      probe('A differs', () => alphaA.GetPaletteEntry(1).Equals(alphaB.GetPaletteEntry(1)));
    )JS");
    const std::string a = L(index_), b = L(other);
    Check("equal", "true",
          {a + ".GetPaletteR(1)", b + ".GetPaletteR(2)", a + ".GetPaletteG(1)", b + ".GetPaletteG(2)",
           a + ".GetPaletteB(1)", b + ".GetPaletteB(2)", a + ".HasAlpha()", b + ".HasAlpha()"});
    Check("R differs", "false", {a + ".GetPaletteR(0)", b + ".GetPaletteR(2)"});
    Check("B differs", "false",
          {a + ".GetPaletteR(4)", b + ".GetPaletteR(2)", a + ".GetPaletteG(4)", b + ".GetPaletteG(2)",
           a + ".GetPaletteB(4)", b + ".GetPaletteB(2)"});
    const std::string c = L(alphaA), d = L(alphaB);
    Check("alpha flag differs", "false",
          {a + ".GetPaletteR(1)", c + ".GetPaletteR(1)", a + ".GetPaletteG(1)", c + ".GetPaletteG(1)",
           a + ".GetPaletteB(1)", c + ".GetPaletteB(1)", a + ".HasAlpha()", c + ".HasAlpha()"});
    Check("A differs", "false",
          {c + ".GetPaletteR(1)", d + ".GetPaletteR(1)", c + ".GetPaletteG(1)", d + ".GetPaletteG(1)",
           c + ".GetPaletteB(1)", d + ".GetPaletteB(1)", c + ".HasAlpha()", d + ".HasAlpha()",
           c + ".GetPaletteA(1)", d + ".GetPaletteA(1)"});
}

// Pixels: R, G, B pairs; the index-colour flags, I only when this bitmap is
// index colour; the alpha flags, A only when this bitmap has alpha.
TEST_F(ColorObjectTest, EqualsOfPixelsInComparisonOrder) {
    qfhost::Bitmap* rgba2 = NewBitmap(4, 4, PixelFormat::kRgba32);
    qfhost::Bitmap* rgb = NewBitmap(4, 4, PixelFormat::kRgb24);
    index_->SetPaletteColor(1, Rgba{10, 20, 30, 255});
    index_->SetPaletteColor(2, Rgba{10, 20, 30, 255});
    index_->SetPixelIndex(0, 0, 1);
    index_->SetPixelIndex(1, 0, 2);
    rgba_->SetPixelColor(0, 0, Rgba{10, 20, 30, 40});
    rgba_->SetPixelColor(1, 0, Rgba{10, 20, 30, 41});
    rgba_->SetPixelColor(2, 0, Rgba{11, 20, 30, 40});
    rgba2->SetPixelColor(3, 3, Rgba{10, 20, 30, 40});
    rgb->SetPixelColor(0, 0, Rgba{10, 20, 30, 255});
    AddLayer(rgba2);
    AddLayer(rgb);
    Run(Bitmaps({"bmp", "idx", "bmp2", "rgb"}) + R"JS(
      probe('same colour other place', () => bmp.GetPixel(0, 0).Equals(bmp2.GetPixel(3, 3)));
      probe('R differs', () => bmp.GetPixel(2, 0).Equals(bmp2.GetPixel(3, 3)));
      probe('A differs', () => bmp.GetPixel(1, 0).Equals(bmp2.GetPixel(3, 3)));
      probe('indices differ', () => idx.GetPixel(0, 0).Equals(idx.GetPixel(1, 0)));
      probe('index and direct', () => idx.GetPixel(0, 0).Equals(rgb.GetPixel(0, 0)));
      probe('alpha flag differs', () => rgb.GetPixel(0, 0).Equals(bmp.GetPixel(0, 0)));
    )JS");
    // GetPixel itself asks for the size (clipping); the comparison follows.
    auto rgbPairs = [](const std::string& a, const std::string& pa, const std::string& b, const std::string& pb) {
        return Calls{a + ".GetPixelR(" + pa + ")", b + ".GetPixelR(" + pb + ")", a + ".GetPixelG(" + pa + ")",
                     b + ".GetPixelG(" + pb + ")", a + ".GetPixelB(" + pa + ")", b + ".GetPixelB(" + pb + ")"};
    };
    auto sized = [](const std::string& a, const std::string& b, Calls rest) {
        Calls calls = {a + ".GetWidth()", a + ".GetHeight()", b + ".GetWidth()", b + ".GetHeight()"};
        calls.insert(calls.end(), rest.begin(), rest.end());
        return calls;
    };
    const std::string p = L(rgba_), q = L(rgba2), i = L(index_), r = L(rgb);
    Calls same = rgbPairs(p, "0,0", q, "3,3");
    same.insert(same.end(), {p + ".IsIndexColor()", q + ".IsIndexColor()", p + ".HasAlpha()", q + ".HasAlpha()",
                             p + ".GetPixelA(0,0)", q + ".GetPixelA(3,3)"});
    Check("same colour other place", "true", sized(p, q, same));
    Check("R differs", "false", sized(p, q, {p + ".GetPixelR(2,0)", q + ".GetPixelR(3,3)"}));
    Calls alpha = rgbPairs(p, "1,0", q, "3,3");
    alpha.insert(alpha.end(), {p + ".IsIndexColor()", q + ".IsIndexColor()", p + ".HasAlpha()", q + ".HasAlpha()",
                               p + ".GetPixelA(1,0)", q + ".GetPixelA(3,3)"});
    Check("A differs", "false", sized(p, q, alpha));
    Calls indices = rgbPairs(i, "0,0", i, "1,0");
    indices.insert(indices.end(),
                   {i + ".IsIndexColor()", i + ".IsIndexColor()", i + ".GetPixelI(0,0)", i + ".GetPixelI(1,0)"});
    Check("indices differ", "false", sized(i, i, indices));
    Calls kinds = rgbPairs(i, "0,0", r, "0,0");
    kinds.insert(kinds.end(), {i + ".IsIndexColor()", r + ".IsIndexColor()"});
    Check("index and direct", "false", sized(i, r, kinds));
    Calls flags = rgbPairs(r, "0,0", p, "0,0");
    flags.insert(flags.end(), {r + ".IsIndexColor()", p + ".IsIndexColor()", r + ".HasAlpha()", p + ".HasAlpha()"});
    Check("alpha flag differs", "false", sized(r, p, flags));
}

}  // namespace
}  // namespace qfjs_v8test
