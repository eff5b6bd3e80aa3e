// Layer.GetImageData and Layer.PutImageData on version 7 layers: RGBA rows
// top to bottom over bottom-up BGR bitmaps with padded rows, alpha from the
// plane (per pixel, or per palette entry for index colour), rectangles cut
// at every edge, refused writes, and planes smaller than their images.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/model_v7/v7_fixture.h"

namespace v7test {
namespace {

// 5 x 3: a width whose 24-bit rows need padding (15 bytes in 16).
constexpr int kWidth = 5;
constexpr int kHeight = 3;

// Script helpers: `text(img)` writes an image data object as
// "<width>x<height>:<bytes>"; `where(img)` as "<width>x<height>:" and the
// position each pixel came from ("x.y", read from red = 16 * x + y).
constexpr char kHelpers[] = R"JS(
var text = img => img === null ? 'null' : img.width + 'x' + img.height + ':' + Array.from(img.data).join(',');
var where = img => {
  if (img === null) return 'null';
  var at = [];
  for (var i = 0; i < img.data.length; i += 4) at.push((img.data[i] >> 4) + '.' + (img.data[i] & 15));
  return img.width + 'x' + img.height + ':' + at.join(',');
};
var bomb = { valueOf() { throw 'bomb'; } };
var l = Image.GetInLayer(0);
)JS";

std::string Join(const std::vector<int>& values) {
    std::string out;
    for (std::size_t i = 0; i < values.size(); ++i) out += (i ? "," : "") + std::to_string(values[i]);
    return out;
}

class ImageDataTest : public V7Test {
protected:
    // A direct-colour layer whose pixel (x, y) is red 16x + y, green
    // 100 + x, blue 200 + y; with a plane, its alpha is 50 + 10x + y.
    void AddDirectLayer(bool alpha) {
        image = host.NewBitmap(kWidth, kHeight, 24);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                std::uint8_t* p = PixelOf(image, x, y);
                p[0] = static_cast<std::uint8_t>(200 + y);
                p[1] = static_cast<std::uint8_t>(100 + x);
                p[2] = static_cast<std::uint8_t>(16 * x + y);
            }
        }
        if (alpha) {
            plane = host.NewAlphaPlane(kWidth, kHeight, false, 0);
            for (int y = 0; y < kHeight; ++y) {
                for (int x = 0; x < kWidth; ++x) *PixelOf(plane, x, y) = static_cast<std::uint8_t>(50 + 10 * x + y);
            }
        }
        AddLayer(image, plane);
    }

    // An index layer of 6 entries: entry i is red 10i, green 10i + 1, blue
    // 10i + 2; with a plane, its alpha is 100 + i. Pixel (x, y) holds
    // x + y, so pixels 6 and 7 lie beyond the table.
    void AddIndexLayer(bool alpha) {
        image = host.NewBitmap(kWidth, kHeight, 8, 6);
        for (int i = 0; i < 6; ++i) {
            TableOf(image)[i] = RGBQUAD{std::uint8_t(10 * i + 2), std::uint8_t(10 * i + 1), std::uint8_t(10 * i), 0};
        }
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) *PixelOf(image, x, y) = static_cast<std::uint8_t>(x + y);
        }
        if (alpha) {
            plane = host.NewAlphaPlane(kWidth, kHeight, true, 0);
            for (int i = 0; i < 256; ++i) {
                const auto a = static_cast<std::uint8_t>(100 + i);
                TableOf(plane)[i] = RGBQUAD{a, a, a, 0};
            }
        }
        AddLayer(image, plane);
    }

    // What GetImageData must give for the whole layer.
    std::string Expected(bool index) const {
        std::vector<int> bytes;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                if (index) {
                    const int i = x + y;
                    if (i < 6) {
                        bytes.insert(bytes.end(), {10 * i, 10 * i + 1, 10 * i + 2});
                    } else {
                        bytes.insert(bytes.end(), {0, 0, 0});
                    }
                    bytes.push_back(plane ? 100 + i : 255);
                } else {
                    bytes.insert(bytes.end(), {16 * x + y, 100 + x, 200 + y, plane ? 50 + 10 * x + y : 255});
                }
            }
        }
        return std::to_string(kWidth) + "x" + std::to_string(kHeight) + ":" + Join(bytes);
    }

    BITMAPINFO* image = nullptr;
    BITMAPINFO* plane = nullptr;
};

