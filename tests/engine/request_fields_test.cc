// How the request's keys land in the context record, and the result JSON of
// version 7 result layers: checked on the record itself, since no script
// member shows these fields yet.
#include <cmath>
#include <limits>
#include <string>

#include <boost/filesystem/operations.hpp>
#include <gtest/gtest.h>

#include "engine/filter_context.h"
#include "engine/request.h"

namespace {

using qfjsbinding::ApplyRequest;
using qfjsbinding::BuildResultJson;
using qfjsbinding::RECT;
using qfjsbinding::TJSFilterContext;

picojson::value Parse(const std::string& text) {
    picojson::value value;
    const std::string error = qfjsbinding::ParseRequest(text.c_str(), &value);
    EXPECT_EQ(error, "");
    return value;
}

// The required keys with valid values; `extra` is spliced into the object.
std::string RequestText(const std::string& extra, const std::string& selColor = R"({"R":0,"G":0,"B":0,"A":0,"I":0})") {
    return R"({"FileName":"f.png","HostData":"0","SourcePicture":{},"SourcePicturePtr":"0",)"
           R"("TargetPicturePtr":"0","SelColor":)" +
           selColor +
           R"(,"ProgressProc":"0","ShowMessage":"0","SetStatus":"0","GetV7Bitmap":"0",)"
           R"("GetV7LayerData":"0","Document":"0")" +
           (extra.empty() ? "" : "," + extra) + "}";
}

int Apply(TJSFilterContext& context, const std::string& text) {
    const picojson::value request = Parse(text);
    return ApplyRequest(request, &context);
}

std::string Rect(const std::optional<RECT>& rect) {
    if (!rect) return "none";
    return std::to_string(rect->left) + "," + std::to_string(rect->top) + "," + std::to_string(rect->right) + "," +
           std::to_string(rect->bottom);
}

TEST(RequestFields, SelectionIsTruncatedToARectangle) {
    struct Case {
        const char* selection;
        const char* rect;
    } const cases[] = {
        {R"({"Left":10.9,"Top":20,"Width":5.5,"Height":7})", "10,20,15,27"},
        {R"({"Left":-3.7,"Top":-0.2,"Width":2.9,"Height":0})", "-3,0,-1,0"},
        // Out-of-range numbers saturate instead of being undefined.
        {R"({"Left":1e12,"Top":-1e300,"Width":1e12,"Height":-5})", "2147483647,-2147483648,2147483647,-2147483648"},
        {R"({"Left":2147483000,"Top":0,"Width":1000,"Height":1})", "2147483000,0,2147483647,1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selection);
        TJSFilterContext context;
        ASSERT_EQ(Apply(context, RequestText(std::string(R"("Selection":)") + c.selection)), 0);
        EXPECT_EQ(Rect(context.selection), c.rect);
    }
}

TEST(RequestFields, SelectionStaysUntilAnotherRequestGivesOne) {
    TJSFilterContext context;
    ASSERT_EQ(Apply(context, RequestText("")), 0);
    EXPECT_EQ(Rect(context.selection), "none");
    ASSERT_EQ(Apply(context, RequestText(R"("Selection":{"Left":1,"Top":2,"Width":3,"Height":4})")), 0);
    ASSERT_EQ(Apply(context, RequestText(R"("Selection":"all")")), 0);
    EXPECT_EQ(Rect(context.selection), "1,2,4,6");
    // A selection is first emptied, then filled member by member: a failure
    // leaves the members read so far.
    EXPECT_EQ(Apply(context, RequestText(R"("Selection":{"Left":7,"Top":8,"Width":9})")), 125);
    EXPECT_EQ(Rect(context.selection), "7,8,16,0");
}

TEST(RequestFields, SelectionColourAndPointers) {
    TJSFilterContext context;
    // The request stays alive: the context points into it.
    const picojson::value request =
        Parse(R"({"FileName":"a.png","HostData":"11","SourcePicture":{"Type":"SINGLE"},)"
              R"("SourcePicturePtr":"22","TargetPicturePtr":"33",)"
              R"("SelColor":{"R":0.25,"G":1,"B":255,"A":-1.5,"I":-2.9},)"
              R"("ProgressProc":"44","ShowMessage":"55","SetStatus":"66","GetV7Bitmap":"77",)"
              R"("GetV7LayerData":"88","Document":"99","V7ActiveLayerIndex":3.99})");
    ASSERT_EQ(ApplyRequest(request, &context), 0);
    EXPECT_EQ(context.fileName, "a.png");
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(context.hostData), 11u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(context.sourcePicture), 22u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(context.targetPicture), 33u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(context.progressProc), 44u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(context.showMessageProc), 55u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(context.setStatusProc), 66u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(context.getV7BitmapProc), 77u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(context.getV7LayerDataProc), 88u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(context.document), 99u);
    EXPECT_EQ(context.selColorR, 0.25);
    EXPECT_EQ(context.selColorG, 1.0);
    EXPECT_EQ(context.selColorB, 255.0);
    EXPECT_EQ(context.selColorA, -1.5);
    EXPECT_EQ(context.selColorIndex, -2);
    EXPECT_EQ(context.v7ActiveLayerIndex, 3);
    ASSERT_NE(context.sourcePictureInfo, nullptr);
    EXPECT_EQ(context.sourcePictureInfo->at("Type").get<std::string>(), "SINGLE");
    EXPECT_EQ(context.userParams.size(), 256u);
}

TEST(RequestFields, V7LayersAreNullUnlessAnArray) {
    TJSFilterContext context;
    const picojson::value withLayers = Parse(RequestText(R"("V7Layers":["1","2"])"));
    ASSERT_EQ(ApplyRequest(withLayers, &context), 0);
    ASSERT_NE(context.v7LayerHandles, nullptr);
    EXPECT_EQ(context.v7LayerHandles->size(), 2u);
    const picojson::value without = Parse(RequestText(""));
    ASSERT_EQ(ApplyRequest(without, &context), 0);
    EXPECT_EQ(context.v7LayerHandles, nullptr);
    const picojson::value wrongType = Parse(RequestText(R"("V7Layers":"1")"));
    ASSERT_EQ(ApplyRequest(wrongType, &context), 0);
    EXPECT_EQ(context.v7LayerHandles, nullptr);
}

TEST(RequestFields, ScriptFileGivesTheBaseDirectory) {
    const boost::filesystem::path cwd = boost::filesystem::current_path();
    TJSFilterContext context;
    ASSERT_EQ(Apply(context, RequestText("")), 0);
    EXPECT_EQ(context.scriptFile, "");
    EXPECT_EQ(context.scriptBaseDir, cwd);

    ASSERT_EQ(Apply(context, RequestText(R"("ScriptFile":"/scripts/a.js")")), 0);
    EXPECT_EQ(context.scriptBaseDir, boost::filesystem::path("/scripts"));
    // The file name stays when a later request does not give it.
    ASSERT_EQ(Apply(context, RequestText("")), 0);
    EXPECT_EQ(context.scriptFile, "/scripts/a.js");
    EXPECT_EQ(context.scriptBaseDir, boost::filesystem::path("/scripts"));

    ASSERT_EQ(Apply(context, RequestText(R"("ScriptFile":"scripts/a.js")")), 0);
    EXPECT_EQ(context.scriptBaseDir, cwd);
    ASSERT_EQ(Apply(context, RequestText(R"("ScriptFile":"/a.js")")), 0);
    EXPECT_EQ(context.scriptBaseDir, boost::filesystem::path("/"));
    ASSERT_EQ(Apply(context, RequestText("\"ScriptFile\":\"/sk\xC3\xA9tches/b.js\"")), 0);
    EXPECT_EQ(context.scriptBaseDir.string(), "/sk\xC3\xA9tches");
}

TEST(RequestFields, NumbersOfAnyJsonFormAreRead) {
    TJSFilterContext context;
    ASSERT_EQ(Apply(context, RequestText("", R"({"R":1e2,"G":-0,"B":12345678901234,"A":0.5,"I":1e10})")), 0);
    EXPECT_EQ(context.selColorR, 100.0);
    EXPECT_EQ(context.selColorB, 12345678901234.0);
    EXPECT_EQ(context.selColorIndex, std::numeric_limits<std::int32_t>::max());
    // Beyond the range of a double: the largest double, then saturation.
    ASSERT_EQ(Apply(context, RequestText(R"("Selection":{"Left":-1e999,"Top":1E+400,"Width":0,"Height":0})",
                                         R"({"R":1e999,"G":-1e999,"B":0,"A":0,"I":-1e999})")),
              0);
    EXPECT_EQ(context.selColorR, std::numeric_limits<double>::max());
    EXPECT_EQ(context.selColorG, -std::numeric_limits<double>::max());
    EXPECT_EQ(context.selColorIndex, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(Rect(context.selection), "-2147483648,2147483647,-2147483648,2147483647");
}

TEST(ResultJsonLayers, LayersInIndexOrderWithTheirSetFields) {
    TJSFilterContext context;
    auto* image = reinterpret_cast<BITMAPINFO*>(std::uintptr_t{4096});
    auto* alpha = reinterpret_cast<BITMAPINFO*>(std::uintptr_t{8192});
    qfjsbinding::TV7LayerData full;
    full.image = image;
    full.alpha = alpha;
    full.name = "Sky \"blue\"";
    full.posX = -3;
    full.posY = 7;
    full.hidden = true;
    full.opacity = 80u;
    qfjsbinding::TV7LayerData bare;
    bare.image = image;
    context.v7ResultLayers[5] = full;
    context.v7ResultLayers[-1] = bare;
    EXPECT_EQ(BuildResultJson(&context, 0, ""),
              R"({"ErrorMessage":"","ScriptResult":0,"V7ResultLayers":[)"
              R"({"Alpha":"0","Image":"4096","Index":-1},)"
              R"({"Alpha":"8192","Hidden":true,"Image":"4096","Index":5,"Name":"Sky \"blue\"","Opacity":80,"PosX":-3,"PosY":7}]})");
    // A failed run reports no layers, whatever the context holds.
    EXPECT_EQ(BuildResultJson(&context, 1103, "Script execution error"),
              R"({"ErrorMessage":"Script execution error","ScriptResult":1103})");
    context.isVersion8 = true;
    context.resultPicture = reinterpret_cast<void*>(std::uintptr_t{UINTPTR_MAX});
    EXPECT_EQ(BuildResultJson(&context, 0, ""),
              R"({"ErrorMessage":"","ScriptResult":0,"V8ResultPicture":"18446744073709551615"})");
}

}  // namespace
