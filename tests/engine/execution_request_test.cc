// The execution request: which keys are required, how they are read, and the
// statuses a failing request returns.
#include <gtest/gtest.h>

#include "tests/support/script_harness.h"

namespace {

using qfjs_test::Outcome;
using qfjs_test::Recorder;
using qfjs_test::Request;
using qfjs_test::ScriptContext;

TEST(ExecutionRequest, DefaultRequestRunsAnEmptyScript) {
    Recorder recorder;
    ScriptContext context;
    Outcome outcome = context.Run("", Request(&recorder));
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.text, R"({"ErrorMessage":"","ScriptResult":0,"V7ResultLayers":[]})");
}

}  // namespace
