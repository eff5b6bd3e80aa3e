// Pixel, PaletteEntry and Color channels at 8 and 24 bits, with and without
// an alpha plane: every read and write, SetRGBA's wrapping against the
// single channels' clamping, and indices that lie outside a colour table.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/model_v7/v7_fixture.h"

namespace v7test {
namespace {

using qfjs_test::Outcome;
using qfjs_test::Request;

enum class Kind { kDirect, kDirectAlpha, kIndex, kIndexAlpha };

// "SelColor": R 12.7, G 0, B 255, A 128, I as given.
std::function<void(Request&)> SelColor(double index) {
    return [index](Request& r) {
        picojson::object color;
        color["R"] = picojson::value(12.7);
        color["G"] = picojson::value(0.0);
        color["B"] = picojson::value(255.0);
        color["A"] = picojson::value(128.0);
        color["I"] = picojson::value(index);
        r.Set("SelColor", picojson::value(color));
    };
}

struct ChannelCase {
    const char* name;
    Kind kind;
    const char* expression;  // evaluated with l, p (pixel 0, 0), e (entry 3), c (ActiveColor)
    const char* printed;

    friend void PrintTo(const ChannelCase& c, std::ostream* os) { *os << c.name; }
};

class ChannelTest : public V7Test, public ::testing::WithParamInterface<ChannelCase> {
protected:
    // A 2 x 2 layer. Direct: pixel (0, 0) is red 30, green 20, blue 10, its
    // alpha 77. Index: 16 entries, pixel (0, 0) is 3; entry 3 is red 30,
    // green 20, blue 10 with alpha 66, entry 5 red 70, green 60, blue 50 with
    // alpha 88.
    void MakeLayer(Kind kind) {
        const bool index = kind == Kind::kIndex || kind == Kind::kIndexAlpha;
        const bool alpha = kind == Kind::kDirectAlpha || kind == Kind::kIndexAlpha;
        image = host.NewBitmap(2, 2, index ? 8 : 24, 16);
        if (index) {
            *PixelOf(image, 0, 0) = 3;
            TableOf(image)[3] = RGBQUAD{10, 20, 30, 0};
            TableOf(image)[5] = RGBQUAD{50, 60, 70, 0};
        } else {
            std::uint8_t* p = PixelOf(image, 0, 0);
            p[0] = 10;
            p[1] = 20;
            p[2] = 30;
        }
        if (alpha) {
            plane = host.NewAlphaPlane(2, 2, index, 0);
            if (index) {
                TableOf(plane)[3] = RGBQUAD{66, 66, 66, 0};
                TableOf(plane)[5] = RGBQUAD{88, 88, 88, 0};
            } else {
                *PixelOf(plane, 0, 0) = 77;
            }
        }
        AddLayer(image, plane);
    }

