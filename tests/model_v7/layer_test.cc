// The version 7 Layer: pixel addressing and clamping, the selection, the
// values reported with a result layer, the colour-table resize with its
// pixel remapping, palette entries and the selection colour.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/model_v7/v7_fixture.h"

namespace v7test {
namespace {

using qfjs_test::Outcome;
using qfjs_test::Request;

class LayerTest : public V7Test {
protected:
    // A 10 x 5 direct-colour host layer whose pixel (x, y) has red x, green
    // y and blue 7.
    BITMAPINFO* AddCoordinateLayer() {
        BITMAPINFO* image = host.NewBitmap(10, 5, 24);
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 10; ++x) {
                std::uint8_t* p = PixelOf(image, x, y);
                p[0] = 7;
                p[1] = static_cast<std::uint8_t>(y);
                p[2] = static_cast<std::uint8_t>(x);
            }
        }
        AddLayer(image);
        return image;
    }
};

TEST_F(LayerTest, PixelAtClampsIntoTheImageAndCountsRowsFromTheTop) {
    BITMAPINFO* image = AddCoordinateLayer();
    EXPECT_EQ(Printed("var l = Image.GetInLayer(0);"
                      "function at(x, y) { var p = l.PixelAt(x, y); return p.r + ':' + p.g; }"
                      "Print([at(-3, 7), at(10, 0), at(3, 2), at('4', 1.9), at(2**32 + 3, -1), at(9, 4)].join());"
                      "Print(l.PixelAt(1), l.PixelAt());"
                      "l.PixelAt(9, 0).b = 200; l.PixelAt(0, 4).b = 100;"),
              "0:4,9:0,3:2,4:1,3:0,9:4\nnullnull\n");
    // Checked through the host's own addressing: the top row is stored last.
    EXPECT_EQ(PixelOf(image, 9, 0)[0], 200);
    EXPECT_EQ(PixelOf(image, 0, 4)[0], 100);
    EXPECT_EQ(reinterpret_cast<std::uint8_t*>(image) + 40, PixelOf(image, 0, 4));
}

TEST_F(LayerTest, PixelAtAddressesIndexPixelsAndTheAlphaPlane) {
    BITMAPINFO* index = host.NewBitmap(5, 3, 8);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) *PixelOf(index, x, y) = static_cast<std::uint8_t>(10 * y + x);
    }
    AddLayer(index);
    BITMAPINFO* direct = host.NewBitmap(5, 3, 24);
    BITMAPINFO* plane = host.NewAlphaPlane(5, 3, false, 0);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) *PixelOf(plane, x, y) = static_cast<std::uint8_t>(100 + 10 * y + x);
    }
    AddLayer(direct, plane);
    EXPECT_EQ(Printed("var i = Image.GetInLayer(0), d = Image.GetInLayer(1);"
                      "Print([i.PixelAt(0, 0).i, i.PixelAt(4, 2).i, i.PixelAt(2, 1).i].join());"
                      "Print([d.PixelAt(0, 0).a, d.PixelAt(4, 2).a, d.PixelAt(7, -7).a].join());"
                      "d.PixelAt(3, 1).a = 5;"),
              "0,24,12\n100,124,104\n");
    EXPECT_EQ(*PixelOf(plane, 3, 1), 5);
}

TEST_F(LayerTest, AlphaPlaneSmallerThanTheImageGivesUncoveredPixelsNoAlpha) {
    // A host plane that does not match its image must not be addressed
    // beyond its own rows: it covers the image's bottom-left 2 x 2 pixels.
    AddLayer(host.NewBitmap(6, 6, 24), host.NewAlphaPlane(2, 2, false, 9));
    EXPECT_EQ(Printed("var l = Image.GetInLayer(0), p = l.PixelAt(1, 1);"
                      "p.a = 1; p.SetRGBA(1, 2, 3, 4);"
                      "Print(l.PixelAt(1, 5).a, ',', p.a, ',', l.PixelAt(2, 5).a, ',', l.PixelAt(0, 3).a);"),
              "9,255,255,255\n");
}

TEST_F(LayerTest, WithoutSelectionEverythingIsSelected) {
    AddCoordinateLayer();
    EXPECT_EQ(Printed("var l = Image.GetInLayer(0);"
                      "Print([l.SelectX, l.SelectY, l.SelectWidth, l.SelectHeight, l.IsSelected(-5, 1000),"
                      "       l.IsSelected(1)].join());"),
              "0,0,10,5,true,false\n");
}

