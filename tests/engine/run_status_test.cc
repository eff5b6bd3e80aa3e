// How a run ends: every run status with its exact message, and what one
// execution leaves to the next.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/script_harness.h"

namespace {

using qfjs_test::Outcome;
using qfjs_test::Recorder;
using qfjs_test::Request;
using qfjs_test::ScriptContext;

struct RunCase {
    const char* name;
    const char* script;
    int status;
    const char* message;
};

class RunStatus : public ::testing::TestWithParam<RunCase> {};

TEST_P(RunStatus, StatusAndMessage) {
    Outcome outcome = qfjs_test::RunScript(GetParam().script);
    ASSERT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.scriptResult(), GetParam().status);
    EXPECT_EQ(outcome.errorMessage(), GetParam().message);
}

const RunCase kRunCases[] = {
    {"EmptyScript", "", 0, ""},
    {"PlainScript", "var a = [1, 2, 3].map(function (x) { return x * 2; });", 0, ""},
    {"ErrorMessageAloneIsNoFailure", "ErrorMessage = 'ignored'", 0, ""},
    {"CompileErrorOnLine3", "var a = 1;\nvar b = 2;\nvar c = ;\n", 1102,
     "Script compilation error\nSyntaxError: Unexpected token ';'\nPosition: line 3, column 8 "},
    {"CompileErrorOnLine1", "}", 1102, "Script compilation error\nSyntaxError: Unexpected token '}'\nPosition: line 1, column 0 "},
    {"CompileErrorBeatsResult", "Result = 5;\n(", 1102,
     "Script compilation error\nSyntaxError: Unexpected end of input\nPosition: line 2, column 1 "},
    {"ThrownString", "throw 'bad';", 1103, "Exception in script\nUncaught bad\nPosition: line 1, column 0 "},
    {"ThrownError", "var x = 1;\n  throw new Error('boom');", 1103,
     "Exception in script\nUncaught Error: boom\nPosition: line 2, column 2 "},
    {"ReferenceError", "\n\nundefinedFunction();", 1103,
     "Exception in script\nUncaught ReferenceError: undefinedFunction is not defined\nPosition: line 3, column 0 "},
    {"ThrowBeatsResultAndMessage", "Result = 5; ErrorMessage = 'bad'; throw 'first';", 1103,
     "Exception in script\nUncaught first\nPosition: line 1, column 34 "},
    {"UncaughtSetVersionError", "SetVersion('8.0')", 1103,
     "Exception in script\nUncaught SetVersion() : Invalid version\nPosition: line 1, column 0 "},
    {"PositiveResult", "Result = 5", 1105, "Script result code 5"},
    {"PositiveResultWithMessage", "Result = 5; ErrorMessage = 'bad'", 1104, "Script result code 5\nbad"},
    {"MessageWithLineBreaks", "Result = 2; ErrorMessage = 'a\\nb'", 1104, "Script result code 2\na\nb"},
    {"NegativeResult", "Result = -7", -1, ""},
    {"NegativeResultKeepsNoMessage", "Result = -7; ErrorMessage = 'bad'", -1, ""},
    {"NegativeResultThenThrow", "Result = -1; throw 'late';", -1,
     "Exception in script\nUncaught late\nPosition: line 1, column 13 "},
    {"ResultIsInt32", "Result = 2 ** 32 + 5", 1105, "Script result code 5"},
    {"ResultTruncates", "Result = 3.9", 1105, "Script result code 3"},
    {"ResultNaNIsZero", "Result = 'abc'", 0, ""},
    {"ResultFromObject", "Result = { valueOf: function () { return 6; } }", 1105, "Script result code 6"},
    {"ResultReadBack", "Result = 4; Result = Result * 2", 1105, "Script result code 8"},
    {"ResultWrapsNegative", "Result = 2 ** 31", -1, ""},
    {"ThrowingValueOfInResult", "Result = { valueOf: function () { throw 'no'; } }", 1103,
     "Exception in script\nUncaught no\nPosition: line 1, column 34 "},
    {"Quit", "Quit(); Result = 5", 0, ""},
    {"QuitWithCode", "Quit(3); Result = 0", 1105, "Script result code 3"},
    {"QuitWithCodeAndMessage", "ErrorMessage = 'why'; Quit(4)", 1104, "Script result code 4\nwhy"},
    {"QuitWithNegativeCode", "Quit(-2)", -1, ""},
    {"QuitZeroClearsResult", "Result = 9; Quit(0)", 0, ""},
    {"QuitWithoutCodeKeepsResult", "Result = 9; Quit()", 1105, "Script result code 9"},
    {"QuitInsideFunction", "function f() { Quit(6); }\n[1, 2].forEach(f); Result = 0", 1105, "Script result code 6"},
    // Promise reactions run after the last statement; an exception nothing
    // handled there fails the run instead of being lost.
    {"ThrowInPromiseReaction", "Promise.resolve().then(function () {\n  throw new Error('late'); });", 1103,
     "Exception in script\nUncaught (in promise) Error: late\nPosition: line 2, column 8 "},
    {"ThrowInAsyncFunction", "(async function () { await null; throw 5; })();", 1103,
     "Exception in script\nUncaught (in promise) 5\nPosition: line 1, column 33 "},
    {"RejectionHandledLater", "var p = Promise.reject(1); p.catch(function () {});", 0, ""},
    {"RejectionHandledInAReaction", "Promise.reject(1).then(null, function () { Result = 0; });", 0, ""},
    {"QuitInPromiseReaction", "Promise.resolve().then(function () { Quit(7); throw 'never'; });", 1105,
     "Script result code 7"},
};

