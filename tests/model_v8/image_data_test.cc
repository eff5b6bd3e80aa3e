// Bitmap.GetImageData and Bitmap.PutImageData, the engine's bulk pixel
// access: round trips at 24 bits, 32 bits with alpha and 8-bit index colour,
// rectangles cut at every edge, the host calls each makes (and does not
// make for malformed input), the shape of the result, the rounding of host
// channel values, and the example filter that uses them.
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "engine/image_data.h"
#include "tests/model_v8/v8_fixture.h"

namespace qfjs_v8test {
namespace {

using qfhost::PixelFormat;
using qfhost::Rgba;

constexpr int kWidth = 4;
constexpr int kHeight = 3;

// Direct-colour pixel (x, y): red tells the position (16 * x + y), the
// other channels differ from it and from each other.
Rgba DirectColor(int x, int y) {
    return Rgba{std::uint8_t(16 * x + y), std::uint8_t(100 + x), std::uint8_t(200 + y), std::uint8_t(50 + 10 * x + y)};
}

// Index pixel (x, y) holds (x + y) % 4; entry i is 10i, 10i + 1, 10i + 2
// with alpha 100 + i.
int IndexOf(int x, int y) {
    return (x + y) % 4;
}
Rgba EntryColor(int i) {
    return Rgba{std::uint8_t(10 * i), std::uint8_t(10 * i + 1), std::uint8_t(10 * i + 2), std::uint8_t(100 + i)};
}

std::string Join(const std::vector<int>& values) {
    std::string out;
    for (std::size_t i = 0; i < values.size(); ++i) out += (i ? "," : "") + std::to_string(values[i]);
    return out;
}

// Script helpers: `text(img)` writes an image data object as
// "<width>x<height>:<bytes>", `where(img)` as "<width>x<height>:" followed
// by the position each pixel came from ("x.y", from red = 16 * x + y).
constexpr char kHelpers[] = R"JS(
const rgba = SourcePicture.GetLayer(0).Bitmap;
const rgb = SourcePicture.GetLayer(1).Bitmap;
const idx = SourcePicture.GetLayer(2).Bitmap;
const noAlphaIdx = SourcePicture.GetLayer(3).Bitmap;
const bomb = { valueOf() { throw 'bomb'; } };
const text = img => img === null ? 'null' : img.width + 'x' + img.height + ':' + Array.from(img.data).join(',');
const where = img => {
  if (img === null) return 'null';
  const at = [];
  for (let i = 0; i < img.data.length; i += 4) at.push((img.data[i] >> 4) + '.' + (img.data[i] & 15));
  return img.width + 'x' + img.height + ':' + at.join(',');
};
)JS";

class ImageDataTest : public V8ModelTest {
protected:
    void SetUp() override {
        rgba_ = NewBitmap(kWidth, kHeight, PixelFormat::kRgba32);
        rgb_ = NewBitmap(kWidth, kHeight, PixelFormat::kRgb24);
        index_ = NewBitmap(kWidth, kHeight, PixelFormat::kIndex8, 8);
        noAlphaIndex_ = NewBitmap(kWidth, kHeight, PixelFormat::kIndex8, 8);
        index_->ChangeAlpha(true);
        for (qfhost::Bitmap* b : {index_, noAlphaIndex_}) {
            for (int i = 0; i < 8; ++i) b->SetPaletteColor(i, EntryColor(i));
        }
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                rgba_->SetPixelColor(x, y, DirectColor(x, y));
                rgb_->SetPixelColor(x, y, DirectColor(x, y));
                index_->SetPixelIndex(x, y, IndexOf(x, y));
                noAlphaIndex_->SetPixelIndex(x, y, IndexOf(x, y));
            }
        }
        picture_ = factory_.NewLayerPicture(kWidth, kHeight);
        for (qfhost::Bitmap* b : {rgba_, rgb_, index_, noAlphaIndex_}) {
            ASSERT_TRUE(picture_->AppendLayer(factory_.NewBitmapLayer("layer", b)));
        }
        SetSource(picture_);
    }

    // The bytes GetImageData must give for the whole of `bitmap`.
    static std::string Expected(qfhost::Bitmap* bitmap) {
        std::vector<int> bytes;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                Rgba c = bitmap->is_index() ? EntryColor(IndexOf(x, y)) : DirectColor(x, y);
                if (!bitmap->has_alpha()) c.a = 255;
                bytes.insert(bytes.end(), {c.r, c.g, c.b, c.a});
            }
        }
        return Js(std::to_string(kWidth) + "x" + std::to_string(kHeight) + ":" + Join(bytes));
    }

    qfhost::Bitmap* rgba_ = nullptr;
    qfhost::Bitmap* rgb_ = nullptr;
    qfhost::Bitmap* index_ = nullptr;
    qfhost::Bitmap* noAlphaIndex_ = nullptr;
    qfhost::Picture* picture_ = nullptr;
};

