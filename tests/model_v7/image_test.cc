// The global "Image": its members, the three ways to obtain a layer with
// their argument and size limits, requests and hosts that deliver nothing
// usable, and the result layers reported after a run.
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

picojson::value Strings(std::initializer_list<const char*> items) {
    picojson::array array;
    for (const char* item : items) array.emplace_back(item);
    return picojson::value(array);
}

std::string Address(const void* p) {
    return std::to_string(reinterpret_cast<std::uintptr_t>(p));
}

class ImageTest : public V7Test {};

TEST_F(ImageTest, MembersDescribeTheRequestAndAreReadOnly) {
    for (int i = 0; i < 3; ++i) AddLayer(host.NewBitmap(2, 2, 24));
    EXPECT_EQ(Printed("Print([Image.FileName, Image.HostName, Image.LayerCount, Image.ActiveLayer].join('|'));"
                      "Image.HostName = 'x'; Image.LayerCount = 9; Image.FileName = 'y';"
                      "Print(Image.HostName, '|', Image.LayerCount, '|', Image.FileName);"
                      "Print(Object.keys(Image).join());",
                      [](Request& r) {
                          r.Set("FileName", picojson::value("pic.png"));
                          r.Set("V7ActiveLayerIndex", picojson::value(2.9));
                      }),
              "pic.png|Velmor QuillFrame 8|3|2\n"
              "Velmor QuillFrame 8|3|pic.png\n"
              "FileName,HostName,LayerCount,ActiveLayer\n");
    // Without "V7Layers" there is one input layer: the picture.
    host.single = true;
    EXPECT_EQ(Printed("Print(Image.LayerCount)"), "1\n");
}

TEST_F(ImageTest, ScriptsCannotMakeOrBorrowVersion7Objects) {
    AddLayer(host.NewBitmap(2, 2, 24));
    // A class function reached through "constructor" refuses to construct
    // (its instance would have no fields), and methods refuse receivers of
    // another class.
    EXPECT_EQ(Printed("function t(f) { try { f(); return 'ok'; } catch (e) { return e instanceof TypeError ? 'TypeError' : 'other'; } }"
                      "var l = Image.GetInLayer(0), p = l.PixelAt(0, 0);"
                      "Print([t(() => new Image.constructor()), t(() => new l.constructor()), t(() => new p.constructor()),"
                      "       t(() => new (l.ActiveColor.constructor)()), t(() => Image.constructor.call({})),"
                      "       t(() => l.PixelAt.call({}, 0, 0)), t(() => l.PixelAt.call(p, 0, 0)),"
                      "       t(() => p.SetRGBA.call(l, 1)), t(() => Image.GetInLayer.call(l, 0)),"
                      "       t(() => Object.getPrototypeOf(p).SetRGBA(1))].join());"
                      "Print(typeof Pixel, typeof Layer, typeof Color);"),
              "TypeError,TypeError,TypeError,TypeError,TypeError,TypeError,TypeError,TypeError,TypeError,TypeError\n"
              "undefinedundefinedundefined\n");
}

TEST_F(ImageTest, GetInLayerChecksTheIndexAgainstTheInputList) {
    for (int i = 0; i < 3; ++i) AddLayer(host.NewBitmap(i + 1, 1, 24));
    EXPECT_EQ(Printed("Print([Image.GetInLayer(3), Image.GetInLayer(-1), Image.GetInLayer(),"
                      "       Image.GetInLayer('2').Width, Image.GetInLayer(2**32 + 1).Width].join('|'))"),
              "|||3|2\n");
    EXPECT_EQ(host.calls, (std::vector<std::string>{"layer 3", "layer 2"}));
}

