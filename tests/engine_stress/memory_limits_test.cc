// Memory outside the script heap and its limit. Each context's array-buffer
// allocator has a budget (1 GiB), so a script that keeps allocating typed
// arrays gets the engine's RangeError instead of taking the host's memory;
// version 7 bitmaps and records have a budget too. The context stays usable.
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

namespace {

// Version 7 bitmaps, records and layer names stay with the context until it
// is destroyed, outside the script heap: they have a budget of 2 GiB per
// context, beyond which the members fail as they do without memory.
TEST(V7MemoryBudget, LayersAndNamesBeyondTheBudgetAreRefusedAndTheContextLivesOn) {
    // A 9999 x 9999 direct-colour layer takes 299,970,040 bytes (never
    // touched, so it costs address space only): seven fit, the eighth does
    // not. Of the 47,693,368 bytes left, an 8 x 8 layer takes 232, and names
    // of 1 MiB and a few digits fit 45 times. A 1000 x 1000 layer is then
    // too much, while the script itself goes on normally.
    const char script[] = R"(
var made = 0;
while (made < 100 && Image.CreateOutLayer(made, 9999, 9999) !== null) made++;
var layer = Image.CreateOutLayer(made, 8, 8);
var big = 'n'.repeat(1 << 20);
var named = 0;
for (; named < 100; named++) {
    var name = named + big;
    layer.Name = name;
    if (layer.Name !== name) break;
}
Print(made, ' ', named, ' ', Image.CreateOutLayer(made + 1, 1000, 1000) === null, ' ', layer.Name.length);
)";
    StressHost host;
    {
        ScriptContext context(host.factory());
        const Outcome outcome = context.Run(script, host.RequestText());
        ASSERT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.scriptResult(), 0) << outcome.errorMessage();
        EXPECT_EQ(host.last_message(), "7 45 true 1048578");

        // The context goes on; what fits still works.
        const Outcome next = context.Run("Print(Image.CreateOutLayer(9, 4, 4).Width)", host.RequestText());
        EXPECT_EQ(next.scriptResult(), 0) << next.errorMessage();
        EXPECT_EQ(host.last_message(), "4");
    }
    // A new context has the whole budget again.
    ScriptContext fresh(host.factory());
    const Outcome outcome = fresh.Run("Print(Image.CreateOutLayer(0, 9999, 9999) !== null)", host.RequestText());
    EXPECT_EQ(outcome.scriptResult(), 0) << outcome.errorMessage();
    EXPECT_EQ(host.last_message(), "true");
}

}  // namespace