// Get, change every channel, put, get again; the bitmaps hold the change.
TEST_F(ImageDataTest, DirectColourRoundTripsWithAndWithoutAlpha) {
    for (bool alpha : {false, true}) {
        SCOPED_TRACE(alpha ? "with alpha" : "without alpha");
        host.layers.clear();
        plane = nullptr;
        AddDirectLayer(alpha);
        EXPECT_EQ(Printed(std::string(kHelpers) + R"JS(
          var img = l.GetImageData();
          Print(text(img));
          var d = img.data;
          for (var i = 0; i < d.length; i += 4) {
            d[i] = 255 - d[i]; d[i + 1] = d[i + 1] >> 1; d[i + 2] = 7; d[i + 3] = 255 - d[i + 3];
          }
          // Without a plane the alpha written is dropped and reads 255 again.
          var want = img.data.slice();
          if (!l.Alpha) for (var i = 3; i < want.length; i += 4) want[i] = 255;
          Print(l.PutImageData(img));
          Print(text(l.GetImageData()) === text({ width: img.width, height: img.height, data: want }));
        )JS"),
                  Expected(false) + "\ntrue\ntrue\n");
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const std::uint8_t* p = PixelOf(image, x, y);
                EXPECT_EQ(p[2], 255 - (16 * x + y));
                EXPECT_EQ(p[1], (100 + x) >> 1);
                EXPECT_EQ(p[0], 7);
                if (alpha) {
                    EXPECT_EQ(*PixelOf(plane, x, y), 255 - (50 + 10 * x + y));
                }
            }
        }
    }
}

// Index pixels read through the colour table (black beyond it) with the
// plane's per-entry alpha (green) or 255; writing them is refused.
TEST_F(ImageDataTest, IndexColourReadsThroughTheTableAndRefusesWrites) {
    for (bool alpha : {false, true}) {
        SCOPED_TRACE(alpha ? "with alpha" : "without alpha");
        host.layers.clear();
        plane = nullptr;
        AddIndexLayer(alpha);
        const std::vector<std::uint8_t> before(PixelOf(image, 0, kHeight - 1), PixelOf(image, 0, 0) + 8);
        EXPECT_EQ(Printed(std::string(kHelpers) + R"JS(
          var img = l.GetImageData();
          Print(text(img));
          img.data.fill(1);
          Print(l.PutImageData(img));
        )JS"),
                  Expected(true) + "\nfalse\n");
        EXPECT_EQ(std::vector<std::uint8_t>(PixelOf(image, 0, kHeight - 1), PixelOf(image, 0, 0) + 8), before);
    }
}

// A result layer made by the engine works the same, and the bytes written
// are the ones reported to the host.
TEST_F(ImageDataTest, ResultLayersRoundTrip) {
    const qfjs_test::Outcome outcome = Run(R"JS(
      var out = Image.CreateOutLayer(0, 3, 2, true);
      var img = out.GetImageData();
      for (var i = 0; i < img.data.length; i++) img.data[i] = i;
      Print(out.PutImageData(img));
      Print(Array.from(out.GetImageData().data).join(','));
    )JS");
    ASSERT_EQ(outcome.scriptResult(), 0) << outcome.errorMessage();
    EXPECT_EQ(host.messages, (std::vector<std::string>{"true", "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23"}));
    const picojson::array layers = ResultLayers(outcome);
    ASSERT_EQ(layers.size(), 1u);
    BITMAPINFO* resultImage = BitmapAt(layers[0].get("Image"));
    BITMAPINFO* resultAlpha = BitmapAt(layers[0].get("Alpha"));
    // Pixel (1, 1) is image data pixel 4: bytes 16 to 19.
    EXPECT_EQ(PixelOf(resultImage, 1, 1)[2], 16);
    EXPECT_EQ(PixelOf(resultImage, 1, 1)[1], 17);
    EXPECT_EQ(PixelOf(resultImage, 1, 1)[0], 18);
    EXPECT_EQ(*PixelOf(resultAlpha, 1, 1), 19);
}

struct RegionCase {
    const char* call;
    const char* printed;
};

