// Hostile calls against every version 8 class and global function: wrong
// receivers, scripts constructing our classes, look-alike and derived
// objects where a wrapper is expected, conversions that throw, null and
// undefined, extreme numbers and huge strings, and wrappers without a host
// object. In every failing case the script gets null, false, undefined or a
// script exception, and the host records no call (or only the read-only
// queries that come before any conversion by design, listed per row); the
// process lives on to run the next case.
#include <string>
#include <vector>

#include "tests/model_v8/v8_fixture.h"

namespace qfjs_v8test {
namespace {

using qfhost::PixelFormat;

// Real objects of each kind and hostile values.
constexpr char kSetup[] = R"JS(
const pic = SourcePicture, layer = pic.GetLayer(0), folder = pic.GetLayer(1);
const bmp = layer.Bitmap, idx = pic.GetLayer(2).Bitmap;
const frame = ResultPicture.GetAniFrame(0);
const pixel = bmp.GetPixel(1, 1), entry = idx.GetPaletteEntry(1), colour = Document.CurrentColor;
const bomb = { valueOf() { throw 'bomb'; }, toString() { throw 'bomb'; } };
const sym = Symbol('s');
const real = { Bitmap: bmp, Picture: pic, Layer: layer, ColorObject: pixel, Document: Document, AniFrame: frame };
)JS";

class HostileCallsTest : public V8ModelTest {
protected:
    void SetUp() override {
        bitmap_ = NewBitmap(4, 4, PixelFormat::kRgba32);
        index_ = NewBitmap(4, 4, PixelFormat::kIndex8, 16);
        picture_ = factory_.NewLayerPicture(4, 4);
        layer_ = factory_.NewBitmapLayer("L", bitmap_);
        folder_ = factory_.NewFolderLayer("F");
        ASSERT_TRUE(picture_->AppendLayer(layer_));
        ASSERT_TRUE(picture_->AppendLayer(folder_));
        ASSERT_TRUE(picture_->AppendLayer(factory_.NewBitmapLayer("I", index_)));
        animation_ = factory_.NewAnimationPicture(4, 4);
        frame_ = animation_->AppendFrame(NewBitmap(4, 4, PixelFormat::kRgba32));
        ASSERT_NE(frame_, nullptr);
        document_ = factory_.NewDocument("doc.png");
        SetSource(picture_);
        SetTarget(animation_);
        SetDocument(document_);
    }

    // Runs the probes and checks each failed without a host call.
    void RunAndExpectQuietFailures(const std::string& probes, const std::vector<std::string>& allowedValues,
                                   std::size_t expectedCount) {
        Run(std::string(kSetup) + probes + "\nprobe('still alive', () => bmp.Width);\n");
        Check("still alive", "4", {At(bitmap_, "GetWidth()")});
        EXPECT_EQ(ProbeLabels().size(), expectedCount + 1);
        for (const std::string& label : ProbeLabels()) {
            if (label == "still alive") continue;
            const ProbeResult& probe = Probe(label);
            bool allowed = false;
            for (const std::string& prefix : allowedValues) allowed = allowed || probe.value.rfind(prefix, 0) == 0;
            EXPECT_TRUE(allowed) << label << " gave " << probe.value;
            EXPECT_TRUE(probe.calls.empty()) << label << " called the host: " << probe.calls.front();
        }
    }