TEST_F(ImageTest, SinglePictureIsEveryValidIndex) {
    host.single = true;
    host.singleImage = host.NewBitmap(4, 3, 24);
    EXPECT_EQ(Printed("Print(Image.GetInLayer(0).Width, Image.GetInLayer(1))"), "4null\n");
    EXPECT_EQ(host.calls, (std::vector<std::string>{"bitmap 4096"}));

    // With "V7Layers" the list bounds the index, but each index fetches the
    // picture through "GetV7Bitmap", never "GetV7LayerData".
    host.calls.clear();
    EXPECT_EQ(Printed("Print([0, 1, 2, 3].map(i => Image.GetInLayer(i) && Image.GetInLayer(i).Height).join())",
                      [](Request& r) { r.Set("V7Layers", Strings({"7", "8", "9"})); }),
              "3,3,3,\n");
    EXPECT_EQ(host.calls, std::vector<std::string>(6, "bitmap 4096"));
}

TEST_F(ImageTest, InputLayersBringTheHostValuesAndAreIndependentRecords) {
    V7TestHost::Layer& first = AddLayer(host.NewBitmap(5, 2, 8), host.NewAlphaPlane(5, 2, true, 9));
    first.name = "one";
    first.x = 3;
    first.y = -4;
    first.hidden = true;
    first.opacity = 40;
    V7TestHost::Layer& second = AddLayer(host.NewBitmap(6, 1, 24));
    second.name = "two";
    EXPECT_EQ(Printed("var a = Image.GetInLayer(0), b = Image.GetInLayer(0), c = Image.GetInLayer(1);"
                      "a.X = 50; a.Name = 'changed';"
                      "Print([b.Name, b.X, b.Y, b.Hidden, b.Opacity, b.Width, b.Height, b.IndexColor, b.Alpha].join());"
                      "Print([a.Name, a.X, c.Name, c.X, c.Opacity, c.IndexColor, c.Alpha].join());"),
              "one,3,-4,true,40,5,2,true,true\n"
              "changed,50,two,0,100,false,false\n");
    EXPECT_EQ(host.calls, (std::vector<std::string>{"layer 1", "layer 1", "layer 2"}));
    // Input layers are never reported, whatever the script changed.
    EXPECT_TRUE(ResultLayers(Run("Image.GetInLayer(0).Name = 'x'")).empty());
}

// Requests and hosts that deliver no image: the method returns null, nothing
// is recorded as a result layer, and the process lives on.
struct UnusableSource {
    const char* name;
    bool single;
    std::function<void(Request&, V7TestHost&)> edit;
    std::vector<std::string> calls;  // host calls made by one GetInLayer(0)

    friend void PrintTo(const UnusableSource& c, std::ostream* os) { *os << c.name; }
};

class UnusableSourceTest : public V7Test, public ::testing::WithParamInterface<UnusableSource> {};

TEST_P(UnusableSourceTest, MethodsReturnNullAndReportNothing) {
    const UnusableSource& c = GetParam();
    host.single = c.single;
    if (c.single) host.singleImage = host.NewBitmap(2, 2, 24);
    AddLayer(host.NewBitmap(2, 2, 24));
    const Outcome outcome = Run("Print(Image.GetInLayer(0), Image.CreateCopyLayer(0))",
                                [&](Request& r) { c.edit(r, host); });
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.scriptResult(), 0) << outcome.errorMessage();
    EXPECT_EQ(host.messages, std::vector<std::string>{"nullnull"});
    EXPECT_TRUE(ResultLayers(outcome).empty()) << outcome.text;
    std::vector<std::string> twice = c.calls;
    twice.insert(twice.end(), c.calls.begin(), c.calls.end());
    EXPECT_EQ(host.calls, twice);
}

picojson::value Object(std::initializer_list<std::pair<const char*, picojson::value>> members) {
    picojson::object object;
    for (const auto& [key, value] : members) object[key] = value;
    return picojson::value(object);
}