// Get, change every channel, put, get again: the second read shows exactly
// the change, and the host holds it.
TEST_F(ImageDataTest, DirectColourRoundTrips) {
    Run(std::string(kHelpers) + R"JS(
      for (const [name, bmp] of [['rgba', rgba], ['rgb', rgb]]) {
        const img = bmp.GetImageData();
        probe(name + ' get', () => text(img));
        const d = img.data;
        for (let i = 0; i < d.length; i += 4) {
          d[i] = 255 - d[i]; d[i + 1] = d[i + 1] >> 1; d[i + 2] = 7; d[i + 3] = 255 - d[i + 3];
        }
        // Without alpha the alpha written is not passed on: it reads 255 again.
        const want = img.data.slice();
        if (!bmp.HasAlpha) for (let i = 3; i < want.length; i += 4) want[i] = 255;
        probe(name + ' put', () => bmp.PutImageData(img));
        probe(name + ' again', () => text(bmp.GetImageData()) === text({ width: img.width, height: img.height, data: want }));
      }
    )JS");
    for (auto [name, bitmap] : {std::pair{"rgba", rgba_}, std::pair{"rgb", rgb_}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Value(std::string(name) + " get"), Expected(bitmap));
        EXPECT_EQ(Value(std::string(name) + " put"), "true");
        EXPECT_EQ(Value(std::string(name) + " again"), "true");
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const Rgba before = DirectColor(x, y);
                const Rgba now = bitmap->PixelColor(x, y);
                EXPECT_EQ(now.r, 255 - before.r);
                EXPECT_EQ(now.g, before.g >> 1);
                EXPECT_EQ(now.b, 7);
                // Without alpha the written alpha is not passed on and
                // every pixel stays opaque.
                EXPECT_EQ(now.a, bitmap->has_alpha() ? 255 - before.a : 255);
            }
        }
    }
}

// Index pixels read as their palette entries' colours (alpha only with
// alpha); writing them is refused and changes nothing.
TEST_F(ImageDataTest, IndexColourReadsThroughThePaletteAndRefusesWrites) {
    Run(std::string(kHelpers) + R"JS(
      const img = idx.GetImageData();
      probe('get', () => text(img));
      probe('get without alpha', () => text(noAlphaIdx.GetImageData()));
      img.data.fill(9);
      probe('put', () => idx.PutImageData(img));
      probe('unchanged', () => text(idx.GetImageData()));
    )JS");
    EXPECT_EQ(Value("get"), Expected(index_));
    EXPECT_EQ(Value("get without alpha"), Expected(noAlphaIndex_));
    Check("put", "false", {At(index_, "IsIndexColor()")});
    EXPECT_EQ(Value("unchanged"), Expected(index_));
}