    qfhost::Bitmap* bitmap_ = nullptr;
    qfhost::Bitmap* index_ = nullptr;
    qfhost::Picture* picture_ = nullptr;
    qfhost::Picture* animation_ = nullptr;
    qfhost::Layer* layer_ = nullptr;
    qfhost::Layer* folder_ = nullptr;
    qfhost::AniFrame* frame_ = nullptr;
    qfhost::Document* document_ = nullptr;
};

// Every method of every class, called on receivers that are not instances
// of its class: the receiver signature makes the engine throw before any of
// our code runs.
TEST_F(HostileCallsTest, MethodsOnForeignReceiversThrowWithoutHostCalls) {
    RunAndExpectQuietFailures(R"JS(
      const receivers = {
        'a plain object': () => ({}),
        'a number': () => 123,
        'a string': () => 'Bitmap',
        'null': () => null,
        'undefined': () => undefined,
        'another wrapper': (name) => (name === 'Picture' ? layer : pic),
        'the prototype': (name, o) => Object.getPrototypeOf(o),
        'an object constructed with the class as new.target': (name, o) => Reflect.construct(Object, [], o.constructor),
        'an object derived from a wrapper': (name, o) => Object.create(o),
        'a proxy of a wrapper': (name, o) => new Proxy(o, {}),
      };
      for (const name of ['Bitmap', 'ColorObject', 'Picture', 'Document', 'Layer']) {
        const o = real[name], proto = Object.getPrototypeOf(o);
        for (const m of Object.getOwnPropertyNames(proto)) {
          if (m === 'constructor') continue;
          for (const r in receivers) {
            probe(name + '.' + m + ' on ' + r, () => proto[m].call(receivers[r](name, o), bmp, 0, 0, 0, 0, 0));
          }
        }
      }
    )JS",
                              {"throws TypeError: Illegal invocation"}, (17 + 1 + 14 + 3 + 6) * 10);
}

// The class functions are reachable through "constructor" but refuse to be
// called or constructed, also through a subclass; methods are no
// constructors.
TEST_F(HostileCallsTest, ClassFunctionsAndMethodsCannotBeConstructed) {
    RunAndExpectQuietFailures(R"JS(
      for (const name in real) {
        const C = real[name].constructor;
        probe('new ' + name, () => new C());
        probe('call ' + name, () => C(bmp));
        probe('Reflect.construct ' + name, () => Reflect.construct(C, []));
        probe('subclass of ' + name, () => { class Sub extends C {} return new Sub(); });
        probe('apply ' + name, () => C.apply(real[name], []));
      }
      probe('new method', () => new bmp.GetPixel(0, 0));
    )JS",
                              {"throws TypeError: Illegal constructor", "throws TypeError: bmp.GetPixel is not a constructor"},
                              6 * 5 + 1);
}

// Accessors live on the instances only: objects that merely share the
// prototype have none, and writing them there stays on that object.
TEST_F(HostileCallsTest, AccessorsOfLookAlikeObjectsAreNotOurs) {
    RunAndExpectQuietFailures(R"JS(
      // All reads first: a write on the prototype stays there and would be
      // seen by every object that shares it.
      for (const write of [false, true]) {
        for (const name in real) {
          const o = real[name];
          const fakes = {
            'prototype': Object.getPrototypeOf(o),
            'constructed with new.target': Reflect.construct(Object, [], o.constructor),
            'same prototype': Object.setPrototypeOf({}, Object.getPrototypeOf(o)),
          };
          for (const key of Object.keys(o)) {
            for (const f in fakes) {
              if (write) probe(name + '.' + key + ' written on ' + f, () => { fakes[f][key] = 1; });
              else probe(name + '.' + key + ' read on ' + f, () => fakes[f][key]);
            }
          }
        }
      }
    )JS",
                              {"undefined"}, (6 + 5 + 13 + 2 + 10 + 7) * 3 * 2);
}

// An object derived from a wrapper finds the accessor on the wrapper, and
// the engine passes the wrapper itself as the holder: the host sees the real
// object, never the derived one.
TEST_F(HostileCallsTest, AccessorsThroughDerivedObjectsReachTheRealWrapper) {
    Run(std::string(kSetup) + R"JS(
      const derived = Object.create(bmp);
      probe('read', () => derived.Width);
      probe('reflect with another receiver', () => Reflect.get(bmp, 'Height', {}));
      probe('write', () => { derived.PaletteCount = 3; return Object.getOwnPropertyNames(derived).join(); });
      probe('pixel through derived', () => Object.create(pixel).R);
    )JS");
    Check("read", "4", {At(bitmap_, "GetWidth()")});
    Check("reflect with another receiver", "4", {At(bitmap_, "GetHeight()")});
    const ProbeResult& write = Probe("write");
    EXPECT_TRUE(write.calls.empty() || write.calls == Calls{At(bitmap_, "SetPaletteCount(3)")}) << write.calls.front();
    Check("pixel through derived", "0", {At(bitmap_, "GetPixelR(1,1)")});
}

