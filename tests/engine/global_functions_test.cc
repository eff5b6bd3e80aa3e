// The core global functions as scripts see them, and the host callbacks they
// reach.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/script_harness.h"

namespace {

using qfjs_test::Outcome;
using qfjs_test::Recorder;
using qfjs_test::Request;
using qfjs_test::ScriptContext;

using Texts = std::vector<std::string>;

// Runs a script in a fresh context and returns what it printed; the run must
// succeed.
Texts Printed(const std::string& script) {
    Recorder recorder;
    Outcome outcome = qfjs_test::RunScript(script, &recorder);
    EXPECT_EQ(outcome.scriptResult(), 0) << outcome.errorMessage();
    return recorder.messages;
}

// ---------------------------------------------------------------------------
// Print, MessageBox, SetStatus, SetProgress

TEST(MessageFunctions, PrintAndMessageBoxJoinTheirArguments) {
    EXPECT_EQ(Printed("Print('a', 1, true); MessageBox(); MessageBox(undefined, null, 2.5, [1, 2], {});"
                      "Print('\\u00e9\\ud83d\\ude00')"),
              (Texts{"a1true", "", "undefinednull2.51,2[object Object]", "\xC3\xA9\xF0\x9F\x98\x80"}));
}

TEST(MessageFunctions, PrintAndMessageBoxReturnUndefined) {
    EXPECT_EQ(Printed("var r = Print('x'); Print(typeof r, typeof MessageBox('y'))"),
              (Texts{"x", "y", "undefinedundefined"}));
}

TEST(MessageFunctions, ThrowingConversionCallsNoHost) {
    Recorder recorder;
    const std::string bad = "{ toString: function () { throw 'nope'; } }";
    const std::string calls[] = {"Print('a', " + bad + ")", "SetStatus(" + bad + ")",
                                 "SetProgress(1, { valueOf: function () { throw 'nope'; } })",
                                 "Print(Symbol('s'))"};
    for (const std::string& call : calls) {
        SCOPED_TRACE(call);
        Outcome outcome = qfjs_test::RunScript(call, &recorder);
        EXPECT_EQ(outcome.scriptResult(), 1103);
    }
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_TRUE(recorder.statuses.empty());
    EXPECT_TRUE(recorder.progress.empty());
}

TEST(MessageFunctions, SetStatusReachesTheStatusCallback) {
    Recorder recorder;
    Outcome outcome = qfjs_test::RunScript(
        "var r = SetStatus('working', 'ignored'); SetStatus(); SetStatus(1.5); Print(typeof r)", &recorder);
    EXPECT_EQ(outcome.scriptResult(), 0);
    EXPECT_EQ(recorder.statuses, (Texts{"working", "1.5"}));
    EXPECT_EQ(recorder.messages, Texts{"undefined"});
}

TEST(MessageFunctions, SetProgressPassesTheHostAnswerBack) {
    Recorder recorder;
    ScriptContext context;
    Request request(&recorder);
    recorder.progressResult = true;
    ASSERT_EQ(context.Run("Print(SetProgress(1, 10), SetProgress(2 ** 32 + 3, '7'), SetProgress(5))", request)
                  .scriptResult(),
              0);
    recorder.progressResult = false;
    ASSERT_EQ(context.Run("Print(SetProgress(-1, 2.9))", request).scriptResult(), 0);
    EXPECT_EQ(recorder.progress, (std::vector<std::pair<int, int>>{{1, 10}, {3, 7}, {-1, 2}}));
    EXPECT_EQ(recorder.messages, (Texts{"truetruefalse", "false"}));
}

TEST(MessageFunctions, AbsentCallbacksAreSkipped) {
    Recorder recorder;
    Request request(&recorder);
    request.Set("ShowMessage", picojson::value("0"))
        .Set("SetStatus", picojson::value("0"))
        .Set("ProgressProc", picojson::value("0"));
    ScriptContext context;
    Outcome outcome = context.Run("Print('x'); SetStatus('y'); if (SetProgress(1, 2) !== false) Result = 1;", request);
    EXPECT_EQ(outcome.scriptResult(), 0) << outcome.errorMessage();
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_TRUE(recorder.statuses.empty());
    EXPECT_TRUE(recorder.progress.empty());
}

TEST(MessageFunctions, SetProcessOptionConvertsAndIgnores) {
    EXPECT_EQ(Printed("Print(typeof SetProcessOption('Bitmap.GetPixel.Clip', false), typeof SetProcessOption('k'))"),
              Texts{"undefinedundefined"});
    EXPECT_EQ(qfjs_test::RunScript("SetProcessOption('k', { toString: function () { throw 1; } })").scriptResult(),
              1103);
}

// ---------------------------------------------------------------------------
// ValueClip, ByteClip

struct ClipCase {
    const char* expression;
    const char* printed;
};

class Clip : public ::testing::TestWithParam<ClipCase> {};

TEST_P(Clip, Value) {
    EXPECT_EQ(Printed(std::string("var v = ") + GetParam().expression + "; Print(typeof v, ' ', v)"),
              Texts{GetParam().printed});
}

const ClipCase kClipCases[] = {
    {"ByteClip(300)", "number 255"},
    {"ByteClip(-4)", "number 0"},
    {"ByteClip(12.9)", "number 12"},
    {"ByteClip(-0.5)", "number 0"},
    {"ByteClip('200')", "number 200"},
    {"ByteClip(NaN)", "number 0"},
    {"ByteClip(2 ** 32 + 7)", "number 7"},
    {"ByteClip(255, 999)", "number 255"},
    {"ByteClip()", "undefined undefined"},
    {"ValueClip(5, 0, 10)", "number 5"},
    {"ValueClip(-3, 0, 10)", "number 0"},
    {"ValueClip(20, 0, 10)", "number 10"},
    {"ValueClip(5, 10, 0)", "number 10"},
    {"ValueClip(-50, 10, 0)", "number 10"},
    {"ValueClip(7.8, '2', 9.9)", "number 7"},
    {"ValueClip(2 ** 31, -5, 5)", "number -5"},
    {"ValueClip(1, 2)", "undefined undefined"},
    {"ValueClip()", "undefined undefined"},
};

INSTANTIATE_TEST_SUITE_P(Functions, Clip, ::testing::ValuesIn(kClipCases));

// ---------------------------------------------------------------------------
// SetVersion

TEST(SetVersion, SelectsTheReportedVersion) {
    struct Case {
        const char* script;
        const char* printed;
        bool version8;
    } const cases[] = {
        {"Print(SetVersion(8))", "true", true},
        {"Print(SetVersion('8'))", "true", true},
        {"Print(SetVersion({ toString: function () { return '8'; } }))", "true", true},
        {"SetVersion(8); Print(SetVersion(7))", "true", false},
        {"Print(SetVersion())", "false", false},
        {"SetVersion(8); Print(SetVersion())", "false", true},
        {"try { SetVersion('8.0'); } catch (e) { Print(e); }", "SetVersion() : Invalid version", false},
        {"SetVersion(8); try { SetVersion(9); } catch (e) { Print(typeof e); }", "string", true},
        {"try { SetVersion(' 8'); } catch (e) { Print('refused'); }", "refused", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        Recorder recorder;
        Outcome outcome = qfjs_test::RunScript(c.script, &recorder);
        EXPECT_EQ(outcome.scriptResult(), 0);
        EXPECT_EQ(recorder.messages, Texts{c.printed});
        ASSERT_TRUE(outcome.json.is<picojson::object>());
        EXPECT_EQ(outcome.json.contains("V8ResultPicture"), c.version8);
        EXPECT_EQ(outcome.json.contains("V7ResultLayers"), !c.version8);
    }
}

TEST(SetVersion, VersionIsKeptBetweenExecutions) {
    Recorder recorder;
    ScriptContext context;
    Request request(&recorder);
    EXPECT_TRUE(context.Run("SetVersion(8)", request).json.contains("V8ResultPicture"));
    EXPECT_TRUE(context.Run("", request).json.contains("V8ResultPicture"));
    EXPECT_TRUE(context.Run("SetVersion(7)", request).json.contains("V7ResultLayers"));
    EXPECT_TRUE(context.Run("", request).json.contains("V7ResultLayers"));
}

// ---------------------------------------------------------------------------
// UserParam, Result, ErrorMessage, the global object

TEST(UserParam, HasExactly256Entries) {
    EXPECT_EQ(Printed("Print(typeof UserParam[0], typeof UserParam[255], UserParam[256], UserParam[4294967294]);"
                      "UserParam[256] = 'x'; Print(UserParam[256]);"
                      "UserParam[255] = 12; Print(typeof UserParam[255], UserParam[255])"),
              (Texts{"stringstringnullnull", "null", "string12"}));
}

TEST(UserParam, AssignmentsCarryIntoTheNextExecution) {
    Recorder recorder;
    ScriptContext context;
    Request request(&recorder);
    request.Set("Parameters", picojson::value(picojson::array{picojson::value("given")}));
    ASSERT_EQ(context.Run("UserParam[0] = UserParam[0] + '!'; UserParam[7] = true", request).scriptResult(), 0);
    request.Remove("Parameters");
    ASSERT_EQ(context.Run("Print(UserParam[0], UserParam[7])", request).scriptResult(), 0);
    EXPECT_EQ(recorder.messages, Texts{"given!true"});
}

TEST(UserParam, ThrowingConversionLeavesTheEntry) {
    Recorder recorder;
    ScriptContext context;
    Request request(&recorder);
    request.Set("Parameters", picojson::value(picojson::array{picojson::value("old")}));
    EXPECT_EQ(context.Run("UserParam[0] = { toString: function () { throw 'x'; } }", request).scriptResult(), 1103);
    request.Remove("Parameters");
    ASSERT_EQ(context.Run("Print(UserParam[0])", request).scriptResult(), 0);
    EXPECT_EQ(recorder.messages, Texts{"old"});
}

TEST(GlobalObject, ResultAndErrorMessageReadBack) {
    EXPECT_EQ(Printed("Print(typeof Result, Result, typeof ErrorMessage, '[' + ErrorMessage + ']');"
                      "Result = '12'; ErrorMessage = 3; Print(Result + 1, ErrorMessage + 1); Result = 0;"),
              (Texts{"number0string[]", "1331"}));
}

TEST(GlobalObject, IsAQuillFrame) {
    EXPECT_EQ(Printed("Print(this.constructor.name)"), Texts{"QuillFrame"});
}

TEST(GlobalObject, ArrayBuffersHaveAPerContextBudget) {
    // Each buffer is 256 MiB; four fit the context's budget, the fifth fails
    // with the script's RangeError instead of taking the host's memory. Once
    // the script is gone its buffers are collected and the budget is free again.
    const char* script =
        "var kept = []; var i = 0;"
        "try { for (; i < 8; i++) kept.push(new ArrayBuffer(256 * 1024 * 1024)); }"
        "catch (e) { Print(i, ' ', e instanceof RangeError); }";
    Recorder recorder;
    ScriptContext context;
    Request request(&recorder);
    ASSERT_EQ(context.Run(script, request).scriptResult(), 0);
    ASSERT_EQ(context.Run(script, request).scriptResult(), 0);
    EXPECT_EQ(recorder.messages, (Texts{"4 true", "4 true"}));
}

}  // namespace