// The bitmap's size and kind are asked once per call, each pixel through
// the per-pixel operations, and each palette entry once however many pixels
// use it.
TEST_F(ImageDataTest, HostCallsPerCall) {
    Run(std::string(kHelpers) + R"JS(
      probe('rgb', () => text(rgb.GetImageData(1, 1, 2, 1)));
      probe('rgba', () => text(rgba.GetImageData(0, 0, 1, 1)));
      probe('index', () => text(idx.GetImageData(0, 0, 3, 1)));
      probe('index no alpha', () => text(noAlphaIdx.GetImageData(0, 0, 1, 1)));
      const one = { width: 1, height: 1, data: new Uint8Array([1, 2, 3, 4]) };
      probe('put rgb', () => rgb.PutImageData(one, 2, 1));
      probe('put rgba', () => rgba.PutImageData(one));
    )JS");
    auto prologue = [](const IQFObject* b) {
        return Calls{At(b, "GetWidth()"), At(b, "GetHeight()"), At(b, "IsIndexColor()"), At(b, "HasAlpha()")};
    };
    Calls rgb = prologue(rgb_);
    for (int x : {1, 2}) {
        for (const char* c : {"R", "G", "B"}) {
            rgb.push_back(At(rgb_, std::string("GetPixel") + c + "(" + std::to_string(x) + ",1)"));
        }
    }
    Check("rgb", Js("2x1:17,101,201,255,33,102,201,255"), rgb);

    Calls rgba = prologue(rgba_);
    for (const char* c : {"R", "G", "B", "A"}) rgba.push_back(At(rgba_, std::string("GetPixel") + c + "(0,0)"));
    Check("rgba", Js("1x1:0,100,200,50"), rgba);

    // Pixels 0, 1 and 2 of row 0 hold the indices 0, 1 and 2.
    Calls index = prologue(index_);
    for (int x = 0; x < 3; ++x) {
        index.push_back(At(index_, "GetPixelI(" + std::to_string(x) + ",0)"));
        for (const char* c : {"R", "G", "B", "A"}) {
            index.push_back(At(index_, std::string("GetPalette") + c + "(" + std::to_string(x) + ")"));
        }
    }
    Check("index", Js("3x1:0,1,2,100,10,11,12,101,20,21,22,102"), index);

    Calls noAlpha = prologue(noAlphaIndex_);
    noAlpha.push_back(At(noAlphaIndex_, "GetPixelI(0,0)"));
    for (const char* c : {"R", "G", "B"}) noAlpha.push_back(At(noAlphaIndex_, std::string("GetPalette") + c + "(0)"));
    Check("index no alpha", Js("1x1:0,1,2,255"), noAlpha);

    Check("put rgb", "true",
          {At(rgb_, "IsIndexColor()"), At(rgb_, "GetWidth()"), At(rgb_, "GetHeight()"), At(rgb_, "HasAlpha()"),
           At(rgb_, "SetPixel(2,1,r=1,g=2,b=3)")});
    Check("put rgba", "true",
          {At(rgba_, "IsIndexColor()"), At(rgba_, "GetWidth()"), At(rgba_, "GetHeight()"), At(rgba_, "HasAlpha()"),
           At(rgba_, "SetPixel(0,0,r=1,g=2,b=3,a=4)")});
}

// A palette entry shared by many pixels is read from the host once.
TEST_F(ImageDataTest, PaletteEntriesAreReadOncePerCall) {
    Run(std::string(kHelpers) + R"JS(
      probe('whole', () => idx.GetImageData().width);
    )JS");
    int pixelReads = 0;
    std::vector<std::string> paletteReads;
    for (const std::string& call : CallsOf("whole")) {
        if (call.find("GetPixelI(") != std::string::npos) ++pixelReads;
        if (call.find("GetPalette") != std::string::npos) paletteReads.push_back(call);
    }
    EXPECT_EQ(pixelReads, kWidth * kHeight);
    // Four distinct indices, four channels each.
    EXPECT_EQ(paletteReads.size(), 16u);
}

struct RegionCase {
    const char* arguments;
    const char* result;  // as where() writes it
    bool asksSize;       // whether the host's size is asked at all
};