// Where a wrapper of one class is expected, only a genuine instance of that
// class is taken; look-alikes (a constructor of the same name, a spoofed
// constructor property, a derived object, a proxy, a Symbol) give the
// failure value without a host call, and null and undefined raise the
// TypeError of the object conversion.
TEST_F(HostileCallsTest, ObjectArgumentsMustBeGenuineWrappers) {
    struct Target {
        const char* expr;  // X stands for the argument
        const char* cls;
        const char* failure;
        bool nullThrows;  // assignments refuse null silently
    };
    const std::vector<Target> targets = {
        {"bmp.Equals(X)", "Bitmap", "false", true},
        {"bmp.Overlay(X, 0, 0)", "Bitmap", "false", true},
        {"bmp.Overlay(X, 0, 0)", "Picture", "false", true},
        {"pixel.Equals(X)", "ColorObject", "false", true},
        {"colour.Equals(X)", "ColorObject", "false", true},
        {"pic.Equals(X)", "Picture", "false", true},
        {"pic.AddLayer(X)", "Layer", "false", true},
        {"pic.InsertLayer(0, X)", "Layer", "false", true},
        {"pic.GetParentLayer(X)", "Layer", "null", true},
        {"layer.Equals(X)", "Layer", "false", true},
        {"folder.AddChild(X)", "Layer", "false", true},
        {"folder.InsertChild(0, X)", "Layer", "false", true},
        {"Document.Equals(X)", "Document", "false", true},
        {"CreatePicture(X)", "Bitmap", "null", true},
        {"CreateLayerFromBitmap(X)", "Bitmap", "null", true},
        {"SavePicture(X, 'never.png')", "Bitmap", "false", true},
        {"SavePicture(X, 'never.png')", "Picture", "false", true},
        {"(pic.Bitmap = X, undefined)", "Bitmap", "undefined", false},
        {"(layer.Bitmap = X, undefined)", "Bitmap", "undefined", false},
        {"(frame.Bitmap = X, undefined)", "Bitmap", "undefined", false},
    };
    const std::vector<std::string> lookAlikes = {
        "new (Function('return function C() {}')())()",
        "({ constructor: { name: 'C' } })",
        "new (eval('(class C {})'))()",
        "Object.create(real.C)",
        "Reflect.construct(Object, [], real.C.constructor)",
        "Object.setPrototypeOf({}, Object.getPrototypeOf(real.C))",
        "new Proxy(real.C, {})",
        "sym",
        "'C'",
        "5",
        "[real.C]",
    };
    auto replace = [](std::string text, const std::string& from, const std::string& to) {
        for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
            text.replace(at, from.size(), to);
        }
        return text;
    };
    std::string script;
    std::size_t count = 0;
    for (const Target& t : targets) {
        for (const std::string& look : lookAlikes) {
            std::string arg = replace(look, "real.C", std::string("real.") + t.cls);
            arg = replace(arg, "C()", std::string(t.cls) + "()");
            arg = replace(arg, "class C", std::string("class ") + t.cls);
            arg = replace(arg, "'C'", std::string("'") + t.cls + "'");
            const std::string call = replace(t.expr, "X", arg);
            script += "probe(" + Js(std::string(t.failure) + "|" + t.cls + "|" + call) + ", () => " + call + ");\n";
            ++count;
        }
        for (const char* nullish : {"null", "undefined"}) {
            const std::string call = replace(t.expr, "X", nullish);
            const std::string expected =
                t.nullThrows ? "throws TypeError: Cannot convert undefined or null to object" : t.failure;
            script += "probe(" + Js(expected + "|" + t.cls + "|" + call) + ", () => " + call + ");\n";
            ++count;
        }
    }
    Run(std::string(kSetup) + script);
    EXPECT_EQ(ProbeLabels().size(), count);
    for (const std::string& label : ProbeLabels()) {
        const std::string expected = label.substr(0, label.find('|'));
        EXPECT_EQ(Value(label), expected) << label;
        EXPECT_TRUE(CallsOf(label).empty()) << label << " called the host: " << CallsOf(label).front();
    }
}