TEST_F(LayerTest, SelectionIsTheRequestRectangleWithExclusiveEdges) {
    AddCoordinateLayer();
    auto withSelection = [](Request& r) {
        picojson::object selection;
        selection["Left"] = picojson::value(10.9);
        selection["Top"] = picojson::value(20.0);
        selection["Width"] = picojson::value(5.5);
        selection["Height"] = picojson::value(7.0);
        r.Set("Selection", picojson::value(selection));
    };
    EXPECT_EQ(Printed("var l = Image.GetInLayer(0); l.X = 100;"
                      "Print([l.SelectX, l.SelectY, l.SelectWidth, l.SelectHeight].join());"
                      "Print([l.IsSelected(10, 20), l.IsSelected(14, 26), l.IsSelected(15, 20), l.IsSelected(10, 27),"
                      "       l.IsSelected(9, 20), l.IsSelected(10, 19), l.IsSelected('12', 21.5), l.IsSelected(10)].join());",
                      withSelection),
              "10,20,5,7\ntrue,true,false,false,false,false,true,false\n");
}

TEST_F(LayerTest, ValuesReadBackAsAssigned) {
    EXPECT_EQ(Printed("var l = Image.CreateOutLayer(0, 2, 2);"
                      "l.X = '12.7'; l.Y = 2**32 - 1; l.Hidden = 'no'; l.Opacity = 150; l.Name = 5;"
                      "Print([l.X, l.Y, l.Hidden, l.Opacity, typeof l.Name, l.Name].join());"
                      "l.Opacity = -1; l.Hidden = ''; l.Name = 'a\\0b';"
                      "Print([l.Opacity, l.Hidden, l.Name.length].join());"
                      "l.Width = 99; l.Alpha = true; l.PaletteEntryCount = 4;"
                      "Print([l.Width, l.Alpha, l.PaletteEntryCount].join());"
                      "Print(Object.keys(l).join());"),
              "12,-1,true,150,string,5\n"
              "-1,false,3\n"
              "2,false,\n"
              "Width,Height,IndexColor,Alpha,SelectX,SelectY,SelectWidth,SelectHeight,X,Y,Hidden,Opacity,Name,"
              "PaletteEntryCount,ActiveColor\n");
}

TEST_F(LayerTest, ThrowingAssignmentLeavesTheValue) {
    EXPECT_EQ(Printed("var l = Image.CreateOutLayer(0, 2, 2); l.X = 4; var r = [];"
                      "for (const f of [() => { l.X = Symbol(); }, () => { l.Name = {toString() { throw 'n'; }}; },"
                      "                 () => { l.Opacity = {valueOf() { throw 'o'; }}; },"
                      "                 () => l.PixelAt({valueOf() { throw 'p'; }}, 0)])"
                      "  try { f(); r.push('ok'); } catch (e) { r.push(typeof e === 'string' ? e : e.name); }"
                      "Print(r.join(), ' ', l.X, ' ', l.Name === '', ' ', l.Opacity);"),
              "TypeError,n,o,p 4 true 100\n");
}

class PaletteResizeTest : public LayerTest {
protected:
    // An index layer whose 256 entries are (i, i, i, 255 - i) and whose
    // pixels run through every value; printed back by `dump`.
    static constexpr const char* kSetup =
        "var l = Image.CreateOutLayer(0, 16, 16, true, true);"
        "for (var i = 0; i < 256; i++) { l.GetPaletteEntry(i).SetRGBA(i, i, i, 255 - i);"
        "                                l.PixelAt(i % 16, i >> 4).i = i; }";
};

TEST_F(PaletteResizeTest, ShrinkingRemapsPixelsBeyondTheTable) {
    const Outcome outcome =
        Run(std::string(kSetup) +
            "var before = l.PixelAt(15, 15), entry = l.GetPaletteEntry(5);"
            "l.PaletteEntryCount = 1;"
            "Print([l.PaletteEntryCount, l.PixelAt(0, 0).i, l.PixelAt(1, 0).i, l.PixelAt(2, 0).i, l.PixelAt(15, 15).i,"
            "       l.GetPaletteEntry(1).r, l.GetPaletteEntry(1).a, l.GetPaletteEntry(9).r].join());"
            // Made before: the Pixel keeps the old bitmap (its index limited
            // by the current table), the entry now lies outside the table and
            // reads 0 without writing.
            "before.i = 7; entry.r = 99; entry.SetRGBA(1, 2, 3, 4);"
            "Print([before.i, before.r, entry.r, entry.g, entry.a, entry.SetRGBA(1)].join());");
    EXPECT_EQ(host.messages, (std::vector<std::string>{"2,0,1,1,1,1,254,1", "1,1,0,0,0,true"}));
    const picojson::array layers = ResultLayers(outcome);
    ASSERT_EQ(layers.size(), 1u);
    BITMAPINFO* image = BitmapAt(layers[0].get("Image"));
    EXPECT_EQ(image->bmiHeader.biClrUsed, 2u);
    EXPECT_EQ(image->bmiHeader.biWidth, 16);
    EXPECT_EQ(TableSize(image), 2);
    // Entries are copied whole (reserved byte included); the alpha plane
    // stays as it was.
    const RGBQUAD one = TableOf(image)[1];
    EXPECT_TRUE(one.rgbBlue == 1 && one.rgbGreen == 1 && one.rgbRed == 1 && one.rgbReserved == 255);
    EXPECT_EQ(TableOf(BitmapAt(layers[0].get("Alpha")))[200].rgbGreen, 55);
    EXPECT_EQ(*PixelOf(image, 15, 15), 1);
    EXPECT_EQ(*PixelOf(image, 0, 0), 0);
}