INSTANTIATE_TEST_SUITE_P(Scripts, RunStatus, ::testing::ValuesIn(kRunCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RunStatusAcrossExecutions, ResultAndErrorMessageCarryOver) {
    Recorder recorder;
    ScriptContext context;
    Request request(&recorder);
    EXPECT_EQ(context.Run("Result = 5; ErrorMessage = 'bad'", request).scriptResult(), 1104);
    // The next script sees and, without assigning, inherits them.
    Outcome second = context.Run("Print(Result, ErrorMessage)", request);
    EXPECT_EQ(second.scriptResult(), 1104);
    EXPECT_EQ(second.errorMessage(), "Script result code 5\nbad");
    EXPECT_EQ(context.Run("ErrorMessage = ''", request).errorMessage(), "Script result code 5");
    EXPECT_EQ(context.Run("Result = 0", request).scriptResult(), 0);
    EXPECT_EQ(context.Run("", request).scriptResult(), 0);
    EXPECT_EQ(recorder.messages, std::vector<std::string>{"5bad"});
}

TEST(RunStatusAcrossExecutions, GlobalsOfAScriptDoNotSurvive) {
    Recorder recorder;
    ScriptContext context;
    Request request(&recorder);
    ASSERT_EQ(context.Run("var kept = 1; this.other = 2; UserParam.extra = 3;", request).scriptResult(), 0);
    ASSERT_EQ(context.Run("Print(typeof kept, typeof other, typeof UserParam.extra)", request).scriptResult(), 0);
    EXPECT_EQ(recorder.messages, std::vector<std::string>{"undefinedundefinedundefined"});
}

TEST(RunStatusAcrossExecutions, CompileErrorLeavesTheContextUsable) {
    Recorder recorder;
    ScriptContext context;
    Request request(&recorder);
    EXPECT_EQ(context.Run("{", request).scriptResult(), 1102);
    EXPECT_EQ(context.Run("throw 1", request).scriptResult(), 1103);
    Outcome outcome = context.Run("Print('fine')", request);
    EXPECT_EQ(outcome.scriptResult(), 0);
    EXPECT_EQ(outcome.errorMessage(), "");
    EXPECT_EQ(recorder.messages, std::vector<std::string>{"fine"});
}

}  // namespace
