// The Picture class: type-guarded members and their host calls for each
// picture type, type words, the Bitmap member, and every method with its
// argument rules.
#include <string>

#include "tests/model_v8/v8_fixture.h"

namespace qfjs_v8test {
namespace {

using qfhost::PixelFormat;
using qfhost::Rgba;

class PictureTest : public V8ModelTest {
protected:
    // A "SINGLE" picture over a black 6x4 RGB bitmap.
    qfhost::Picture* MakeSingle() {
        single_bitmap_ = NewBitmap(6, 4, PixelFormat::kRgb24);
        return factory_.NewSinglePicture(single_bitmap_);
    }
    // A "LAYER" picture 8x6: a bitmap layer "A", then a folder "F" holding
    // the bitmap layer "C".
    qfhost::Picture* MakeLayered() {
        qfhost::Picture* picture = factory_.NewLayerPicture(8, 6);
        layer_a_ = factory_.NewBitmapLayer("A", NewBitmap(8, 6, PixelFormat::kRgba32));
        folder_ = factory_.NewFolderLayer("F");
        child_ = factory_.NewBitmapLayer("C", NewBitmap(2, 2, PixelFormat::kRgba32));
        EXPECT_TRUE(picture->AppendLayer(layer_a_));
        EXPECT_TRUE(picture->AppendLayer(folder_));
        EXPECT_TRUE(folder_->AppendChild(child_));
        return picture;
    }
    // An "ANIMATION" picture 8x6 with two frames.
    qfhost::Picture* MakeAnimation() {
        qfhost::Picture* picture = factory_.NewAnimationPicture(8, 6);
        EXPECT_NE(picture->AppendFrame(NewBitmap(8, 6, PixelFormat::kRgba32)), nullptr);
        EXPECT_NE(picture->AppendFrame(NewBitmap(8, 6, PixelFormat::kRgba32)), nullptr);
        return picture;
    }