const UnusableSource kUnusableSources[] = {
    {"LayerCallbackZero", false, [](Request& r, V7TestHost&) { r.Set("GetV7LayerData", picojson::value("0")); }, {}},
    {"BitmapCallbackZero", true, [](Request& r, V7TestHost&) { r.Set("GetV7Bitmap", picojson::value("0")); }, {}},
    {"LayerWithoutImage", false, [](Request&, V7TestHost& h) { h.layers[0].image = nullptr; }, {"layer 1"}},
    {"PictureWithoutImage", true, [](Request&, V7TestHost& h) { h.singleImage = nullptr; }, {"bitmap 4096"}},
    {"NoType", false, [](Request& r, V7TestHost&) { r.Set("SourcePicture", Object({})); }, {}},
    {"TypeNotAString", false,
     [](Request& r, V7TestHost&) { r.Set("SourcePicture", Object({{"Type", picojson::value(1.0)}})); }, {}},
    {"SingleWithoutBitmap", true,
     [](Request& r, V7TestHost&) { r.Set("SourcePicture", Object({{"Type", picojson::value("SINGLE")}})); }, {}},
    {"SingleWithoutHandle", true,
     [](Request& r, V7TestHost&) {
         r.Set("SourcePicture", Object({{"Type", picojson::value("SINGLE")}, {"Bitmap", Object({})}}));
     },
     {}},
    {"SingleHandleNotAString", true,
     [](Request& r, V7TestHost&) {
         r.Set("SourcePicture", Object({{"Type", picojson::value("SINGLE")},
                                        {"Bitmap", Object({{"Handle", picojson::value(4096.0)}})}}));
     },
     {}},
    {"SingleHandleUnparsable", true,
     [](Request& r, V7TestHost&) {
         r.Set("SourcePicture", Object({{"Type", picojson::value("SINGLE")},
                                        {"Bitmap", Object({{"Handle", picojson::value("abc")}})}}));
     },
     {"bitmap 0"}},
    {"LayerHandleNotAString", false,
     [](Request& r, V7TestHost&) {
         picojson::array handles{picojson::value(1.0)};
         r.Set("V7Layers", picojson::value(handles));
     },
     {}},
    {"LayerHandleUnparsable", false, [](Request& r, V7TestHost&) { r.Set("V7Layers", Strings({"xyz"})); },
     {"layer 0"}},
    {"LayeredWithoutList", false, [](Request& r, V7TestHost&) { r.Remove("V7Layers"); }, {}},
};

INSTANTIATE_TEST_SUITE_P(Sources, UnusableSourceTest, ::testing::ValuesIn(kUnusableSources),
                         [](const ::testing::TestParamInfo<UnusableSource>& info) { return std::string(info.param.name); });

TEST_F(ImageTest, FailedCopyLeavesAnExistingResultLayerAlone) {
    AddLayer(nullptr);  // the host stores no image for this layer
    const Outcome outcome = Run("var l = Image.CreateOutLayer(0, 3, 2); l.Name = 'kept';"
                                "Print(Image.CreateCopyLayer(0), l.Width, l.Name);");
    EXPECT_EQ(host.messages, std::vector<std::string>{"null3kept"});
    const picojson::array layers = ResultLayers(outcome);
    ASSERT_EQ(layers.size(), 1u);
    EXPECT_EQ(BitmapAt(layers[0].get("Image"))->bmiHeader.biWidth, 3);
    EXPECT_FALSE(host.Owns(BitmapAt(layers[0].get("Image"))));
}

// CreateOutLayer's arguments: the index must not be negative, each side
// 1 to 30000, and the area below 99,980,002 (9999 x 9999 is the largest
// square). Large accepted sizes use index colour to keep the test light.
struct OutLayerCase {
    const char* name;
    const char* args;
    int width;  // 0: refused
    int height;

    friend void PrintTo(const OutLayerCase& c, std::ostream* os) { *os << c.name << "(" << c.args << ")"; }
};

class CreateOutLayerLimits : public V7Test, public ::testing::WithParamInterface<OutLayerCase> {};

