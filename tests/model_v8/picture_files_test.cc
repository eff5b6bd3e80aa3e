// LoadPicture and SavePicture: argument rules, options texts, a new picture
// over a saved bitmap at every call, and a round trip from a PNG file
// through layer and pixel edits back to a PNG that decodes as expected.
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/model_v8/v8_fixture.h"

namespace qfjs_v8test {
namespace {

namespace fs = std::filesystem;
using qfhost::PixelFormat;
using qfhost::Rgba;

class PictureFilesTest : public V8ModelTest {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("qfjs-v8-files-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        bitmap_ = NewBitmap(4, 3, PixelFormat::kRgb24);
        source_ = factory_.NewSinglePicture(bitmap_);
        SetSource(source_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    std::string File(const std::string& name) const { return (dir_ / name).string(); }

    // A 4x3 RGB picture file: pixel (x, y) is (10 x, 20 y, 100, 255).
    std::string WriteFixture(const std::string& name) {
        qfhost::RgbaImage image(4, 3, false);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 4; ++x) {
                image.Set(x, y, Rgba{static_cast<std::uint8_t>(10 * x), static_cast<std::uint8_t>(20 * y), 100, 255});
            }
        }
        const std::string path = File(name);
        EXPECT_TRUE(qfhost::WritePngFile(path, image, false));
        return path;
    }

    // The file's pixels as RGBA.
    static qfhost::RgbaImage Decode(const std::string& path) {
        qfhost::PngImage png;
        qfhost::RgbaImage image;
        if (!qfhost::ReadPngFile(path, false, &png)) {
            ADD_FAILURE() << "cannot read " << path;
            return image;
        }
        image = qfhost::RgbaImage(png.width, png.height, png.has_alpha);
        for (int y = 0; y < png.height; ++y) {
            for (int x = 0; x < png.width; ++x) {
                const std::uint8_t* p = &png.pixels[(static_cast<std::size_t>(y) * png.width + x) * 4];
                image.Set(x, y, Rgba{p[0], p[1], p[2], p[3]});
            }
        }
        return image;
    }