    BITMAPINFO* image = nullptr;
    BITMAPINFO* plane = nullptr;
};

TEST_P(ChannelTest, ReadsAndWritesGoStraightToTheBytes) {
    const ChannelCase& c = GetParam();
    MakeLayer(c.kind);
    EXPECT_EQ(Printed(std::string("var l = Image.GetInLayer(0), p = l.PixelAt(0, 0), e = l.GetPaletteEntry(3),"
                                  "    c = l.ActiveColor;"
                                  "Print(String((() => { ") +
                          c.expression + " })()));",
                      SelColor(5)),
              std::string(c.printed) + "\n");
}

const ChannelCase kChannelCases[] = {
    // Pixel reads.
    {"PixelDirect", Kind::kDirect, "return [p.r, p.g, p.b, p.a, p.i]", "30,20,10,255,0"},
    {"PixelDirectAlpha", Kind::kDirectAlpha, "return [p.r, p.g, p.b, p.a, p.i]", "30,20,10,77,0"},
    {"PixelIndex", Kind::kIndex, "return [p.r, p.g, p.b, p.a, p.i]", "30,20,10,255,3"},
    {"PixelIndexAlpha", Kind::kIndexAlpha, "return [p.r, p.g, p.b, p.a, p.i]", "30,20,10,66,3"},
    // Pixel writes: single channels clamp, SetRGBA wraps.
    {"PixelChannelsClamp", Kind::kDirect, "p.r = 300; p.g = -5; p.b = '7.9'; return [p.r, p.g, p.b]", "255,0,7"},
    {"PixelWithoutAlphaIgnoresAlphaAndIndex", Kind::kDirect, "p.a = 0; p.i = 4; return [p.a, p.i, p.r]",
     "255,0,30"},
    {"PixelAlphaClamps", Kind::kDirectAlpha,
     "var r = []; for (const v of [300, -1, 128.9]) { p.a = v; r.push(p.a); } return r", "255,0,128"},
    {"PixelSetRGBAWraps", Kind::kDirectAlpha, "return [p.SetRGBA(300, -1, 256), p.r, p.g, p.b, p.a]",
     "true,44,255,0,77"},
    {"PixelSetRGBAAlphaWithFour", Kind::kDirectAlpha, "return [p.SetRGBA(1, 2, 3, 260), p.r, p.g, p.b, p.a]",
     "true,1,2,3,4"},
    {"PixelSetRGBAMissingAreZero", Kind::kDirect, "return [p.SetRGBA(5), p.r, p.g, p.b]", "true,5,0,0"},
    {"PixelSetRGBAArgumentCount", Kind::kDirect,
     "return [p.SetRGBA(), p.SetRGBA(1, 2, 3, 4, 5), p.r, p.g, p.b]", "false,false,30,20,10"},
    {"PixelSetRGBAThrowingArgumentWritesNothing", Kind::kDirect,
     "try { p.SetRGBA(1, {valueOf() { throw 'x'; }}); } catch (x) {} return [p.r, p.g]", "30,20"},
    {"IndexPixelColourBelongsToItsEntry", Kind::kIndex,
     "p.r = 99; return [p.SetRGBA(1, 2, 3, 4), p.r, p.g, p.b, e.r]", "true,30,20,10,30"},
    {"IndexPixelIndexIsLimitedByTheTable", Kind::kIndex,
     "var r = []; for (const v of [40, -2, '5', 2.7]) { p.i = v; r.push(p.i + ':' + p.r); } return r",
     "15:0,0:0,5:70,2:0"},
    {"IndexPixelAlphaBelongsToItsEntry", Kind::kIndexAlpha, "p.a = 0; return [p.a, e.a]", "66,66"},
    // PaletteEntry.
    {"Entry", Kind::kIndexAlpha, "return [e.r, e.g, e.b, e.a]", "30,20,10,66"},
    {"EntryWithoutPlane", Kind::kIndex, "e.a = 5; return [e.r, e.g, e.b, e.a]", "30,20,10,255"},
    {"EntryChannelsClamp", Kind::kIndexAlpha,
     "e.r = 300; e.g = -1; e.b = '9'; e.a = 128; return [e.r, e.g, e.b, e.a, p.r, p.a]", "255,0,9,128,255,128"},
    {"EntrySetRGBAWraps", Kind::kIndexAlpha, "return [e.SetRGBA(300, -1, 256, 257), e.r, e.g, e.b, e.a]",
     "true,44,255,0,1"},
    {"EntrySetRGBAMissingAreZero", Kind::kIndexAlpha, "return [e.SetRGBA(7), e.r, e.g, e.b, e.a]", "true,7,0,0,66"},
    {"EntrySetRGBAArgumentCount", Kind::kIndexAlpha, "return [e.SetRGBA(), e.SetRGBA(1, 2, 3, 4, 5), e.r, e.a]",
     "false,false,30,66"},
    // Color: the request's values on direct colour, entry "I" on index colour.
    {"ColorDirect", Kind::kDirect, "return [c.r, c.g, c.b, c.a, c.i]", "12.7,0,255,255,0"},
    {"ColorDirectAlpha", Kind::kDirectAlpha, "return [c.r, c.g, c.b, c.a, c.i]", "12.7,0,255,128,0"},
    {"ColorIndex", Kind::kIndex, "return [c.r, c.g, c.b, c.a, c.i]", "70,60,50,255,5"},
    {"ColorIndexAlpha", Kind::kIndexAlpha, "return [c.r, c.g, c.b, c.a, c.i]", "70,60,50,88,5"},
    {"ColorIsReadOnly", Kind::kIndexAlpha, "c.r = 1; c.i = 2; c.a = 3; return [c.r, c.i, c.a, Object.keys(c)]",
     "70,5,88,r,g,b,a,i"},
    {"ColorLooksTheEntryUpWhenRead", Kind::kIndex, "l.GetPaletteEntry(5).SetRGBA(1, 2, 3); return [c.r, c.g, c.b]",
     "1,2,3"},
};

INSTANTIATE_TEST_SUITE_P(Channels, ChannelTest, ::testing::ValuesIn(kChannelCases),
                         [](const ::testing::TestParamInfo<ChannelCase>& info) { return std::string(info.param.name); });

class OutsideTheTable : public V7Test {};

TEST_F(OutsideTheTable, ColorIndexBeyondTheTableReadsZero) {
    AddLayer(host.NewBitmap(2, 2, 8, 16), host.NewAlphaPlane(2, 2, true, 50));
    const char* script = "var c = Image.GetInLayer(0).ActiveColor; Print([c.r, c.g, c.b, c.a, c.i].join());";
    EXPECT_EQ(Printed(script, SelColor(40)), "0,0,0,0,40\n");
    EXPECT_EQ(Printed(script, SelColor(-3)), "0,0,0,0,-3\n");
    EXPECT_EQ(Printed(script, SelColor(15)), "0,0,0,50,15\n");
    EXPECT_EQ(Printed("var l = Image.CreateCopyLayer(0), c = l.ActiveColor; l.PaletteEntryCount = 2;"
                      "Print([c.r, c.a, c.i].join());",
                      SelColor(5)),
              "0,0,5\n");
}

TEST_F(OutsideTheTable, HostPixelBeyondItsTableReadsZero) {
    // The smallest block the layout allows: reading entry 255 of its
    // two-entry table would leave the block (the memory checker sees it).
    BITMAPINFO* image = host.NewBitmap(2, 1, 8, 2);
    *PixelOf(image, 0, 0) = 255;
    *PixelOf(image, 1, 0) = 1;
    TableOf(image)[1] = RGBQUAD{7, 8, 9, 0};
    AddLayer(image);
    EXPECT_EQ(Printed("var l = Image.GetInLayer(0), p = l.PixelAt(0, 0), q = l.PixelAt(1, 0);"
                      "Print([p.r, p.g, p.b, p.i, q.r, q.g, q.b].join());"),
              "0,0,0,255,9,8,7\n");
}

TEST_F(OutsideTheTable, PixelWrittenAgainstALargerTableStaysInItsOwn) {
    BITMAPINFO* image = host.NewBitmap(2, 2, 8, 16);
    AddLayer(image);
    EXPECT_EQ(Printed("var l = Image.CreateCopyLayer(0), p = l.PixelAt(0, 0);"
                      "l.PaletteEntryCount = 256; l.GetPaletteEntry(200).SetRGBA(1, 2, 3);"
                      "p.i = 200; Print([p.i, p.r, l.PixelAt(0, 0).i, l.PixelAt(0, 0).r].join());"),
              "200,0,0,0\n");
    EXPECT_EQ(*PixelOf(image, 0, 0), 200);
}

TEST_F(OutsideTheTable, EntryAfterTheLayerTurnedDirectReadsZero) {
    EXPECT_EQ(Printed("var l = Image.CreateOutLayer(0, 2, 2, true, true), e = l.GetPaletteEntry(9);"
                      "e.SetRGBA(1, 2, 3, 4); var before = [e.r, e.g, e.b, e.a].join();"
                      "Image.CreateOutLayer(0, 2, 2, true); e.r = 5; e.a = 6;"
                      "Print(before, ' ', [e.r, e.g, e.b, e.a, e.SetRGBA(1, 2, 3, 4)].join(), ' ', l.PixelAt(0, 0).a);"),
              "1,2,3,4 0,0,0,0,true 255\n");
}

// A whole 1000 x 1000 direct-colour layer inverted pixel by pixel through
// PixelAt, the way version 7 scripts work.
TEST(Inversion, EveryPixelOfALargeLayer) {
    constexpr int kSize = 1000;
    V7TestHost host;
    BITMAPINFO* image = host.NewBitmap(kSize, kSize, 24);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            std::uint8_t* p = PixelOf(image, x, y);
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = static_cast<std::uint8_t>(x ^ y);
        }
    }
    V7TestHost::Layer layer;
    layer.image = image;
    host.layers.push_back(layer);
    {
        qfjs_test::ScriptContext context;
        const Outcome outcome = context.Run(
            "var l = Image.CreateCopyLayer(0), w = l.Width, h = l.Height;"
            "for (var y = 0; y < h; y++)"
            "  for (var x = 0; x < w; x++) {"
            "    var p = l.PixelAt(x, y); p.r = 255 - p.r; p.g = 255 - p.g; p.b = 255 - p.b;"
            "  }",
            host.MakeRequest());
        ASSERT_EQ(outcome.scriptResult(), 0) << outcome.errorMessage();
        ASSERT_EQ(ResultLayers(outcome).size(), 1u);
        EXPECT_EQ(BitmapAt(ResultLayers(outcome)[0].get("Image")), image);
    }
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const std::uint8_t* p = PixelOf(image, x, y);
            ASSERT_EQ(p[0], static_cast<std::uint8_t>(255 - (x & 255))) << x << "," << y;
            ASSERT_EQ(p[1], static_cast<std::uint8_t>(255 - (y & 255))) << x << "," << y;
            ASSERT_EQ(p[2], static_cast<std::uint8_t>(255 - ((x ^ y) & 255))) << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace v7test