TEST_P(CreateOutLayerLimits, AcceptsExactlyTheAllowedSizes) {
    const OutLayerCase& c = GetParam();
    const Outcome outcome = Run(std::string("Print(Image.CreateOutLayer(") + c.args + ") !== null)");
    const picojson::array layers = ResultLayers(outcome);
    if (c.width == 0) {
        EXPECT_EQ(host.messages, std::vector<std::string>{"false"});
        EXPECT_TRUE(layers.empty()) << outcome.text;
        return;
    }
    EXPECT_EQ(host.messages, std::vector<std::string>{"true"});
    ASSERT_EQ(layers.size(), 1u) << outcome.text;
    const BITMAPINFO* image = BitmapAt(layers[0].get("Image"));
    EXPECT_EQ(image->bmiHeader.biWidth, c.width);
    EXPECT_EQ(image->bmiHeader.biHeight, c.height);
}

const OutLayerCase kOutLayerCases[] = {
    {"LargestSquare", "0, 9999, 9999, false, true", 9999, 9999},
    {"LongestRow", "0, 30000, 1", 30000, 1},
    {"LongestColumn", "0, 1, 30000", 1, 30000},
    {"ConvertedArguments", "'3', '4.9', 2.5", 4, 2},
    {"AreaTooLarge", "0, 10000, 9999, false, true", 0, 0},
    {"AreaTooLargeOtherWay", "0, 9999, 10000, false, true", 0, 0},
    {"RowTooLong", "0, 30001, 1", 0, 0},
    {"ColumnTooLong", "0, 1, 30001", 0, 0},
    {"ZeroWidth", "0, 0, 10", 0, 0},
    {"ZeroHeight", "0, 10, 0", 0, 0},
    {"NegativeIndex", "-1, 10, 10", 0, 0},
    {"WrappedWidth", "0, 2**32 + 5, -3", 0, 0},
    {"TwoArguments", "0, 10", 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Sizes, CreateOutLayerLimits, ::testing::ValuesIn(kOutLayerCases),
                         [](const ::testing::TestParamInfo<OutLayerCase>& info) { return std::string(info.param.name); });

TEST_F(ImageTest, ThrowingArgumentEndsTheMethodWithoutARecord) {
    AddLayer(host.NewBitmap(2, 2, 24));
    const Outcome outcome =
        Run("var bad = {valueOf() { throw 'boom'; }};"
            "var r = [];"
            "for (const f of [() => Image.CreateOutLayer(0, bad, 5), () => Image.CreateOutLayer(1, 2, 2, true, true, bad),"
            "                 () => Image.CreateCopyLayer(bad), () => Image.GetInLayer(Symbol())])"
            "  try { f(); r.push('returned'); } catch (e) { r.push(String(e)); }"
            "Print(r.join('|'))");
    EXPECT_EQ(host.messages,
              std::vector<std::string>{"boom|boom|boom|TypeError: Cannot convert a Symbol value to a number"});
    EXPECT_TRUE(ResultLayers(outcome).empty()) << outcome.text;
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(ImageTest, FreshOutLayerIsBlackAndReportsOnlyItsBitmaps) {
    const Outcome outcome =
        Run("var l = Image.CreateOutLayer(5, 10, 10);"
            "Print([l.Name === '', l.X, l.Y, l.Hidden, l.Opacity, l.Width, l.Height, l.IndexColor, l.Alpha,"
            "       l.PaletteEntryCount].join());");
    EXPECT_EQ(host.messages, std::vector<std::string>{"true,0,0,false,100,10,10,false,false,"});
    const picojson::array layers = ResultLayers(outcome);
    ASSERT_EQ(layers.size(), 1u);
    BITMAPINFO* image = BitmapAt(layers[0].get("Image"));
    EXPECT_EQ(outcome.text, "{\"ErrorMessage\":\"\",\"ScriptResult\":0,\"V7ResultLayers\":[{\"Alpha\":\"0\",\"Image\":\"" +
                                Address(image) + "\",\"Index\":5}]}");
    EXPECT_EQ(image->bmiHeader.biBitCount, 24);
    EXPECT_EQ(image->bmiHeader.biClrUsed, 0u);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            const std::uint8_t* p = PixelOf(image, x, y);
            ASSERT_EQ(p[0] | p[1] | p[2], 0) << x << "," << y;
        }
    }
}