// Rectangles are cut to the bitmap at each edge; one that has nothing
// inside gives null, and so do one to three arguments, without a host call.
TEST_F(ImageDataTest, RectanglesAreCutToTheBitmap) {
    const RegionCase cases[] = {
        {"", "4x3:0.0,1.0,2.0,3.0,0.1,1.1,2.1,3.1,0.2,1.2,2.2,3.2", true},
        {"0, 0, 4, 3", "4x3:0.0,1.0,2.0,3.0,0.1,1.1,2.1,3.1,0.2,1.2,2.2,3.2", true},
        {"1, 1, 2, 1", "2x1:1.1,2.1", true},
        {"-1, 0, 2, 1", "1x1:0.0", true},
        {"3, 0, 5, 1", "1x1:3.0", true},
        {"0, -2, 1, 3", "1x1:0.0", true},
        {"0, 2, 1, 5", "1x1:0.2", true},
        {"-10, -10, 30, 30", "4x3:0.0,1.0,2.0,3.0,0.1,1.1,2.1,3.1,0.2,1.2,2.2,3.2", true},
        {"'1', 1.9, 2 ** 32 + 2, '1', 'ignored'", "2x1:1.1,2.1", true},
        {"4, 0, 1, 1", "null", true},
        {"-1, 0, 1, 1", "null", true},
        {"0, 3, 1, 1", "null", true},
        {"0, -5, 1, 5", "null", true},
        {"0, 0, 0, 1", "null", true},
        {"0, 0, 1, -1", "null", true},
        {"2 ** 31 - 1, 0, 2 ** 31 - 1, 1", "null", true},
        {"-(2 ** 31), 0, 2 ** 31 - 1, 1", "null", true},
        {"0", "null", false},
        {"0, 0", "null", false},
        {"0, 0, 4", "null", false},
    };
    std::string script = kHelpers;
    for (const RegionCase& c : cases) {
        script += "probe(" + Js(c.arguments) + ", () => where(rgba.GetImageData(" + c.arguments + ")));\n";
    }
    Run(script);
    for (const RegionCase& c : cases) {
        SCOPED_TRACE(c.arguments);
        EXPECT_EQ(Value(c.arguments), Js(c.result));
        const Calls calls = CallsOf(c.arguments);
        if (!c.asksSize) {
            EXPECT_TRUE(calls.empty());
        } else if (std::string(c.result) == "null") {
            EXPECT_EQ(calls, (Calls{At(rgba_, "GetWidth()"), At(rgba_, "GetHeight()")}));
        }
    }
}

// PutImageData writes what lies inside the bitmap; the rest of the image
// data is skipped, and an image entirely outside writes nothing.
TEST_F(ImageDataTest, PutIsCutToTheBitmap) {
    Run(std::string(kHelpers) + R"JS(
      const src = { width: 2, height: 2,
                    data: Uint8ClampedArray.from([0, 1, 2, 3, 10, 11, 12, 13, 20, 21, 22, 23, 30, 31, 32, 33]) };
      probe('top left', () => rgba.PutImageData(src, -1, -1));
      probe('bottom right', () => rgba.PutImageData(src, 3, 2));
      probe('left', () => rgba.PutImageData(src, -1, 1));
      probe('outside', () => rgba.PutImageData(src, 4, 0));
      probe('far outside', () => rgba.PutImageData(src, 2 ** 31 - 1, -(2 ** 31)));
      probe('converted position', () => rgb.PutImageData(src, '2.9', { valueOf() { return 1; } }));
      probe('undefined position', () => rgb.PutImageData(src, undefined, NaN));
    )JS");
    const Calls prologue = {At(rgba_, "IsIndexColor()"), At(rgba_, "GetWidth()"), At(rgba_, "GetHeight()"),
                            At(rgba_, "HasAlpha()")};
    auto with = [&](const Calls& tail) {
        Calls calls = prologue;
        calls.insert(calls.end(), tail.begin(), tail.end());
        return calls;
    };
    Check("top left", "true", with({At(rgba_, "SetPixel(0,0,r=30,g=31,b=32,a=33)")}));
    Check("bottom right", "true", with({At(rgba_, "SetPixel(3,2,r=0,g=1,b=2,a=3)")}));
    Check("left", "true",
          with({At(rgba_, "SetPixel(0,1,r=10,g=11,b=12,a=13)"), At(rgba_, "SetPixel(0,2,r=30,g=31,b=32,a=33)")}));
    Check("outside", "true", prologue);
    Check("far outside", "true", prologue);
    Check("converted position", "true",
          {At(rgb_, "IsIndexColor()"), At(rgb_, "GetWidth()"), At(rgb_, "GetHeight()"), At(rgb_, "HasAlpha()"),
           At(rgb_, "SetPixel(2,1,r=0,g=1,b=2)"), At(rgb_, "SetPixel(3,1,r=10,g=11,b=12)"),
           At(rgb_, "SetPixel(2,2,r=20,g=21,b=22)"), At(rgb_, "SetPixel(3,2,r=30,g=31,b=32)")});
    EXPECT_EQ(CallsOf("undefined position").size(), 8u);
    EXPECT_EQ(rgb_->PixelColor(0, 0), (Rgba{0, 1, 2, 255}));
    EXPECT_EQ(rgb_->PixelColor(1, 1), (Rgba{30, 31, 32, 255}));
}

