// The version 8 environment as a script sees it: the ready-made globals and
// the factory calls behind them, the shape of every class (accessors as own
// properties in table order, methods on the prototype), read-only members,
// the common Equals and Jsonize, wrapper identity and the result picture.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/model_v8/v8_fixture.h"

namespace qfjs_v8test {
namespace {

using qfhost::PixelFormat;

class RegistrationTest : public V8ModelTest {
protected:
    // A document, a layer picture with one bitmap layer as the source and an
    // animation picture with one frame as the target.
    void SetUpPictures() {
        document_ = factory_.NewDocument("C:\\pictures\\cat.png");
        source_ = factory_.NewLayerPicture(8, 6);
        bitmap_ = NewBitmap(8, 6, PixelFormat::kRgba32);
        layer_ = factory_.NewBitmapLayer("Background", bitmap_);
        ASSERT_TRUE(source_->AppendLayer(layer_));
        target_ = factory_.NewAnimationPicture(8, 6);
        ASSERT_NE(target_->AppendFrame(NewBitmap(8, 6, PixelFormat::kRgba32)), nullptr);
        SetDocument(document_);
        SetSource(source_);
        SetTarget(target_);
    }

    qfhost::Document* document_ = nullptr;
    qfhost::Picture* source_ = nullptr;
    qfhost::Picture* target_ = nullptr;
    qfhost::Bitmap* bitmap_ = nullptr;
    qfhost::Layer* layer_ = nullptr;
};

TEST_F(RegistrationTest, EveryExecutionAsksTheFactoryForDocumentSourceAndTargetInOrder) {
    SetUpPictures();
    for (int run = 0; run < 2; ++run) {
        factory_.log().Clear();
        Run("");
        EXPECT_EQ(factory_.log().Entries(),
                  (Calls{"Factory.GetDocument(" + L(document_) + ")", "Factory.GetPicture(" + L(source_) + ")",
                         "Factory.GetPicture(" + L(target_) + ")"}))
            << "run " << run;
    }
}

TEST_F(RegistrationTest, RequestWithoutHandlesStillAsksTheFactoryWithNull) {
    factory_.log().Clear();
    Run("");
    EXPECT_EQ(factory_.log().Entries(),
              (Calls{"Factory.GetDocument(null)", "Factory.GetPicture(null)", "Factory.GetPicture(null)"}));
}

TEST_F(RegistrationTest, GlobalsAreInstancesAndGlobalFunctionsExist) {
    SetUpPictures();
    Run(R"JS(
      probe('Document', () => Document);
      probe('SourcePicture', () => SourcePicture);
      probe('ResultPicture', () => ResultPicture);
      probe('System', () => System);
      probe('Path', () => Path);
      probe('functions', () => ['CreatePicture', 'CreateBitmap', 'CreateBitmapLayer', 'CreateFolderLayer',
          'CreateLayerFromBitmap', 'LoadPicture', 'SavePicture', 'LoadTextFile', 'LoadBinaryFile',
          'SaveTextFile', 'SaveBinaryFile'].map(n => typeof globalThis[n]).join(','));
      probe('enumerable', () => ['System', 'Path', 'Document', 'SourcePicture', 'ResultPicture']
          .map(n => Object.getOwnPropertyDescriptor(globalThis, n))
          .every(d => d && d.writable && d.enumerable && d.configurable));
    )JS");
    EXPECT_EQ(Value("Document"), "[Document]");
    EXPECT_EQ(Value("SourcePicture"), "[Picture]");
    EXPECT_EQ(Value("ResultPicture"), "[Picture]");
    EXPECT_EQ(Value("System"), "[System]");
    EXPECT_EQ(Value("Path"), "[Path]");
    EXPECT_EQ(Value("functions"),
              "\"function,function,function,function,function,function,function,function,function,function,"
              "function\"");
    EXPECT_EQ(Value("enumerable"), "true");
}

TEST_F(RegistrationTest, ClassNamesAreNotGlobals) {
    Run(R"JS(
      for (const name of ['Picture', 'Bitmap', 'Layer', 'AniFrame', 'ColorObject'])
        probe(name, () => eval(name));
    )JS");
    for (const char* name : {"Picture", "Bitmap", "Layer", "AniFrame", "ColorObject"}) {
        EXPECT_EQ(Value(name), std::string("throws ReferenceError: ") + name + " is not defined");
        EXPECT_TRUE(CallsOf(name).empty());
    }
}

// Accessors are own properties of every wrapper, in table order; methods
// live on the prototype, in table order.
TEST_F(RegistrationTest, ClassShapesFollowTheMemberTables) {
    SetUpPictures();
    struct Shape {
        const char* name;
        const char* accessors;
        const char* methods;
    };
    const Shape shapes[] = {
        {"Document", "FilePath,CurrentColor", "IsSelected,Jsonize,Equals"},
        {"Picture",
         "Type,Bitmap,CanvasWidth,CanvasHeight,AniFrameCount,LayerCount,CurrentLayer,CurrentAniFrame,IsLayer,"
         "IsSingle,IsAnimation,MipmapLevel,PixelType",
         "Equals,Jsonize,Duplicate,GetAniFrame,GetLayer,RemoveLayer,AddLayer,InsertLayer,ApplyFilter,"
         "GetParentLayer,GetMipmap,RemoveAniFrame,AddAniFrame,InsertAniFrame"},
        {"AniFrame", "Type,Bitmap,TimeSecNumerator,TimeSecDenominator,TimeFpsNumerator,TimeFpsDenominator,Time",
         ""},
        {"Layer", "Type,Bitmap,Name,X,Y,Opacity,Hidden,ChildCount,IsFolder,IsBitmap",
         "Equals,Jsonize,GetChild,RemoveChild,InsertChild,AddChild"},
        {"Bitmap", "Width,Height,PixelType,PaletteCount,IsIndexColor,HasAlpha",
         "Equals,Jsonize,Duplicate,GetPixel,GetPaletteEntry,SetPaletteEntry,SetPixel,GetPixelR,GetPixelG,"
         "GetPixelB,GetPixelA,GetPixelI,Overlay,Resize,Clip,GetImageData,PutImageData"},
        {"ColorObject", "R,G,B,A,I", "Equals"},
    };
    Run(R"JS(
      const bmp = SourcePicture.GetLayer(0).Bitmap;
      const instances = {
        Document: Document, Picture: SourcePicture, AniFrame: ResultPicture.CurrentAniFrame,
        Layer: SourcePicture.GetLayer(0), Bitmap: bmp, ColorObject: bmp.GetPixel(0, 0),
      };
      for (const name in instances) {
        const o = instances[name];
        probe(name + ' class', () => o);
        probe(name + ' accessors', () => Object.keys(o).join(','));
        probe(name + ' own names', () => Object.getOwnPropertyNames(o).join(','));
        probe(name + ' methods', () => Object.getOwnPropertyNames(Object.getPrototypeOf(o))
            .filter(n => n !== 'constructor').join(','));
      }
    )JS");
    for (const Shape& shape : shapes) {
        const std::string name = shape.name;
        EXPECT_EQ(Value(name + " class"), "[" + name + "]");
        EXPECT_EQ(Value(name + " accessors"), Js(shape.accessors)) << name;
        EXPECT_EQ(Value(name + " own names"), Js(shape.accessors)) << name;
        EXPECT_EQ(Value(name + " methods"), Js(shape.methods)) << name;
        // Listing members never asks the host.
        EXPECT_TRUE(CallsOf(name + " accessors").empty()) << name;
    }
}

// Members without a setter never reach the host, in sloppy and strict code.
TEST_F(RegistrationTest, AssigningReadOnlyMembersCallsNoHostOperation) {
    SetUpPictures();
    const std::vector<std::string> assignments = {
        "SourcePicture.LayerCount = 5",     "SourcePicture.AniFrameCount = 5", "SourcePicture.CurrentLayer = null",
        "SourcePicture.IsLayer = false",    "SourcePicture.MipmapLevel = 3",   "SourcePicture.PixelType = 'X'",
        "ResultPicture.CurrentAniFrame = 1", "Document.FilePath = 'x'",        "Document.CurrentColor = 1",
        "layer.ChildCount = 4",             "layer.IsFolder = true",           "layer.IsBitmap = false",
        "frame.Time = 9",                   "bmp.Width = 5",                   "bmp.Height = 5",
        "bmp.PixelType = 'INDEX8'",
    };
    std::string script =
        "const layer = SourcePicture.GetLayer(0), bmp = layer.Bitmap, frame = ResultPicture.CurrentAniFrame;\n";
    for (const std::string& a : assignments) {
        script += "probe(" + Js(a) + ", () => { " + a + "; return 1; });\n";
        script += "probe(" + Js("strict " + a) + ", () => { 'use strict'; try { " + a +
                  "; } catch (e) { return 2; } return 1; });\n";
    }
    Run(script);
    for (const std::string& a : assignments) {
        EXPECT_EQ(Value(a), "1") << a;
        EXPECT_TRUE(CallsOf(a).empty()) << a;
        EXPECT_TRUE(CallsOf("strict " + a).empty()) << a;
    }
    EXPECT_EQ(source_->layers().size(), 1u);
    EXPECT_EQ(bitmap_->width(), 8);
    EXPECT_EQ(document_->file_path(), "C:\\pictures\\cat.png");
}

TEST_F(RegistrationTest, EveryAccessMakesANewWrapper) {
    SetUpPictures();
    Run(R"JS(
      probe('layer identity', () => SourcePicture.GetLayer(0) === SourcePicture.GetLayer(0));
      probe('layer equals', () => SourcePicture.GetLayer(0).Equals(SourcePicture.GetLayer(0)));
      probe('bitmap identity', () => SourcePicture.Bitmap === SourcePicture.Bitmap);
      probe('document colour identity', () => Document.CurrentColor === Document.CurrentColor);
    )JS");
    EXPECT_EQ(Value("layer identity"), "false");
    EXPECT_EQ(Value("layer equals"), "true");
    EXPECT_EQ(CallsOf("layer equals"), (Calls{At(source_, "GetLayer(0)"), At(source_, "GetLayer(0)"),
                                              At(layer_, "Equals(" + L(layer_) + ")")}));
    EXPECT_EQ(Value("bitmap identity"), "false");
    EXPECT_EQ(Value("document colour identity"), "false");
}

// Equals of Document, Picture, Layer and Bitmap: false without an argument
// or for another class (no host call), a TypeError for null and undefined,
// otherwise the host's answer for the argument's host object.
TEST_F(RegistrationTest, EqualsOfEveryWrapperClass) {
    SetUpPictures();
    Run(R"JS(
      const layer = SourcePicture.GetLayer(0), bmp = layer.Bitmap;
      const same = {
        Document: [Document, Document], Picture: [SourcePicture, SourcePicture],
        Layer: [layer, SourcePicture.GetLayer(0)], Bitmap: [bmp, SourcePicture.GetLayer(0).Bitmap],
      };
      const other = { Document: SourcePicture, Picture: layer, Layer: bmp, Bitmap: Document };
      for (const name in same) {
        const [a, b] = same[name];
        probe(name + ' same', () => a.Equals(b));
        probe(name + ' none', () => a.Equals());
        probe(name + ' plain', () => a.Equals({}));
        probe(name + ' number', () => a.Equals(5));
        probe(name + ' other class', () => a.Equals(other[name]));
        probe(name + ' named like it', () => a.Equals(new (Function('return function ' + name + '(){}')())()));
        probe(name + ' null', () => a.Equals(null));
        probe(name + ' undefined', () => a.Equals(undefined));
        probe(name + ' extra arguments', () => a.Equals(b, null, {}));
      }
      const copy = SourcePicture.Duplicate();
      probe('Picture copy', () => SourcePicture.Equals(copy));
      copy.GetLayer(0).Name = 'changed';
      probe('Picture changed copy', () => SourcePicture.Equals(copy));
    )JS");
    const std::vector<std::pair<std::string, const IQFObject*>> receivers = {
        {"Document", document_}, {"Picture", source_}, {"Layer", layer_}, {"Bitmap", bitmap_}};
    for (const auto& [name, host] : receivers) {
        EXPECT_EQ(Value(name + " same"), "true") << name;
        EXPECT_EQ(CallsOf(name + " same"), (Calls{At(host, "Equals(" + L(host) + ")")})) << name;
        EXPECT_EQ(CallsOf(name + " extra arguments"), (Calls{At(host, "Equals(" + L(host) + ")")})) << name;
        for (const char* failing : {" none", " plain", " number", " other class", " named like it"}) {
            EXPECT_EQ(Value(name + failing), "false") << name << failing;
            EXPECT_TRUE(CallsOf(name + failing).empty()) << name << failing;
        }
        for (const char* nullish : {" null", " undefined"}) {
            EXPECT_EQ(Value(name + nullish).rfind("throws TypeError", 0), 0u) << name << nullish << ": "
                                                                            << Value(name + nullish);
            EXPECT_TRUE(CallsOf(name + nullish).empty()) << name << nullish;
        }
    }
    // The comparison is the host's: an equal copy is equal until it changes.
    EXPECT_EQ(Value("Picture copy"), "true");
    EXPECT_EQ(Value("Picture changed copy"), "false");
}

TEST_F(RegistrationTest, JsonizeReturnsTheHostTextUnparsed) {
    SetUpPictures();
    const std::string documentJson = document_->ToJson().serialize();
    const std::string pictureJson = source_->ToJson().serialize();
    const std::string layerJson = layer_->ToJson().serialize();
    const std::string bitmapJson = bitmap_->ToJson().serialize();
    Run(R"JS(
      const layer = SourcePicture.GetLayer(0), bmp = layer.Bitmap;
      probe('Document', () => Document.Jsonize());
      probe('Picture', () => SourcePicture.Jsonize());
      probe('Layer', () => layer.Jsonize());
      probe('Bitmap', () => bmp.Jsonize(1, 2));
      probe('parsed', () => typeof JSON.parse(SourcePicture.Jsonize()));
      probe('ColorObject has none', () => typeof bmp.GetPixel(0, 0).Jsonize);
    )JS");
    EXPECT_EQ(Value("Document"), Js(documentJson));
    EXPECT_EQ(CallsOf("Document"), (Calls{At(document_, "Jsonize()")}));
    EXPECT_EQ(Value("Picture"), Js(pictureJson));
    EXPECT_EQ(CallsOf("Picture"), (Calls{At(source_, "Jsonize()")}));
    EXPECT_EQ(Value("Layer"), Js(layerJson));
    EXPECT_EQ(CallsOf("Layer"), (Calls{At(layer_, "Jsonize()")}));
    EXPECT_EQ(Value("Bitmap"), Js(bitmapJson));
    EXPECT_EQ(CallsOf("Bitmap"), (Calls{At(bitmap_, "Jsonize()")}));
    EXPECT_EQ(Value("parsed"), "\"object\"");
    EXPECT_EQ(Value("ColorObject has none"), "\"undefined\"");
}

std::uintptr_t ReportedResult(const qfjs_test::Outcome& outcome) {
    if (!outcome.json.is<picojson::object>() || !outcome.json.contains("V8ResultPicture")) return 1;
    return static_cast<std::uintptr_t>(std::stoull(outcome.json.get("V8ResultPicture").to_str()));
}

TEST_F(RegistrationTest, ResultPictureAssignedByTheScriptIsReported) {
    SetUpPictures();
    qfjs_test::Outcome outcome = Run("SetVersion(8); ResultPicture = SourcePicture.Duplicate();");
    const std::uintptr_t reported = ReportedResult(outcome);
    ASSERT_NE(reported, 0u);
    ASSERT_NE(reported, 1u) << outcome.text;
    auto* picture = qfhost::AsPicture(reinterpret_cast<IQFPicture*>(reported));
    ASSERT_NE(picture, nullptr);
    EXPECT_NE(picture, source_);
    EXPECT_NE(picture, target_);
    EXPECT_TRUE(picture->SameContent(*source_));
}

TEST_F(RegistrationTest, UntouchedResultPictureReportsTheTarget) {
    SetUpPictures();
    qfjs_test::Outcome outcome = Run("SetVersion(8);");
    EXPECT_EQ(ReportedResult(outcome), reinterpret_cast<std::uintptr_t>(static_cast<IQFPicture*>(target_)));
}

// Only a genuine Picture wrapper is taken as the result.
TEST_F(RegistrationTest, ResultPictureThatIsNoPictureWrapperReportsNoPicture) {
    SetUpPictures();
    for (const char* value : {"{}", "SourcePicture.GetLayer(0)", "new (function Picture(){})()",
                              "Object.create(SourcePicture)", "new Proxy(SourcePicture, {})", "null"}) {
        qfjs_test::Outcome outcome = Run(std::string("SetVersion(8); ResultPicture = ") + value + ";");
        EXPECT_EQ(ReportedResult(outcome), 0u) << value << ": " << outcome.text;
    }
}

}  // namespace
}  // namespace qfjs_v8test