TEST_F(ImageTest, NewLayersWithAlphaStartOpaque) {
    const Outcome outcome = Run("Image.CreateOutLayer(0, 4, 4, true, true, 16); Image.CreateOutLayer(1, 3, 2, 1);");
    const picojson::array layers = ResultLayers(outcome);
    ASSERT_EQ(layers.size(), 2u);

    // Index colour: 256 black entries with reserved 255, and the 16 x 16
    // plane's 256 alphas all 255.
    BITMAPINFO* index = BitmapAt(layers[0].get("Image"));
    BITMAPINFO* indexAlpha = BitmapAt(layers[0].get("Alpha"));
    EXPECT_EQ(index->bmiHeader.biBitCount, 8);
    EXPECT_EQ(index->bmiHeader.biClrUsed, 256u);
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD e = TableOf(index)[i];
        ASSERT_TRUE(e.rgbBlue == 0 && e.rgbGreen == 0 && e.rgbRed == 0 && e.rgbReserved == 255) << i;
        const RGBQUAD a = TableOf(indexAlpha)[i];
        ASSERT_TRUE(a.rgbBlue == 255 && a.rgbGreen == 255 && a.rgbRed == 255 && a.rgbReserved == 0) << i;
    }
    EXPECT_EQ(indexAlpha->bmiHeader.biWidth, 16);
    EXPECT_EQ(indexAlpha->bmiHeader.biHeight, 16);
    EXPECT_EQ(*PixelOf(indexAlpha, 15, 15), 255);

    // Direct colour: the plane has the image's size and every byte 255.
    BITMAPINFO* direct = BitmapAt(layers[1].get("Image"));
    BITMAPINFO* directAlpha = BitmapAt(layers[1].get("Alpha"));
    EXPECT_EQ(direct->bmiHeader.biBitCount, 24);
    EXPECT_EQ(directAlpha->bmiHeader.biWidth, 3);
    EXPECT_EQ(directAlpha->bmiHeader.biHeight, 2);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) EXPECT_EQ(PixelOf(directAlpha, x, y)[0], 255) << x << "," << y;
    }
}

TEST_F(ImageTest, ResultKeysArePresentOnlyWhenSet) {
    const Outcome outcome =
        Run("var a = Image.CreateOutLayer(0, 1, 1);"
            "a.Name = 'n\u00e9'; a.X = 3; a.Y = '-2'; a.Hidden = 'no'; a.Opacity = -1;"
            "var b = Image.CreateOutLayer(1, 1, 1); b.Opacity = 150; b.Hidden = 0;"
            "Print(a.Opacity, ',', a.Hidden, ',', b.Hidden);");
    EXPECT_EQ(host.messages, std::vector<std::string>{"-1,true,false"});
    const picojson::array layers = ResultLayers(outcome);
    ASSERT_EQ(layers.size(), 2u);
    const std::string a = Address(BitmapAt(layers[0].get("Image")));
    const std::string b = Address(BitmapAt(layers[1].get("Image")));
    EXPECT_EQ(outcome.text, "{\"ErrorMessage\":\"\",\"ScriptResult\":0,\"V7ResultLayers\":["
                            "{\"Alpha\":\"0\",\"Hidden\":true,\"Image\":\"" + a + "\",\"Index\":0,\"Name\":\"n\u00e9\","
                            "\"Opacity\":4294967295,\"PosX\":3,\"PosY\":-2},"
                            "{\"Alpha\":\"0\",\"Hidden\":false,\"Image\":\"" + b + "\",\"Index\":1,\"Opacity\":150}]}");
}