// A value whose conversion throws (an object whose valueOf and toString
// throw, a Symbol, a BigInt where a number is needed) ends the member with
// the script's exception. Before it, only the read-only queries that the
// member makes before looking at its arguments may reach the host.
TEST_F(HostileCallsTest, ThrowingConversionsEndTheMemberBeforeAnyHostCall) {
    struct Row {
        const char* expr;  // V stands for the hostile value
        bool numeric;      // also tried with a BigInt
        std::vector<std::string> before;
    };
    const std::string b = L(bitmap_), i = L(index_), p = L(picture_);
    const std::vector<Row> rows = {
        {"bmp.GetPixel(V, 0)", true, {}},
        {"bmp.GetPixel(0, V)", true, {}},
        {"bmp.GetPixelR(V, 0)", true, {}},
        {"bmp.GetPixelG(0, V)", true, {}},
        {"bmp.GetPixelB(V, 0)", true, {}},
        {"bmp.GetPixelA(0, V)", true, {}},
        {"idx.GetPixelI(V, 0)", true, {i + ".IsIndexColor()"}},
        {"bmp.GetPaletteEntry(V)", true, {}},
        {"idx.SetPaletteEntry(V, 0, 0, 0)", true, {i + ".IsIndexColor()"}},
        {"idx.SetPaletteEntry(0, 0, 0, V)", true, {i + ".IsIndexColor()"}},
        {"idx.SetPaletteEntry(0, 0, 0, 0, V)", true, {i + ".IsIndexColor()"}},
        {"bmp.SetPixel(V, 0, 0)", true, {}},
        {"bmp.SetPixel(0, 0, V)", true, {b + ".GetWidth()", b + ".GetHeight()"}},
        {"bmp.SetPixel(0, 0, 0, 0, V)", true, {b + ".GetWidth()", b + ".GetHeight()"}},
        {"bmp.SetPixel(0, 0, 0, 0, 0, V)", true, {b + ".GetWidth()", b + ".GetHeight()"}},
        {"bmp.Overlay(bmp, V, 0)", true, {}},
        {"bmp.Overlay(bmp, 0, V)", true, {}},
        {"bmp.Resize(V, 1)", true, {}},
        {"bmp.Resize(1, 1, V)", false, {}},
        {"bmp.Clip(0, 0, 0, V)", true, {}},
        {"(bmp.PaletteCount = V)", true, {}},
        {"(pixel.R = V)", true, {}},
        {"(pixel.I = V)", true, {}},
        {"(entry.G = V)", true, {}},
        {"pic.GetLayer(V)", true, {}},
        {"pic.GetAniFrame(V)", true, {}},
        {"pic.RemoveLayer(V)", true, {}},
        {"pic.InsertLayer(V, layer)", true, {}},
        {"pic.GetMipmap(V)", true, {}},
        {"pic.RemoveAniFrame(V)", true, {}},
        {"pic.InsertAniFrame(V)", true, {}},
        {"pic.ApplyFilter(V)", false, {}},
        {"(pic.Type = V)", false, {}},
        {"(pic.CanvasWidth = V)", true, {p + ".GetType()"}},
        {"(pic.CanvasHeight = V)", true, {p + ".GetType()"}},
        {"Document.IsSelected(V, 0)", true, {}},
        {"Document.IsSelected(0, V)", true, {}},
        {"folder.GetChild(V)", true, {}},
        {"folder.RemoveChild(V)", true, {}},
        {"folder.InsertChild(V, layer)", true, {}},
        {"(layer.Name = V)", false, {}},
        {"(layer.Type = V)", false, {}},
        {"(layer.X = V)", true, {}},
        {"(layer.Y = V)", true, {}},
        {"(layer.Opacity = V)", true, {}},
        {"(frame.Type = V)", true, {}},
        {"(frame.TimeSecNumerator = V)", true, {}},
        {"(frame.TimeSecDenominator = V)", true, {}},
        {"(frame.TimeFpsNumerator = V)", true, {}},
        {"(frame.TimeFpsDenominator = V)", true, {}},
        {"CreateBitmap(V, 1, 24)", true, {}},
        {"CreateBitmap(1, 1, 24, V)", true, {}},
        {"CreatePicture(1, 1, V)", true, {}},
        {"CreateBitmapLayer(V, 1)", true, {}},
        {"CreateBitmapLayer(1, 1, V)", true, {}},
        {"LoadPicture(V)", false, {}},
        {"SavePicture(bmp, V)", false, {}},
        {"SavePicture(pic, V)", false, {}},
    };
    std::string script;
    std::size_t count = 0;
    for (const Row& row : rows) {
        std::vector<std::string> values = {"bomb", "sym"};
        if (row.numeric) values.push_back("1n");
        for (const std::string& value : values) {
            std::string call = row.expr;
            call.replace(call.find('V'), 1, value);
            script += "probe(" + Js(call) + ", () => " + call + ");\n";
            ++count;
        }
    }
    Run(std::string(kSetup) + script + "probe('still alive', () => bmp.Width);\n");
    EXPECT_EQ(ProbeLabels().size(), count + 1);
    Check("still alive", "4", {At(bitmap_, "GetWidth()")});
    for (const Row& row : rows) {
        for (const std::string& value : {std::string("bomb"), std::string("sym"), std::string("1n")}) {
            if (value == "1n" && !row.numeric) continue;
            std::string call = row.expr;
            call.replace(call.find('V'), 1, value);
            const std::string got = Value(call);
            if (value == "bomb") {
                EXPECT_EQ(got, "throws \"bomb\"") << call;
            } else {
                EXPECT_EQ(got.rfind("throws TypeError: Cannot convert a", 0), 0u) << call << " gave " << got;
            }
            EXPECT_EQ(CallsOf(call), row.before) << call;
        }
    }
}