// Rectangles are cut to the layer at each edge; nothing inside gives null,
// as do one to three arguments. Writes are cut the same way.
TEST_F(ImageDataTest, RectanglesAreCutToTheLayer) {
    AddDirectLayer(true);
    const RegionCase cases[] = {
        {"where(l.GetImageData(1, 1, 2, 1))", "2x1:1.1,2.1"},
        {"where(l.GetImageData(-1, 0, 2, 1))", "1x1:0.0"},
        {"where(l.GetImageData(4, 0, 5, 1))", "1x1:4.0"},
        {"where(l.GetImageData(0, -2, 1, 3))", "1x1:0.0"},
        {"where(l.GetImageData(0, 2, 1, 5))", "1x1:0.2"},
        {"where(l.GetImageData(-9, -9, 99, 99)) === where(l.GetImageData())", "true"},
        {"where(l.GetImageData('3', 2.5, 2 ** 32 + 1, 1, 'ignored'))", "1x1:3.2"},
        {"where(l.GetImageData(5, 0, 1, 1))", "null"},
        {"where(l.GetImageData(-1, 0, 1, 1))", "null"},
        {"where(l.GetImageData(0, 3, 1, 1))", "null"},
        {"where(l.GetImageData(0, -5, 1, 5))", "null"},
        {"where(l.GetImageData(0, 0, 0, 1))", "null"},
        {"where(l.GetImageData(0, 0, 1, -1))", "null"},
        {"where(l.GetImageData(2 ** 31 - 1, 0, 2 ** 31 - 1, 1))", "null"},
        {"where(l.GetImageData(0))", "null"},
        {"where(l.GetImageData(0, 0))", "null"},
        {"where(l.GetImageData(0, 0, 1))", "null"},
    };
    std::string script = kHelpers;
    std::string expected;
    for (const RegionCase& c : cases) {
        script += std::string("Print(") + c.call + ");\n";
        expected += std::string(c.printed) + "\n";
    }
    EXPECT_EQ(Printed(script), expected);
}

TEST_F(ImageDataTest, PutIsCutToTheLayer) {
    AddDirectLayer(true);
    EXPECT_EQ(Printed(std::string(kHelpers) + R"JS(
      var src = { width: 2, height: 2,
                  data: Uint8Array.from([1, 2, 3, 4, 11, 12, 13, 14, 21, 22, 23, 24, 31, 32, 33, 34]) };
      Print(l.PutImageData(src, -1, -1), l.PutImageData(src, 4, 2), l.PutImageData(src, 5, 0),
            l.PutImageData(src, -(2 ** 31), 2 ** 31 - 1));
    )JS"),
              "truetruetruetrue\n");
    // (0, 0) took source pixel (1, 1); (4, 2) source pixel (0, 0).
    EXPECT_EQ(PixelOf(image, 0, 0)[2], 31);
    EXPECT_EQ(PixelOf(image, 0, 0)[1], 32);
    EXPECT_EQ(PixelOf(image, 0, 0)[0], 33);
    EXPECT_EQ(*PixelOf(plane, 0, 0), 34);
    EXPECT_EQ(PixelOf(image, 4, 2)[2], 1);
    EXPECT_EQ(*PixelOf(plane, 4, 2), 4);
    // Neighbours stay as they were.
    EXPECT_EQ(PixelOf(image, 1, 0)[2], 16);
    EXPECT_EQ(PixelOf(image, 0, 1)[2], 1);
    EXPECT_EQ(PixelOf(image, 3, 2)[2], 16 * 3 + 2);
    EXPECT_EQ(*PixelOf(plane, 3, 2), 50 + 30 + 2);
}

// A host plane smaller than its image covers only part of it: pixels it does
// not reach read alpha 255 and their alpha writes go nowhere, as for Pixel.
TEST_F(ImageDataTest, SmallAlphaPlanesAreNeverLeft) {
    image = host.NewBitmap(kWidth, kHeight, 24);
    // Two columns and two rows, which the image's rows share from the
    // bottom: image rows 1 and 2 (from the top) have alpha at x 0 and 1.
    plane = host.NewBitmap(2, 2, 8);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) *PixelOf(plane, x, y) = static_cast<std::uint8_t>(10 * (y + 1) + x);
    }
    AddLayer(image, plane);
    EXPECT_EQ(Printed(std::string(kHelpers) + R"JS(
      var img = l.GetImageData();
      var alphas = [];
      for (var i = 3; i < img.data.length; i += 4) alphas.push(img.data[i]);
      Print(alphas.join(','));
      img.data.fill(77);
      Print(l.PutImageData(img));
    )JS"),
              "255,255,255,255,255,10,11,255,255,255,20,21,255,255,255\ntrue\n");
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) EXPECT_EQ(*PixelOf(plane, x, y), 77);
        // The plane's row padding stays untouched.
        EXPECT_EQ(PixelOf(plane, 2, y)[0], 0);
    }
}