TEST_F(ImageTest, ReusedIndexTakesTheNewBitmapsAndEmptiesTheName) {
    const Outcome outcome =
        Run("var l = Image.CreateOutLayer(2, 3, 3); l.Name = 'first'; l.Opacity = 7;"
            "var m = Image.CreateOutLayer(2, 5, 4, true);"
            "Print(l.Width, ',', m.Width, ',', l.Name === '', ',', m.Opacity);");
    EXPECT_EQ(host.messages, std::vector<std::string>{"5,5,true,7"});
    const picojson::array layers = ResultLayers(outcome);
    ASSERT_EQ(layers.size(), 1u);
    EXPECT_EQ(layers[0].get("Name").get<std::string>(), "");
    EXPECT_EQ(layers[0].get("Opacity").get<std::int64_t>(), 7);
    EXPECT_EQ(BitmapAt(layers[0].get("Image"))->bmiHeader.biWidth, 5);
    EXPECT_NE(layers[0].get("Alpha").get<std::string>(), "0");
}

TEST_F(ImageTest, CopyLayerWorksOnTheHostBitmaps) {
    AddLayer(host.NewBitmap(2, 2, 24));
    V7TestHost::Layer& input = AddLayer(host.NewBitmap(3, 3, 24), host.NewAlphaPlane(3, 3, false, 200));
    input.name = "copied";
    input.x = 9;
    const Outcome outcome = Run("Image.CreateOutLayer(1, 8, 8);"
                                "var l = Image.CreateCopyLayer(1); l.PixelAt(0, 0).r = 77;");
    const picojson::array layers = ResultLayers(outcome);
    ASSERT_EQ(layers.size(), 1u);
    EXPECT_EQ(BitmapAt(layers[0].get("Image")), input.image);
    EXPECT_EQ(BitmapAt(layers[0].get("Alpha")), input.alpha);
    EXPECT_EQ(layers[0].get("Name").get<std::string>(), "copied");
    EXPECT_EQ(layers[0].get("PosX").get<std::int64_t>(), 9);
    EXPECT_EQ(layers[0].get("Opacity").get<std::int64_t>(), 100);
    EXPECT_EQ(PixelOf(input.image, 0, 0)[2], 77);
}

TEST_F(ImageTest, CopyOfASinglePictureReportsOnlyItsBitmaps) {
    host.single = true;
    host.singleImage = host.NewBitmap(2, 2, 8);
    const Outcome outcome = Run("Image.CreateCopyLayer(0)");
    const picojson::array layers = ResultLayers(outcome);
    ASSERT_EQ(layers.size(), 1u);
    EXPECT_EQ(outcome.text, "{\"ErrorMessage\":\"\",\"ScriptResult\":0,\"V7ResultLayers\":[{\"Alpha\":\"0\",\"Image\":\"" +
                                Address(host.singleImage) + "\",\"Index\":0}]}");
}

TEST_F(ImageTest, ResultLayersAccumulateOverExecutions) {
    const Outcome first = Run("Image.CreateOutLayer(3, 2, 2).Name = 'three'");
    ASSERT_EQ(ResultLayers(first).size(), 1u);
    const std::string three = ResultLayers(first)[0].get("Image").get<std::string>();

    const Outcome second = Run("Image.CreateOutLayer(1, 2, 2)");
    const picojson::array layers = ResultLayers(second);
    ASSERT_EQ(layers.size(), 2u);
    EXPECT_EQ(layers[0].get("Index").get<std::int64_t>(), 1);
    EXPECT_EQ(layers[1].get("Index").get<std::int64_t>(), 3);
    EXPECT_EQ(layers[1].get("Image").get<std::string>(), three);
    EXPECT_EQ(layers[1].get("Name").get<std::string>(), "three");

    // A failed run and a version 8 run report no layers; the next version 7
    // run reports them all again.
    const Outcome failed = Run("throw 'x'");
    EXPECT_EQ(failed.scriptResult(), 1103);
    EXPECT_FALSE(failed.json.contains("V7ResultLayers"));
    const Outcome v8 = Run("SetVersion(8)");
    EXPECT_FALSE(v8.json.contains("V7ResultLayers"));
    EXPECT_TRUE(v8.json.contains("V8ResultPicture"));
    EXPECT_EQ(ResultLayers(Run("SetVersion(7)")).size(), 2u);
}

}  // namespace
}  // namespace v7test