// Malformed or missing image data is refused with false before any host
// call; so are x without y, and index colour after the arguments.
TEST_F(ImageDataTest, MalformedImageDataIsRefusedWithoutHostCalls) {
    const char* cases[] = {
        "",
        "5",
        "null",
        "'image'",
        "{ width: 1, height: 1 }",
        "{ width: 1, height: 1, data: [1, 2, 3, 4] }",
        "{ width: 1, height: 1, data: new Uint16Array(4) }",
        "{ width: 1, height: 1, data: new Int8Array(4) }",
        "{ width: 1, height: 1, data: new DataView(new ArrayBuffer(4)) }",
        "{ width: 1, height: 1, data: new Uint8Array(3) }",
        "{ width: 1, height: 1, data: new Uint8Array(5) }",
        "{ width: 2, height: 1, data: new Uint8Array(4) }",
        "{ width: 0, height: 0, data: new Uint8Array(0) }",
        "{ width: -1, height: -1, data: new Uint8Array(4) }",
        // 4 * 65536 * 16384 is 2 ** 32: zero in 32-bit arithmetic.
        "{ width: 65536, height: 16384, data: new Uint8Array(0) }",
        "{ height: 1, data: new Uint8Array(4) }",
        "{ width: 1, height: 1, data: new Uint8Array(4) }, 0",
        "{ width: 1, height: 1, data: new Uint8Array(new ArrayBuffer(8), 2, 3) }",
    };
    std::string script = kHelpers;
    for (const char* c : cases) script += "probe(" + Js(c) + ", () => rgba.PutImageData(" + c + "));\n";
    // An array over a buffer that a WebAssembly memory detached when it grew.
    script += R"JS(
      const memory = new WebAssembly.Memory({ initial: 1 });
      const view = new Uint8Array(memory.buffer, 0, 4);
      memory.grow(1);
      probe('detached', () => rgba.PutImageData({ width: 1, height: 1, data: view }));
      // Detached by the conversion of x, after "data" was read.
      const memory2 = new WebAssembly.Memory({ initial: 1 });
      const img = { width: 1, height: 1, data: new Uint8Array(memory2.buffer, 0, 4) };
      probe('detached late', () => rgba.PutImageData(img, { valueOf() { memory2.grow(1); return 0; } }, 0));
      const buffer = Uint8Array.from([90, 91, 1, 2, 3, 4, 92, 93]).buffer;
      probe('view into a buffer', () => rgba.PutImageData(
          { width: 1, height: 1, data: new Uint8Array(buffer, 2, 4) }, 1, 2));
    )JS";
    Run(script);
    for (const char* c : cases) {
        SCOPED_TRACE(c);
        Check(c, "false", {});
    }
    Check("detached", "false", {});
    Check("detached late", "false", {});
    // A view into part of a buffer gives the bytes it covers.
    Check("view into a buffer", "true",
          {At(rgba_, "IsIndexColor()"), At(rgba_, "GetWidth()"), At(rgba_, "GetHeight()"), At(rgba_, "HasAlpha()"),
           At(rgba_, "SetPixel(1,2,r=1,g=2,b=3,a=4)")});
}