    qfhost::Bitmap* single_bitmap_ = nullptr;
    qfhost::Layer* layer_a_ = nullptr;
    qfhost::Layer* folder_ = nullptr;
    qfhost::Layer* child_ = nullptr;
};

TEST_F(PictureTest, SinglePictureTypeGuards) {
    qfhost::Picture* p = MakeSingle();
    SetSource(p);
    Run(R"JS(
      const p = SourcePicture;
      probe('type', () => p.Type);
      probe('layer count', () => p.LayerCount);
      probe('frame count', () => p.AniFrameCount);
      probe('current layer', () => p.CurrentLayer);
      probe('current frame', () => p.CurrentAniFrame);
      probe('is single', () => p.IsSingle);
      probe('is layer', () => p.IsLayer);
      probe('is animation', () => p.IsAnimation);
      probe('write width', () => { p.CanvasWidth = 77; });
      probe('write height', () => { p.CanvasHeight = 77; });
      probe('width', () => p.CanvasWidth);
      probe('height', () => p.CanvasHeight);
      probe('pixel type', () => p.PixelType);
      probe('mipmap level', () => p.MipmapLevel);
    )JS");
    const std::string type = At(p, "GetType()");
    Check("type", "\"SINGLE\"", {type});
    Check("layer count", "null", {type});
    Check("frame count", "null", {type});
    Check("current layer", "null", {type});
    Check("current frame", "null", {type});
    Check("is single", "true", {type});
    Check("is layer", "false", {type});
    Check("is animation", "false", {type});
    Check("write width", "undefined", {type, type});
    Check("write height", "undefined", {type, type});
    Check("width", "6", {At(p, "GetCanvasWidth()")});
    Check("height", "4", {At(p, "GetCanvasHeight()")});
    Check("pixel type", "\"RGB24\"", {At(p, "GetPixelType()")});
    Check("mipmap level", "2", {At(p, "GetMipmapLevel()")});
    EXPECT_EQ(p->canvas_width(), 6);
    EXPECT_EQ(p->canvas_height(), 4);
}

TEST_F(PictureTest, LayerPictureTypeGuardsAndCanvasWrites) {
    qfhost::Picture* p = MakeLayered();
    SetSource(p);
    Run(R"JS(
      const p = SourcePicture;
      probe('layer count', () => p.LayerCount);
      probe('current layer', () => p.CurrentLayer);
      probe('current layer name', () => p.CurrentLayer.Name);
      probe('frame count', () => p.AniFrameCount);
      probe('current frame', () => p.CurrentAniFrame);
      probe('write height', () => { p.CanvasHeight = 512.9; });
      probe('write width', () => { p.CanvasWidth = '20'; });
      probe('is layer', () => p.IsLayer);
    )JS");
    const std::string type = At(p, "GetType()");
    Check("layer count", "2", {type, At(p, "GetLayerCount()")});
    Check("current layer", "[Layer]", {type, At(p, "GetCurrentLayer()")});
    Check("current layer name", "\"F\"", {type, At(p, "GetCurrentLayer()"), At(folder_, "GetName()")});
    Check("frame count", "null", {type});
    Check("current frame", "null", {type});
    Check("write height", "undefined", {type, At(p, "SetCanvasHeight(512)")});
    Check("write width", "undefined", {type, At(p, "SetCanvasWidth(20)")});
    Check("is layer", "true", {type});
    EXPECT_EQ(p->canvas_width(), 20);
    EXPECT_EQ(p->canvas_height(), 512);
}

TEST_F(PictureTest, AnimationPictureTypeGuardsAndCanvasWrites) {
    qfhost::Picture* p = MakeAnimation();
    SetSource(p);
    Run(R"JS(
      const p = SourcePicture;
      probe('write width', () => { p.CanvasWidth = 30; });
      probe('write height', () => { p.CanvasHeight = -0; });
      probe('frame count', () => p.AniFrameCount);
      probe('current frame', () => p.CurrentAniFrame);
      probe('layer count', () => p.LayerCount);
      probe('current layer', () => p.CurrentLayer);
      probe('is animation', () => p.IsAnimation);
    )JS");
    const std::string type = At(p, "GetType()");
    Check("write width", "undefined", {type, type, At(p, "SetCanvasWidth(30)")});
    Check("write height", "undefined", {type, type, At(p, "SetCanvasHeight(0)")});
    Check("frame count", "2", {type, At(p, "GetAniFrameCount()")});
    Check("current frame", "[AniFrame]", {type, At(p, "GetCurrentAniFrame()")});
    Check("layer count", "null", {type});
    Check("current layer", "null", {type});
    Check("is animation", "true", {type});
    EXPECT_EQ(p->canvas_width(), 30);
}

// Type words reach the host with ASCII letters upper-cased and every other
// character unchanged; what the picture is afterwards is the host's answer.
TEST_F(PictureTest, TypeAssignmentsAreUpperCasedAsciiOnly) {
    qfhost::Picture* p = MakeSingle();
    SetSource(p);
    Run(R"JS(
      const p = SourcePicture;
      probe('animation', () => { p.Type = 'animation'; });
      probe('now animation', () => p.IsAnimation);
      probe('non-ASCII letter', () => { p.Type = 'layer\u00e4'; });
      probe('sharp s', () => { p.Type = 'stra\u00dfe'; });
      probe('number', () => { p.Type = 5; });
      probe('cut at NUL', () => { p.Type = 'sIngle\0layer'; });
      probe('type now', () => p.Type);
    )JS");
    Check("animation", "undefined", {At(p, "SetType(\"ANIMATION\")")});
    Check("now animation", "true", {At(p, "GetType()")});
    Check("non-ASCII letter", "undefined", {At(p, "SetType(\"LAYER\xc3\xa4\")")});
    Check("sharp s", "undefined", {At(p, "SetType(\"STRA\xc3\x9f" "E\")")});
    Check("number", "undefined", {At(p, "SetType(\"5\")")});
    Check("cut at NUL", "undefined", {At(p, "SetType(\"SINGLE\")")});
    Check("type now", "\"SINGLE\"", {At(p, "GetType()")});
}

TEST_F(PictureTest, BitmapMemberTakesOnlyBitmapWrappers) {
    qfhost::Picture* p = MakeSingle();
    qfhost::Bitmap* other = NewBitmap(3, 3, PixelFormat::kRgba32);
    SetSource(p);
    SetTarget(factory_.NewSinglePicture(other));
    Run(R"JS(
      const p = SourcePicture, other = ResultPicture.Bitmap;
      probe('read', () => p.Bitmap);
      probe('plain object', () => { p.Bitmap = {}; });
      probe('null', () => { p.Bitmap = null; });
      probe('picture', () => { p.Bitmap = ResultPicture; });
      probe('named like it', () => { p.Bitmap = new (function Bitmap() {})(); });
      probe('derived from a bitmap', () => { p.Bitmap = Object.create(other); });
      probe('bitmap', () => { p.Bitmap = other; });
      probe('width now', () => p.CanvasWidth);
    )JS");
    Check("read", "[Bitmap]", {At(p, "GetBitmap()")});
    for (const char* refused : {"plain object", "null", "picture", "named like it", "derived from a bitmap"}) {
        Check(refused, "undefined", {});
    }
    Check("bitmap", "undefined", {At(p, "SetBitmap(" + L(other) + ")")});
    Check("width now", "3", {At(p, "GetCanvasWidth()")});
    EXPECT_EQ(p->bitmap(), other);
}

TEST_F(PictureTest, DuplicateStandsForTheHostsNewCopy) {
    qfhost::Picture* p = MakeSingle();
    SetSource(p);
    Run(R"JS(
      const p = SourcePicture;
      probe('duplicate', () => p.Duplicate());
      const d = p.Duplicate();
      probe('not the same object', () => d === p);
      probe('equal content', () => d.Equals(p));
      d.Bitmap.SetPixel(0, 0, 255, 0, 0);
      probe('copy changed', () => d.Bitmap.GetPixelR(0, 0));
      probe('source unchanged', () => p.Bitmap.GetPixelR(0, 0));
    )JS");
    Check("duplicate", "[Picture]", {At(p, "Duplicate()")});
    EXPECT_EQ(Value("not the same object"), "false");
    EXPECT_EQ(Value("equal content"), "true");
    EXPECT_EQ(Value("copy changed"), "255");
    EXPECT_EQ(Value("source unchanged"), "0");
    EXPECT_EQ(single_bitmap_->PixelColor(0, 0), (Rgba{0, 0, 0, 255}));
}

TEST_F(PictureTest, LayerMethodsConvertIndicesAndCheckLayerArguments) {
    qfhost::Picture* p = MakeLayered();
    qfhost::Layer* loose = factory_.NewBitmapLayer("loose", NewBitmap(2, 2, PixelFormat::kRgba32));
    qfhost::Layer* loose2 = factory_.NewBitmapLayer("loose2", NewBitmap(2, 2, PixelFormat::kRgba32));
    qfhost::Picture* holder = factory_.NewLayerPicture(2, 2);
    ASSERT_TRUE(holder->AppendLayer(loose));
    ASSERT_TRUE(holder->AppendLayer(loose2));
    SetSource(p);
    SetTarget(holder);
    Run(R"JS(
      const p = SourcePicture, loose = ResultPicture.GetLayer(0), loose2 = ResultPicture.GetLayer(1);
      const child = p.GetLayer(1).GetChild(0), top = p.GetLayer(0);
      probe('get none', () => p.GetLayer());
      probe('get fraction', () => p.GetLayer(0.9).Name);
      probe('get string', () => p.GetLayer('1'));
      probe('get negative', () => p.GetLayer(-1));
      probe('get wrapped', () => p.GetLayer(2 ** 32 + 1));
      probe('add none', () => p.AddLayer());
      probe('add picture', () => p.AddLayer(p));
      probe('add plain', () => p.AddLayer({}));
      probe('add null', () => p.AddLayer(null));
      probe('add layer', () => p.AddLayer(loose, 'ignored'));
      probe('insert one argument', () => p.InsertLayer(0));
      probe('insert plain', () => p.InsertLayer(0, {}));
      probe('insert layer', () => p.InsertLayer('1', loose2));
      probe('parent none', () => p.GetParentLayer());
      probe('parent plain', () => p.GetParentLayer({}));
      probe('parent undefined', () => p.GetParentLayer(undefined));
      probe('parent of child', () => p.GetParentLayer(child).Name);
      probe('parent of top', () => p.GetParentLayer(top));
      probe('remove none', () => p.RemoveLayer());
      probe('remove refused', () => p.RemoveLayer(9));
      probe('remove', () => p.RemoveLayer(0));
    )JS");
    Check("get none", "null", {});
    Check("get fraction", "\"A\"", {At(p, "GetLayer(0)"), At(layer_a_, "GetName()")});
    Check("get string", "[Layer]", {At(p, "GetLayer(1)")});
    Check("get negative", "null", {At(p, "GetLayer(-1)")});
    Check("get wrapped", "[Layer]", {At(p, "GetLayer(1)")});
    Check("add none", "false", {});
    Check("add picture", "false", {});
    Check("add plain", "false", {});
    Check("add null", "throws TypeError: Cannot convert undefined or null to object", {});
    Check("add layer", "true", {At(p, "AddLayer(" + L(loose) + ")")});
    Check("insert one argument", "false", {});
    Check("insert plain", "false", {});
    Check("insert layer", "true", {At(p, "InsertLayer(1," + L(loose2) + ")")});
    Check("parent none", "null", {});
    Check("parent plain", "null", {});
    Check("parent undefined", "throws TypeError: Cannot convert undefined or null to object", {});
    Check("parent of child", "\"F\"", {At(p, "GetParentLayer(" + L(child_) + ")"), At(folder_, "GetName()")});
    Check("parent of top", "null", {At(p, "GetParentLayer(" + L(layer_a_) + ")")});
    Check("remove none", "false", {});
    Check("remove refused", "false", {At(p, "RemoveLayer(9)")});
    Check("remove", "true", {At(p, "RemoveLayer(0)")});
    ASSERT_EQ(p->layers().size(), 3u);
    EXPECT_EQ(p->layers()[0], loose2);
    EXPECT_EQ(p->layers()[1], folder_);
    EXPECT_EQ(p->layers()[2], loose);
}

TEST_F(PictureTest, FrameMethods) {
    qfhost::Picture* p = MakeAnimation();
    SetSource(p);
    SetTarget(MakeSingle());
    Run(R"JS(
      const p = SourcePicture;
      probe('get none', () => p.GetAniFrame());
      probe('get', () => p.GetAniFrame('1'));
      probe('get refused', () => p.GetAniFrame(5));
      probe('remove none', () => p.RemoveAniFrame());
      probe('remove', () => p.RemoveAniFrame(1));
      probe('add', () => p.AddAniFrame('ignored'));
      probe('insert none', () => p.InsertAniFrame());
      probe('insert', () => p.InsertAniFrame(0));
      probe('count', () => p.AniFrameCount);
    )JS");
    Check("get none", "null", {});
    Check("get", "[AniFrame]", {At(p, "GetAniFrame(1)")});
    Check("get refused", "null", {At(p, "GetAniFrame(5)")});
    Check("remove none", "false", {});
    Check("remove", "true", {At(p, "RemoveAniFrame(1)")});
    Check("add", "[AniFrame]", {At(p, "AddAniFrame()")});
    Check("insert none", "false", {});
    Check("insert", "[AniFrame]", {At(p, "InsertAniFrame(0)")});
    Check("count", "3", {At(p, "GetType()"), At(p, "GetAniFrameCount()")});
    EXPECT_EQ(p->frames().size(), 3u);
}

TEST_F(PictureTest, MipmapsAreBitmapsOrNull) {
    qfhost::Picture* p = MakeSingle();
    SetSource(p);
    Run(R"JS(
      probe('none', () => SourcePicture.GetMipmap());
      probe('level 1', () => SourcePicture.GetMipmap(1));
      probe('level 1 size', () => { const m = SourcePicture.GetMipmap(1.5); return m.Width + 'x' + m.Height; });
      probe('beyond the last', () => SourcePicture.GetMipmap(99));
    )JS");
    Check("none", "null", {});
    Check("level 1", "[Bitmap]", {At(p, "GetMipmap(1)")});
    EXPECT_EQ(Value("level 1 size"), "\"3x2\"");
    Check("beyond the last", "null", {At(p, "GetMipmap(99)")});
}

// The filter settings reach the host as compact JSON, or empty without a
// settings argument; whatever picture the host returns is wrapped.
TEST_F(PictureTest, ApplyFilterSerialisesItsSettingsCompactly) {
    qfhost::Picture* p = MakeSingle();
    SetSource(p);
    Run(R"JS(
      const p = SourcePicture;
      probe('none', () => p.ApplyFilter());
      probe('name only', () => p.ApplyFilter('Invert'));
      probe('one number', () => p.ApplyFilter('Threshold', { Level: 100 }));
      probe('nested', () => p.ApplyFilter('Grayscale', { Weights: [0.25, 0.5, 0.25], note: 'a b' }));
      probe('unknown filter', () => p.ApplyFilter('Nope'));
      probe('name cut at NUL', () => p.ApplyFilter('Inv\0ert'));
      probe('number settings', () => p.ApplyFilter('Invert', 5));
      const cyclic = {}; cyclic.self = cyclic;
      probe('cyclic settings', () => p.ApplyFilter('Invert', cyclic));
      probe('throwing toJSON', () => p.ApplyFilter('Invert', { toJSON() { throw 'json'; } }));
      probe('null settings', () => p.ApplyFilter('Invert', null));
      probe('function settings', () => p.ApplyFilter('Invert', function () {}));
      probe('settings serialised to nothing', () => p.ApplyFilter('Invert', { toJSON() {} }));
      const inverted = p.ApplyFilter('invert');
      probe('result pixel', () => inverted.Bitmap.GetPixelR(0, 0));
      probe('source pixel', () => p.Bitmap.GetPixelR(0, 0));
    )JS");
    Check("none", "null", {});
    Check("name only", "[Picture]", {At(p, "ApplyFilter(\"Invert\",\"\")")});
    Check("one number", "[Picture]", {At(p, "ApplyFilter(\"Threshold\",\"{\\\"Level\\\":100}\")")});
    Check("nested", "[Picture]",
          {At(p, "ApplyFilter(\"Grayscale\",\"{\\\"Weights\\\":[0.25,0.5,0.25],\\\"note\\\":\\\"a b\\\"}\")")});
    Check("unknown filter", "null", {At(p, "ApplyFilter(\"Nope\",\"\")")});
    Check("name cut at NUL", "null", {At(p, "ApplyFilter(\"Inv\",\"\")")});
    Check("number settings", "null", {At(p, "ApplyFilter(\"Invert\",\"5\")")});
    EXPECT_EQ(Value("cyclic settings").rfind("throws TypeError: Converting circular structure to JSON", 0), 0u)
        << Value("cyclic settings");
    EXPECT_TRUE(CallsOf("cyclic settings").empty());
    Check("throwing toJSON", "throws \"json\"", {});
    Check("null settings", "throws TypeError: Cannot convert undefined or null to object", {});
    // JSON.stringify gives no text for these; the host gets no call rather
    // than the word "undefined" as settings.
    Check("function settings", "null", {});
    Check("settings serialised to nothing", "null", {});
    EXPECT_EQ(Value("result pixel"), "255");
    EXPECT_EQ(Value("source pixel"), "0");
}

}  // namespace
}  // namespace qfjs_v8test