    fs::path dir_;
    qfhost::Bitmap* bitmap_ = nullptr;
    qfhost::Picture* source_ = nullptr;
};

TEST_F(PictureFilesTest, LoadPicturePassesPathAndOptionsText) {
    const std::string path = WriteFixture("in.png");
    Run("const PATH = " + Js(path) + ", MISSING = " + Js(File("missing.png")) + ";\n" + R"JS(
      probe('none', () => LoadPicture());
      probe('path only', () => LoadPicture(PATH));
      probe('empty options', () => LoadPicture(PATH, {}));
      probe('options', () => LoadPicture(PATH, { IndexColor: false, note: [1, 'a/b'] }));
      probe('missing file', () => LoadPicture(MISSING));
      probe('relative path unchanged', () => LoadPicture('sub/../x.png'));
      const cyclic = []; cyclic.push(cyclic);
      probe('cyclic options', () => LoadPicture(PATH, cyclic));
      probe('null options', () => LoadPicture(PATH, null));
      probe('function options', () => LoadPicture(PATH, () => 1));
      probe('loaded', () => { const p = LoadPicture(PATH); return [p.Type, p.CanvasWidth, p.Bitmap.GetPixelR(3, 0)].join(); });
    )JS");
    const std::string quoted = Js(path);
    Check("none", "null", {});
    Check("path only", "[Picture]", {"Factory.LoadPicture(" + quoted + ",\"\")"});
    Check("empty options", "[Picture]", {"Factory.LoadPicture(" + quoted + ",\"{}\")"});
    Check("options", "[Picture]",
          {"Factory.LoadPicture(" + quoted + ",\"{\\\"IndexColor\\\":false,\\\"note\\\":[1,\\\"a/b\\\"]}\")"});
    Check("missing file", "null", {"Factory.LoadPicture(" + Js(File("missing.png")) + ",\"\")"});
    Check("relative path unchanged", "null", {"Factory.LoadPicture(\"sub/../x.png\",\"\")"});
    EXPECT_EQ(Value("cyclic options").rfind("throws TypeError: Converting circular structure to JSON", 0), 0u)
        << Value("cyclic options");
    EXPECT_TRUE(CallsOf("cyclic options").empty());
    Check("null options", "throws TypeError: Cannot convert undefined or null to object", {});
    Check("function options", "null", {});
    EXPECT_EQ(Value("loaded"), "\"SINGLE,4,30\"");
}

// A bitmap is saved through a new host picture made over it (not a copy)
// at every call; a picture is saved as it is; anything else is refused.
TEST_F(PictureFilesTest, SavePictureArgumentsAndPictures) {
    Run("const OUT = " + Js(File("out.png")) + ", OUT2 = " + Js(File("out2.png")) + ";\n" + R"JS(
      const bmp = SourcePicture.Bitmap, layer = CreateFolderLayer();
      probe('none', () => SavePicture());
      probe('one', () => SavePicture(bmp));
      probe('layer', () => SavePicture(layer, OUT));
      probe('number', () => SavePicture(5, OUT));
      probe('named like a picture', () => SavePicture(new (function Picture() {})(), OUT));
      probe('null', () => SavePicture(null, OUT));
      probe('bitmap twice', () => SavePicture(bmp, OUT) && SavePicture(bmp, OUT2, 'ignored'.length ? {} : 0));
      probe('picture with options', () => SavePicture(SourcePicture, OUT, { Alpha: false }));
      probe('bad options for the host', () => SavePicture(SourcePicture, OUT, { Alpha: 'maybe' }));
      probe('unwritable path', () => SavePicture(SourcePicture, OUT + '/no/such/dir.png'));
    )JS");
    const std::string out = Js(File("out.png")), out2 = Js(File("out2.png"));
    Check("none", "false", {});
    Check("one", "false", {});
    Check("layer", "false", {});
    Check("number", "false", {});
    Check("named like a picture", "false", {});
    Check("null", "throws TypeError: Cannot convert undefined or null to object", {});
    EXPECT_EQ(Value("bitmap twice"), "true");
    EXPECT_EQ(NewCalls("bitmap twice", {bitmap_}),
              (Calls{"Factory.CreatePicture(" + L(bitmap_) + ")", "Factory.SavePicture(Picture#new1," + out + ",\"\")",
                     "Factory.CreatePicture(" + L(bitmap_) + ")",
                     "Factory.SavePicture(Picture#new2," + out2 + ",\"{}\")"}));
    Check("picture with options", "true",
          {"Factory.SavePicture(" + L(source_) + "," + out + ",\"{\\\"Alpha\\\":false}\")"});
    Check("bad options for the host", "false",
          {"Factory.SavePicture(" + L(source_) + "," + out + ",\"{\\\"Alpha\\\":\\\"maybe\\\"}\")"});
    Check("unwritable path", "false",
          {"Factory.SavePicture(" + L(source_) + "," + Js(File("out.png") + "/no/such/dir.png") + ",\"\")"});
    EXPECT_TRUE(fs::exists(File("out2.png")));
}

// Every conversion of SavePicture happens before the host is asked for
// anything: a path or options object that throws leaves no new picture
// behind.
TEST_F(PictureFilesTest, SavePictureConvertsEverythingBeforeCallingTheHost) {
    Run("const OUT = " + Js(File("out.png")) + ";\n" + R"JS(
      const bmp = SourcePicture.Bitmap;
      const cyclic = {}; cyclic.self = cyclic;
      probe('throwing path', () => SavePicture(bmp, { toString() { throw 'path'; } }));
      probe('symbol path', () => SavePicture(bmp, Symbol('p')));
      probe('cyclic options', () => SavePicture(bmp, OUT, cyclic));
      probe('undefined options', () => SavePicture(bmp, OUT, undefined));
      probe('bigint options', () => SavePicture(SourcePicture, OUT, { n: 1n }));
      probe('options serialised to nothing', () => SavePicture(bmp, OUT, { toJSON() {} }));
    )JS");
    Check("throwing path", "throws \"path\"", {});
    Check("symbol path", "throws TypeError: Cannot convert a Symbol value to a string", {});
    EXPECT_EQ(Value("cyclic options").rfind("throws TypeError: Converting circular structure to JSON", 0), 0u)
        << Value("cyclic options");
    EXPECT_TRUE(CallsOf("cyclic options").empty());
    Check("undefined options", "throws TypeError: Cannot convert undefined or null to object", {});
    Check("bigint options", "throws TypeError: Do not know how to serialize a BigInt", {});
    Check("options serialised to nothing", "false", {});
    EXPECT_FALSE(fs::exists(File("out.png")));
}

// A script loads a picture file, turns it into a layer picture, edits
// pixels of its background, adds a partly transparent layer at an offset
// and a hidden one, and saves it; the file holds exactly the composed
// picture.
TEST_F(PictureFilesTest, RoundTripThroughLayersAndPixels) {
    const std::string in = WriteFixture("in.png");
    const std::string out = File("edited.png");
    Run("const IN = " + Js(in) + ", OUT = " + Js(out) + ";\n" + R"JS(
      const p = LoadPicture(IN);
      p.Type = 'layer';
      const background = p.GetLayer(0);
      background.Bitmap.SetPixel(0, 0, 0, 0, 255);
      const top = CreateBitmapLayer(2, 2);
      top.Bitmap.SetPixel(0, 0, 255, 255, 0, 255);
      top.X = 2;
      top.Y = 1;
      p.AddLayer(top);
      const hidden = CreateBitmapLayer(4, 3);
      hidden.Bitmap.SetPixel(1, 1, 255, 0, 255, 255);
      hidden.Hidden = true;
      p.AddLayer(hidden);
      probe('layers', () => p.LayerCount);
      probe('saved', () => SavePicture(p, OUT, { Alpha: false }));
    )JS");
    EXPECT_EQ(Value("layers"), "3");
    ASSERT_EQ(Value("saved"), "true");
    const qfhost::RgbaImage image = Decode(out);
    ASSERT_EQ(image.width, 4);
    ASSERT_EQ(image.height, 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            Rgba expected{static_cast<std::uint8_t>(10 * x), static_cast<std::uint8_t>(20 * y), 100, 255};
            if (x == 0 && y == 0) expected = Rgba{0, 0, 255, 255};
            if (x == 2 && y == 1) expected = Rgba{255, 255, 0, 255};
            EXPECT_EQ(image.At(x, y), expected) << "pixel " << x << "," << y;
        }
    }
}

// Saving a bitmap writes that bitmap's current pixels.
TEST_F(PictureFilesTest, RoundTripOfASavedBitmap) {
    const std::string out = File("bitmap.png");
    Run("const OUT = " + Js(out) + ";\n" + R"JS(
      const b = CreateBitmap(3, 2, 32);
      b.SetPixel(0, 0, 1, 2, 3, 255);
      b.SetPixel(2, 1, 200, 100, 50, 128);
      probe('saved', () => SavePicture(b, OUT));
    )JS");
    ASSERT_EQ(Value("saved"), "true");
    const qfhost::RgbaImage image = Decode(out);
    ASSERT_EQ(image.width, 3);
    ASSERT_EQ(image.height, 2);
    EXPECT_EQ(image.At(0, 0), (Rgba{1, 2, 3, 255}));
    EXPECT_EQ(image.At(2, 1), (Rgba{200, 100, 50, 128}));
    EXPECT_EQ(image.At(1, 0).a, 0);
}

}  // namespace
}  // namespace qfjs_v8test