// Extreme numbers are converted, not refused: ToInt32 wraps and truncates
// (NaN, the infinities and -0 give 0), and the host receives the result.
TEST_F(HostileCallsTest, ExtremeNumbersAreConvertedLikeToInt32) {
    Run(std::string(kSetup) + R"JS(
      probe('x wraps', () => { layer.X = 2 ** 32 + 5; });
      probe('y infinity', () => { layer.Y = Infinity; });
      probe('opacity minus zero', () => { layer.Opacity = -0; });
      probe('x beyond 2**53', () => { layer.X = -(2 ** 53) - 2; });
      probe('frame NaN', () => { frame.TimeFpsNumerator = NaN; });
      probe('negative wraps', () => { frame.TimeSecNumerator = -(2 ** 31) - 1; });
      probe('bitmap NaN and infinity', () => CreateBitmap(NaN, -Infinity, 24));
      probe('layer minus zero', () => pic.GetLayer(-0).Name);
      probe('child 2**31', () => folder.GetChild(2 ** 31));
      probe('huge number string', () => pic.GetMipmap('1e400'));
    )JS");
    Check("x wraps", "undefined", {At(layer_, "SetX(5)")});
    Check("y infinity", "undefined", {At(layer_, "SetY(0)")});
    Check("opacity minus zero", "undefined", {At(layer_, "SetOpacity(0)")});
    Check("x beyond 2**53", "undefined", {At(layer_, "SetX(-2)")});
    Check("frame NaN", "undefined", {At(frame_, "SetTimeFpsNumerator(0)")});
    Check("negative wraps", "undefined", {At(frame_, "SetTimeSecNumerator(2147483647)")});
    Check("bitmap NaN and infinity", "null", {"Factory.CreateBitmap(0,0,24,0)"});
    Check("layer minus zero", "\"L\"", {At(picture_, "GetLayer(0)"), At(layer_, "GetName()")});
    Check("child 2**31", "null", {At(folder_, "GetChild(-2147483648)")});
    Check("huge number string", "[Bitmap]", {At(picture_, "GetMipmap(0)")});
}