// A throwing getter or conversion ends the call before any host call, and
// the properties are read in a fixed order before the position.
TEST_F(ImageDataTest, ThrowingConversionsEndTheCallWithoutHostCalls) {
    Run(std::string(kHelpers) + R"JS(
      const ok = () => ({ width: 1, height: 1, data: new Uint8Array(4) });
      probe('get x', () => rgba.GetImageData(bomb, 0, 1, 1));
      probe('get height', () => rgba.GetImageData(0, 0, 1, bomb));
      probe('get symbol', () => rgba.GetImageData(0, Symbol(), 1, 1));
      probe('put width getter', () => rgba.PutImageData({ get width() { throw 'bomb'; }, height: 1,
                                                         data: new Uint8Array(4) }));
      probe('put height', () => rgba.PutImageData({ width: 1, height: bomb, data: new Uint8Array(4) }));
      probe('put data getter', () => rgba.PutImageData({ width: 1, height: 1, get data() { throw 'bomb'; } }));
      probe('put x', () => rgba.PutImageData(ok(), bomb, 0));
      probe('put y', () => rgba.PutImageData(ok(), 0, bomb));
      probe('index colour put x', () => idx.PutImageData(ok(), bomb, 0));
      const order = [];
      const logged = (name, value) => ({ valueOf() { order.push(name); return value; } });
      rgba.PutImageData({ get width() { order.push('width'); return logged('width value', 1); },
                          get height() { order.push('height'); return logged('height value', 1); },
                          get data() { order.push('data'); return new Uint8Array(4); } },
                        logged('x', 0), logged('y', 0));
      probe('order', () => order.join(','));
    )JS");
    for (const char* label : {"get x", "get height", "put width getter", "put height", "put data getter", "put x",
                              "put y", "index colour put x"}) {
        SCOPED_TRACE(label);
        Check(label, "throws \"bomb\"", {});
    }
    EXPECT_EQ(Value("get symbol").rfind("throws TypeError", 0), 0u) << Value("get symbol");
    EXPECT_TRUE(CallsOf("get symbol").empty());
    EXPECT_EQ(Value("order"), Js("width,width value,height,height value,data,x,y"));
}

// The result is a plain object with own data properties width, height and
// data, in that order; data is a new Uint8ClampedArray each time. The
// wrappers keep their own properties.
TEST_F(ImageDataTest, ResultShapeAndUnchangedWrappers) {
    Run(std::string(kHelpers) + R"JS(
      Object.defineProperty(Object.prototype, 'width', { set(v) { throw 'setter ran'; }, configurable: true });
      const a = rgb.GetImageData(), b = rgb.GetImageData();
      delete Object.prototype.width;
      probe('keys', () => Object.keys(a).join(','));
      probe('plain', () => Object.getPrototypeOf(a) === Object.prototype);
      probe('data', () => a.data);
      probe('writable', () => Object.values(Object.getOwnPropertyDescriptors(a))
                                  .every(d => d.writable && d.enumerable && d.configurable));
      probe('length', () => a.data.length + ',' + a.data.byteOffset + ',' + a.data.buffer.byteLength);
      probe('fresh', () => a.data !== b.data && a.data.buffer !== b.data.buffer);
      probe('clamped', () => { a.data[0] = 300; a.data[1] = -4; a.data[2] = 1.5; return a.data.slice(0, 3).join(','); });
      probe('bitmap keys', () => Object.keys(rgb).join(','));
      probe('methods', () => Object.getOwnPropertyNames(Object.getPrototypeOf(rgb))
                                 .filter(n => n !== 'constructor').slice(-3).join(','));
      probe('length of methods', () => rgb.GetImageData.length + ',' + rgb.PutImageData.length);
      probe('borrowed', () => rgb.GetImageData.call({}));
      probe('constructed', () => new rgb.PutImageData({}));
    )JS");
    EXPECT_EQ(Value("keys"), Js("width,height,data"));
    EXPECT_EQ(Value("plain"), "true");
    EXPECT_EQ(Value("data"), "[Uint8ClampedArray]");
    EXPECT_EQ(Value("writable"), "true");
    EXPECT_EQ(Value("length"), Js("48,0,48"));
    EXPECT_EQ(Value("fresh"), "true");
    EXPECT_EQ(Value("clamped"), Js("255,0,2"));
    EXPECT_EQ(Value("bitmap keys"), Js("Width,Height,PixelType,PaletteCount,IsIndexColor,HasAlpha"));
    EXPECT_EQ(Value("methods"), Js("Clip,GetImageData,PutImageData"));
    EXPECT_EQ(Value("length of methods"), Js("0,0"));
    EXPECT_EQ(Value("borrowed").rfind("throws TypeError", 0), 0u) << Value("borrowed");
    EXPECT_TRUE(CallsOf("borrowed").empty());
    EXPECT_EQ(Value("constructed").rfind("throws TypeError", 0), 0u) << Value("constructed");
}