TEST_F(PaletteResizeTest, GrowingKeepsPixelsAndAddsBlackEntries) {
    const Outcome outcome = Run(std::string(kSetup) +
                                "l.PaletteEntryCount = 1; l.PaletteEntryCount = 1000;"
                                "Print([l.PaletteEntryCount, l.PixelAt(15, 15).i, l.GetPaletteEntry(200).r].join());");
    EXPECT_EQ(host.messages, std::vector<std::string>{"256,1,0"});
    BITMAPINFO* image = BitmapAt(ResultLayers(outcome).at(0).get("Image"));
    EXPECT_EQ(image->bmiHeader.biClrUsed, 0u);
    EXPECT_EQ(TableSize(image), 256);
    const RGBQUAD added = TableOf(image)[2];
    EXPECT_TRUE(added.rgbBlue == 0 && added.rgbGreen == 0 && added.rgbRed == 0 && added.rgbReserved == 0);
}

TEST_F(PaletteResizeTest, HostImageIsReplacedNotChanged) {
    BITMAPINFO* image = host.NewBitmap(3, 2, 8, 16);
    *PixelOf(image, 2, 1) = 12;
    AddLayer(image);
    const Outcome outcome = Run("var l = Image.CreateCopyLayer(0); l.PaletteEntryCount = 4;"
                                "Print(l.PixelAt(2, 1).i, l.PaletteEntryCount);");
    EXPECT_EQ(host.messages, std::vector<std::string>{"34"});
    EXPECT_EQ(*PixelOf(image, 2, 1), 12);
    BITMAPINFO* replaced = BitmapAt(ResultLayers(outcome).at(0).get("Image"));
    EXPECT_FALSE(host.Owns(replaced));
    EXPECT_EQ(*PixelOf(replaced, 2, 1), 3);
}

TEST_F(LayerTest, DirectColourLayerHasNoColourTable) {
    AddCoordinateLayer();
    EXPECT_EQ(Printed("var l = Image.GetInLayer(0); l.PaletteEntryCount = 4;"
                      "Print(l.PaletteEntryCount, l.GetPaletteEntry(0), l.IndexColor, l.PixelAt(0, 0).g);"),
              "nullnullfalse0\n");
}

TEST_F(LayerTest, PaletteEntryIndexIsClampedIntoTheTable) {
    BITMAPINFO* image = host.NewBitmap(2, 2, 8, 16);
    AddLayer(image);
    EXPECT_EQ(Printed("var l = Image.GetInLayer(0);"
                      "Print(l.GetPaletteEntry(300).SetRGBA(1, 2, 3), l.GetPaletteEntry(-1).SetRGBA(4, 5, 6),"
                      "      l.GetPaletteEntry(), l.GetPaletteEntry('7').SetRGBA(8));"),
              "truetruenulltrue\n");
    auto rgb = [&](int i) {
        const RGBQUAD e = TableOf(image)[i];
        return std::to_string(e.rgbRed) + "," + std::to_string(e.rgbGreen) + "," + std::to_string(e.rgbBlue);
    };
    EXPECT_EQ(rgb(15), "1,2,3");
    EXPECT_EQ(rgb(0), "4,5,6");
    EXPECT_EQ(rgb(7), "8,0,0");
}

TEST_F(LayerTest, ActiveColorIsANewSnapshotEachTime) {
    AddCoordinateLayer();
    EXPECT_EQ(Printed("var l = Image.GetInLayer(0), a = l.ActiveColor, b = l.ActiveColor;"
                      "Print(a === b, ' ', [a.r, a.g, a.b, a.a, a.i].join(), ' ', [b.r, b.g, b.b, b.a, b.i].join());",
                      [](Request& r) {
                          picojson::object color;
                          color["R"] = picojson::value(1.5);
                          color["G"] = picojson::value(2.0);
                          color["B"] = picojson::value(3.0);
                          color["A"] = picojson::value(4.0);
                          color["I"] = picojson::value(5.0);
                          r.Set("SelColor", picojson::value(color));
                      }),
              "false 1.5,2,3,255,0 1.5,2,3,255,0\n");
}

}  // namespace
}  // namespace v7test
