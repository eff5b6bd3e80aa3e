// Array buffers live outside the script heap and its limit: each context's
// array-buffer allocator has a budget (1 GiB), so a script that keeps
// allocating typed arrays gets the engine's RangeError instead of taking the
// host's memory, and the context stays usable.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/engine_stress/stress_host.h"
#include "tests/support/script_harness.h"

namespace {

using qfjs_stress::StressHost;
using qfjs_test::Outcome;
using qfjs_test::ScriptContext;

// Keeps every 16 MiB array until the budget says no; prints how many MiB it
// got and what it caught.
const char kKeepAllocating[] = R"(
var kept = [];
var mib = 0;
try {
    for (;;) { kept.push(new Uint8Array(16 * 1024 * 1024)); mib += 16; }
} catch (e) {
    Print(e instanceof RangeError, ' ', e.message, ' ', mib);
}
)";

TEST(ArrayBufferBudget, AnEndlessUint8ArrayLoopGetsARangeErrorAndTheContextLivesOn) {
    StressHost host;
    ScriptContext context(host.factory());
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const Outcome outcome = context.Run(kKeepAllocating, host.RequestText());
        ASSERT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.scriptResult(), 0) << outcome.text;
        // 64 arrays fill the budget exactly; the 65th is refused. The arrays
        // of the earlier round are collected, so each round gets as many.
        EXPECT_EQ(host.last_message(), "true Array buffer allocation failed 1024");

        const Outcome next = context.Run("Print(new Uint8Array(1024).length + Image.GetInLayer(0).Width)",
                                         host.RequestText());
        EXPECT_EQ(next.scriptResult(), 0) << next.text;
        EXPECT_EQ(host.last_message(), "1032");
    }
}

TEST(ArrayBufferBudget, RefusedSizesAreRangeErrors) {
    struct Case {
        const char* expression;
    } const cases[] = {
        {"new ArrayBuffer(1024 * 1024 * 1024 + 1)"},
        {"new Uint8Array(2 ** 31)"},
        {"new Float64Array(2 ** 28)"},
        {"new ArrayBuffer(2 ** 53 - 1)"},
        {"new Uint8Array(new ArrayBuffer(16)).constructor.from({ length: 2 ** 31 })"},
        // Two halves fill the budget; a typed array beyond the engine's in-heap
        // size (64 bytes) needs one more buffer.
        {"(function () { var a = new Uint8Array(512 * 1024 * 1024); var b = new Uint8Array(512 * 1024 * 1024);"
         " return new Uint8Array(100); })()"},
    };
    StressHost host;
    ScriptContext context(host.factory());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expression);
        const std::string script = std::string("try { ") + c.expression +
                                   "; Print('allocated'); } catch (e) { Print(e instanceof RangeError); }";
        const Outcome outcome = context.Run(script, host.RequestText());
        ASSERT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.scriptResult(), 0) << outcome.text;
        EXPECT_EQ(host.last_message(), "true");
    }
}

TEST(ArrayBufferBudget, BuffersThatAreDroppedGiveTheirBudgetBack) {
    // 4.5 GiB in all, never more than a few arrays alive: the collector
    // returns each dropped buffer's share, so no allocation is refused.
    StressHost host;
    ScriptContext context(host.factory());
    const Outcome outcome = context.Run(
        "var n = 0; for (var i = 0; i < 288; i++) { var a = new Uint8Array(16 * 1024 * 1024); a[i] = 1; n += a[i]; }"
        "Print(n)",
        host.RequestText());
    ASSERT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.scriptResult(), 0) << outcome.text;
    EXPECT_EQ(host.last_message(), "288");
}

}  // namespace