// When the context's array-buffer budget cannot hold the result, the script
// gets a RangeError, not a dead host.
TEST_F(ImageDataTest, RefusedMemoryIsARangeError) {
    Run(std::string(kHelpers) + R"JS(
      const hog = new ArrayBuffer(2 ** 30 - 16);
      probe('refused', () => rgba.GetImageData());
      probe('still there', () => hog.byteLength === 2 ** 30 - 16 && rgba.Width);
    )JS");
    // The size and kind were asked; no pixel was read for an array that
    // could not be made.
    Check("refused", "throws RangeError: Array buffer allocation failed",
          {At(rgba_, "GetWidth()"), At(rgba_, "GetHeight()"), At(rgba_, "IsIndexColor()"), At(rgba_, "HasAlpha()")});
    EXPECT_EQ(Value("still there"), "4");
}

// Host channel values become bytes as Math.round rounds them, clamped to
// 0..255; NaN gives 0.
TEST(ImageDataRounding, FollowsMathRoundThenClamps) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        int byte;
    } cases[] = {
        {0.0, 0},     {0.5, 1},     {1.5, 2},       {2.5, 3},    {254.4, 254},
        {254.5, 255}, {-0.5, 0},    {-0.4, 0},      {-3.0, 0},   {300.0, 255},
        {inf, 255},   {-inf, 0},    {std::nan(""), 0}, {255.0, 255}, {254.49, 254},
        {1e300, 255}, {-1e-300, 0}, {4294967296.5, 255},
        // floor(v + 0.5) would give 1 here: the sum rounds up in doubles.
        {0.49999999999999994, 0},
        {127.49999999999999, 127},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qfjsbinding::image_data::RoundChannel(c.value), c.byte) << c.value;
    }
}

// The example filter inverts red, green and blue of a direct-colour picture
// in one read and one write, and keeps the alpha.
TEST_F(ImageDataTest, ExampleFilterInvertsThroughImageData) {
    std::ifstream file(QFJS_SOURCE_DIR "/examples/filters/bulk_invert.js");
    ASSERT_TRUE(file) << "examples/filters/bulk_invert.js";
    std::stringstream text;
    text << file.rdbuf();
    qfhost::Picture* single = factory_.NewSinglePicture(rgba_);
    SetSource(single);
    SetTarget(single);
    Run(text.str());
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const Rgba before = DirectColor(x, y);
            EXPECT_EQ(rgba_->PixelColor(x, y),
                      (Rgba{std::uint8_t(255 - before.r), std::uint8_t(255 - before.g), std::uint8_t(255 - before.b),
                            before.a}));
        }
    }
}

}  // namespace
}  // namespace qfjs_v8test
