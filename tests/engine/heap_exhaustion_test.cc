// A script that exhausts the script heap ends with 9999 and the context lives
// on. The heap limit is lowered for this whole process (engine flags are
// process-wide), so these tests have their own program.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <v8.h>

#include "tests/engine/loud_engine.h"
#include "tests/support/script_harness.h"

namespace {

using qfjs_test::Outcome;
using qfjs_test::Recorder;
using qfjs_test::Request;
using qfjs_test::ScriptContext;

using Texts = std::vector<std::string>;

// Keeps everything it allocates reachable, so only the limit ends it.
const char kExhaust[] =
    "Print('filling'); var keep = [];"
    "while (true) { keep.push(new Array(10000).fill(keep.length)); }";

TEST(HeapExhaustion, EndsTheRunWith9999AndTheContextLivesOn) {
    Recorder recorder;
    ScriptContext context;
    Request request(&recorder);
    Outcome exhausted = context.Run(kExhaust, request);
    ASSERT_EQ(exhausted.status, 0);
    EXPECT_EQ(exhausted.text, R"({"ErrorMessage":"Script result code 9999","ScriptResult":1105})");

    Outcome next = context.Run("var a = []; for (var i = 0; i < 1000; i++) a.push({ i: i }); Print(a.length)", request);
    EXPECT_EQ(next.text, R"({"ErrorMessage":"","ScriptResult":0,"V7ResultLayers":[]})");

    // The limit is back where it was: exhausting again is caught again.
    EXPECT_EQ(context.Run(kExhaust, request).scriptResult(), 1105);
    EXPECT_EQ(context.Run("Print('last')", request).scriptResult(), 0);
    EXPECT_EQ(recorder.messages, (Texts{"filling", "1000", "filling", "last"}));
}

// Records the isolate's heap limit whenever a script prints "limit".
struct LimitProbe {
    static inline std::vector<std::size_t> limits;
    static void ShowMessage(const void*, const char* text) {
        if (std::string(text) != "limit") return;
        v8::HeapStatistics statistics;
        v8::Isolate::GetCurrent()->GetHeapStatistics(&statistics);
        limits.push_back(statistics.heap_size_limit());
    }
};

TEST(HeapExhaustion, HeapLimitIsRestoredAfterTheRun) {
    // The handler raises the limit so the termination can unwind; the next
    // run must have the initial limit again, or every exhaustion would let
    // the heap grow further.
    Recorder recorder;
    Request request(&recorder);
    request.SetPointer("ShowMessage", reinterpret_cast<const void*>(&LimitProbe::ShowMessage));
    ScriptContext context;
    LimitProbe::limits.clear();
    ASSERT_EQ(context.Run("Print('limit')", request).scriptResult(), 0);
    ASSERT_EQ(context.Run("Print('limit'); var keep = []; while (true) keep.push(new Array(10000).fill(0));", request)
                  .scriptResult(),
              1105);
    ASSERT_EQ(context.Run("Print('limit')", request).scriptResult(), 0);
    ASSERT_EQ(LimitProbe::limits.size(), 3u);
    EXPECT_EQ(LimitProbe::limits[2], LimitProbe::limits[0]);
    EXPECT_EQ(LimitProbe::limits[1], LimitProbe::limits[0]);
}

TEST(HeapExhaustion, NeitherCatchNorFinallyRuns) {
    Recorder recorder;
    Outcome outcome = qfjs_test::RunScript(
        "try { var keep = []; while (true) keep.push('x'.repeat(1000) + keep.length); }"
        "catch (e) { Print('catch'); } finally { Print('finally'); } Print('after');",
        &recorder);
    EXPECT_EQ(outcome.scriptResult(), 1105);
    EXPECT_EQ(outcome.errorMessage(), "Script result code 9999");
    EXPECT_TRUE(recorder.messages.empty());
}

TEST(HeapExhaustion, ErrorMessageOfTheScriptIsReported) {
    Outcome outcome = qfjs_test::RunScript(
        "ErrorMessage = 'too big'; var keep = []; while (true) keep.push(new Array(5000).fill(0));");
    EXPECT_EQ(outcome.scriptResult(), 1104);
    EXPECT_EQ(outcome.errorMessage(), "Script result code 9999\ntoo big");
}

TEST(HeapExhaustion, ScriptResultBeforeTheExhaustionSurvives) {
    // 9999 describes the exhausted run only; the script's own Result value
    // stays for the next execution.
    Recorder recorder;
    ScriptContext context;
    Request request(&recorder);
    EXPECT_EQ(context.Run("Result = 0; " + std::string(kExhaust), request).scriptResult(), 1105);
    EXPECT_EQ(context.Run("Print(Result)", request).scriptResult(), 0);
    EXPECT_EQ(context.Run("Result = 6; " + std::string(kExhaust), request).errorMessage(), "Script result code 9999");
    EXPECT_EQ(context.Run("Print(Result)", request).errorMessage(), "Script result code 6");
    EXPECT_EQ(recorder.messages, (Texts{"filling", "0", "filling", "6"}));
}

TEST(HeapExhaustion, ParallelContextsAreIndependent) {
    // One context exhausting its heap does not disturb another one that
    // runs afterwards in the same process.
    ScriptContext first;
    ScriptContext second;
    Recorder recorder;
    Request request(&recorder);
    EXPECT_EQ(first.Run(kExhaust, request).scriptResult(), 1105);
    EXPECT_EQ(second.Run("Print('second')", request).scriptResult(), 0);
    EXPECT_EQ(first.Run("Print('first')", request).scriptResult(), 0);
    EXPECT_EQ(recorder.messages, (Texts{"filling", "second", "first"}));
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // A small old generation makes exhaustion quick; it must be set before
    // the engine starts.
    v8::V8::SetFlagsFromString("--max-old-space-size=24");
    qfjs_test::StartEngineWithLoudHandlers();
    return RUN_ALL_TESTS();
}