// Malformed image data, x without y, and throwing conversions leave the
// layer as it was.
TEST_F(ImageDataTest, MalformedOrThrowingArgumentsChangeNothing) {
    AddDirectLayer(true);
    const std::vector<std::uint8_t> before(PixelOf(image, 0, kHeight - 1), PixelOf(image, 0, 0) + 16);
    EXPECT_EQ(Printed(std::string(kHelpers) + R"JS(
      var ok = () => ({ width: 1, height: 1, data: new Uint8Array([9, 9, 9, 9]) });
      var refused = [
        l.PutImageData(), l.PutImageData(5), l.PutImageData(null), l.PutImageData(ok(), 0),
        l.PutImageData({ width: 1, height: 1, data: [9, 9, 9, 9] }),
        l.PutImageData({ width: 1, height: 1, data: new Int8Array(4) }),
        l.PutImageData({ width: 1, height: 1, data: new Uint8Array(3) }),
        l.PutImageData({ width: 2, height: 1, data: new Uint8Array(4) }),
        l.PutImageData({ width: -1, height: -1, data: new Uint8Array(4) }),
        l.PutImageData({ width: 65536, height: 16384, data: new Uint8Array(0) }),
      ];
      Print(refused.join(','));
      var thrown = [];
      for (var f of [() => l.PutImageData(ok(), bomb, 0), () => l.PutImageData(ok(), 0, bomb),
                     () => l.PutImageData({ width: bomb, height: 1, data: new Uint8Array(4) }),
                     () => l.PutImageData({ width: 1, height: 1, get data() { throw 'bomb'; } }),
                     () => l.GetImageData(0, 0, 1, bomb)]) {
        try { f(); thrown.push('no'); } catch (e) { thrown.push(e); }
      }
      Print(thrown.join(','));
    )JS"),
              "false,false,false,false,false,false,false,false,false,false\nbomb,bomb,bomb,bomb,bomb\n");
    EXPECT_EQ(std::vector<std::uint8_t>(PixelOf(image, 0, kHeight - 1), PixelOf(image, 0, 0) + 16), before);
}

// The layer is looked at after the arguments are converted: a conversion
// that resizes the colour table is seen, and reads and writes follow the
// image the layer holds then.
TEST_F(ImageDataTest, ConversionsThatChangeTheLayerAreSeen) {
    AddIndexLayer(false);
    EXPECT_EQ(Printed(std::string(kHelpers) + R"JS(
      var shrink = { valueOf() { l.PaletteEntryCount = 2; return 1; } };
      Print(text(l.GetImageData(0, 0, 5, shrink)));
      Print(l.PutImageData({ width: 1, height: 1, data: new Uint8Array(4) },
                           { valueOf() { l.PaletteEntryCount = 3; return 0; } }, 0));
    )JS"),
              // Pixel values 2 and up became 1 in the resized image.
              "5x1:0,1,2,255,10,11,12,255,10,11,12,255,10,11,12,255,10,11,12,255\nfalse\n");
}

// The result's shape, and the Layer's own properties stay as they were.
TEST_F(ImageDataTest, ResultShapeAndUnchangedLayer) {
    AddDirectLayer(false);
    EXPECT_EQ(Printed(std::string(kHelpers) + R"JS(
      var img = l.GetImageData();
      Print(Object.keys(img).join(','), ' ', img.data.constructor.name, ' ', img.data.length);
      Print(Object.keys(l).join(','));
      Print(typeof l.PixelAt(0, 0).GetImageData, ' ', typeof l.GetPaletteEntry);
    )JS"),
              "width,height,data Uint8ClampedArray 60\n"
              "Width,Height,IndexColor,Alpha,SelectX,SelectY,SelectWidth,SelectHeight,X,Y,Hidden,Opacity,Name,"
              "PaletteEntryCount,ActiveColor\n"
              "undefined function\n");
}

}  // namespace
}  // namespace v7test