// Long texts cross intact in both directions; a text the engine cannot even
// build fails in the script before any member runs.
TEST_F(HostileCallsTest, HugeStringsCrossIntactOrFailInTheScript) {
    Run(std::string(kSetup) + R"JS(
      const big = 'x'.repeat(1 << 20);
      probe('name', () => { layer.Name = big; return layer.Name.length; });
      probe('type', () => { pic.Type = big; });
      probe('path', () => LoadPicture(big));
      probe('too long to build', () => LoadPicture('y'.repeat(2 ** 30)));
    )JS");
    EXPECT_EQ(Value("name"), std::to_string(1 << 20));
    ASSERT_EQ(CallsOf("name").size(), 2u);
    EXPECT_EQ(CallsOf("name")[0], At(layer_, "SetName(\"" + std::string(1 << 20, 'x') + "\")"));
    EXPECT_EQ(layer_->name(), std::string(1 << 20, 'x'));
    EXPECT_EQ(CallsOf("type"), (Calls{At(picture_, "SetType(\"" + std::string(1 << 20, 'X') + "\")")}));
    EXPECT_EQ(Value("path"), "null");
    EXPECT_EQ(CallsOf("path").size(), 1u);
    Check("too long to build", "throws RangeError: Invalid string length", {});
}

// Wrappers whose host pointer is null (a request without pictures or
// document, a frame the host could not add) read null everywhere, and no
// assignment or method calls through the null pointer.
TEST_F(HostileCallsTest, WrappersWithoutAHostObject) {
    qfhost::Picture* single = factory_.NewSinglePicture(NewBitmap(2, 2, PixelFormat::kRgb24));
    request_.SetPointer("Document", nullptr).SetPointer("SourcePicturePtr", nullptr);
    SetTarget(single);
    Run(R"JS(
      const p = SourcePicture, d = Document;
      const frame = ResultPicture.AddAniFrame();
      const bmp = ResultPicture.Bitmap, layer = CreateFolderLayer();
      for (const [name, o] of [['picture', p], ['document', d], ['frame', frame]]) {
        for (const key of Object.keys(o)) {
          probe(name + ' read ' + key, () => o[key]);
          probe(name + ' write ' + key, () => { o[key] = key === 'Bitmap' ? bmp : 1; });
        }
      }
      const methods = {
        'Equals': [p], 'Jsonize': [], 'Duplicate': [], 'GetAniFrame': [0], 'GetLayer': [0], 'RemoveLayer': [0],
        'AddLayer': [layer], 'InsertLayer': [0, layer], 'ApplyFilter': ['Invert', {}], 'GetParentLayer': [layer],
        'GetMipmap': [0], 'RemoveAniFrame': [0], 'AddAniFrame': [], 'InsertAniFrame': [0],
      };
      for (const m in methods) probe('picture ' + m, () => p[m](...methods[m]));
      probe('document IsSelected', () => d.IsSelected(0, 0));
      probe('document Jsonize', () => d.Jsonize());
      probe('document Equals', () => d.Equals(d));
      probe('real picture equals empty one', () => ResultPicture.Equals(p));
      probe('overlay of an empty picture', () => bmp.Overlay(p, 1, 1));
      probe('save an empty picture', () => SavePicture(p, 'never.png'));
    )JS");
    std::size_t checked = 0;
    for (const std::string& label : ProbeLabels()) {
        if (label.find(" read ") != std::string::npos) {
            Check(label, "null", {});
            ++checked;
        } else if (label.find(" write ") != std::string::npos) {
            Check(label, "undefined", {});
            ++checked;
        }
    }
    EXPECT_EQ(checked, 2u * (13 + 2 + 7));
    for (const char* m : {"Jsonize", "Duplicate", "GetAniFrame", "GetLayer", "ApplyFilter", "GetParentLayer",
                          "GetMipmap", "AddAniFrame"}) {
        Check(std::string("picture ") + m, "null", {});
    }
    for (const char* m : {"Equals", "RemoveLayer", "AddLayer", "InsertLayer", "RemoveAniFrame", "InsertAniFrame"}) {
        Check(std::string("picture ") + m, "false", {});
    }
    Check("document IsSelected", "null", {});
    Check("document Jsonize", "null", {});
    Check("document Equals", "false", {});
    Check("real picture equals empty one", "false", {});
    const std::string bitmap = L(single->bitmap());
    Check("overlay of an empty picture", "true", {bitmap + ".Overlay(null,1,1)"});
    Check("save an empty picture", "false", {"Factory.SavePicture(null,\"never.png\",\"\")"});
}

}  // namespace
}  // namespace qfjs_v8test
