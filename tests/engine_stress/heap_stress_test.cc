// Ten heap exhaustions in a row on one context, each by another road: every
// one ends as an exhausted run (9999, status 1105) and the context runs the
// next script normally. The script heap is made small for this program
// (engine flags are process-wide), so exhaustion comes quickly.
#include <string>

#include <gtest/gtest.h>
#include <v8.h>

#include "tests/engine/loud_engine.h"
#include "tests/engine_stress/stress_host.h"
#include "tests/support/script_harness.h"

namespace {

using qfjs_stress::StressHost;
using qfjs_test::Outcome;
using qfjs_test::ScriptContext;

// Each keeps everything it makes reachable until the heap runs out.
const char* const kExhausting[] = {
    "var keep = []; while (true) keep.push(new Array(10000).fill(keep.length));",
    "var keep = []; while (true) keep.push('x'.repeat(1000) + keep.length);",
    "var keep = []; for (var i = 0; ; i++) keep.push({ a: i, b: [i, i], c: 'k' + i });",
    "var m = new Map(); for (var i = 0; ; i++) m.set(i, [i, String(i)]);",
    "var keep = []; var layer = SourcePicture.GetLayer(0); while (true) keep.push(SourcePicture.GetLayer(0), layer.Bitmap);",
    "var keep = []; var bitmap = SourcePicture.GetLayer(0).Bitmap; while (true) keep.push(bitmap.GetPixel(1, 1));",
    "var keep = []; var layer = Image.GetInLayer(0); for (var i = 0; ; i++) keep.push(layer.PixelAt(i % 8, 3));",
    "var keep = []; for (var i = 0; ; i++) keep.push(function () { return i; }, new Uint8Array(16));",
    "var keep = []; while (true) { try { keep.push(JSON.parse(JSON.stringify({ n: keep.length, list: [1, 2, 3], s: 'abc' }))); } catch (e) {} }",
    "var keep = []; var s = Document.FilePath; while (true) { try { keep.push(s + Path.Combine(s, String(keep.length))); } finally { } }",
};

TEST(HeapStress, TenExhaustionsInARowEachEndTheRunAndTheContextLivesOn) {
    StressHost host;
    ScriptContext context(host.factory());
    int round = 0;
    for (const char* script : kExhausting) {
        SCOPED_TRACE(script);
        const std::string param = "after " + std::to_string(++round);
        const Outcome exhausted = context.Run(script, host.RequestText(param));
        ASSERT_EQ(exhausted.status, 0);
        EXPECT_EQ(exhausted.text, R"({"ErrorMessage":"Script result code 9999","ScriptResult":1105})");

        const Outcome next = context.Run(
            "var a = []; for (var i = 0; i < 1000; i++) a.push({ i: i });"
            "Print(UserParam[0], ' ', a.length, ' ', SourcePicture.GetLayer(0).Bitmap.GetPixel(2, 0).R)",
            host.RequestText(param));
        EXPECT_EQ(next.scriptResult(), 0) << next.text;
        EXPECT_EQ(host.last_message(), param + " 1000 60");
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    v8::V8::SetFlagsFromString("--max-old-space-size=24");
    qfjs_test::StartEngineWithLoudHandlers();
    return RUN_ALL_TESTS();
}
