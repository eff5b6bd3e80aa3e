// The execution request: which keys are required, how they are read, the
// statuses a failing request returns, pointer strings, and the JSON texts the
// call hands back.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/engine/test_factory.h"
#include "tests/support/script_harness.h"

namespace {

using qfjs_test::Outcome;
using qfjs_test::Recorder;
using qfjs_test::Request;
using qfjs_test::ScriptContext;

// Marks the result pointer so a test sees whether the call wrote it.
char kUntouched[] = "untouched";

picojson::object& Member(Request& request, const char* key) {
    return request.object()[key].get<picojson::object>();
}

picojson::value Number(double value) {
    return picojson::value(value);
}

// A request with every required key and a selection, so that each row can
// break exactly one thing.
Request FullRequest(Recorder* recorder) {
    Request request(recorder);
    picojson::object selection;
    selection["Left"] = Number(1);
    selection["Top"] = Number(2);
    selection["Width"] = Number(3);
    selection["Height"] = Number(4);
    request.Set("Selection", picojson::value(selection));
    return request;
}

struct StatusCase {
    const char* name;
    std::function<void(Request&)> breakIt;
    int status;
};

class RequestStatus : public ::testing::TestWithParam<StatusCase> {};

TEST_P(RequestStatus, FailsBeforeTheScriptRunsAndLeavesTheResultUntouched) {
    Recorder recorder;
    Request request = FullRequest(&recorder);
    GetParam().breakIt(request);
    ScriptContext context;
    char* result = kUntouched;
    const int status = QFJS_FilterExecute(context.handle(), "Print('ran')", request.Text().c_str(), &result);
    EXPECT_EQ(status, GetParam().status);
    EXPECT_EQ(result, kUntouched);
    EXPECT_TRUE(recorder.messages.empty());
}

auto Remove(const char* key) {
    return [key](Request& r) { r.Remove(key); };
}
auto SetText(const char* key, const char* text) {
    return [key, text](Request& r) { r.Set(key, picojson::value(text)); };
}
auto SetNumber(const char* key, double value) {
    return [key, value](Request& r) { r.Set(key, Number(value)); };
}
auto RemoveMember(const char* key, const char* member) {
    return [key, member](Request& r) { Member(r, key).erase(member); };
}
auto SetMemberText(const char* key, const char* member, const char* text) {
    return [key, member, text](Request& r) { Member(r, key)[member] = picojson::value(text); };
}

const StatusCase kStatusCases[] = {
    {"FileNameMissing", Remove("FileName"), 50},
    {"FileNameNumber", SetNumber("FileName", 1), 50},
    {"HostDataMissing", Remove("HostData"), 51},
    {"HostDataNumber", SetNumber("HostData", 4096), 51},
    {"HostDataUnparsable", SetText("HostData", "abc"), 52},
    {"SourcePictureMissing", Remove("SourcePicture"), 101},
    {"SourcePictureText", SetText("SourcePicture", "{}"), 101},
    {"SourcePictureArray", [](Request& r) { r.Set("SourcePicture", picojson::value(picojson::array{})); }, 101},
    {"SourcePicturePtrMissing", Remove("SourcePicturePtr"), 103},
    {"SourcePicturePtrUnparsable", SetText("SourcePicturePtr", "x1"), 104},
    {"TargetPicturePtrMissing", Remove("TargetPicturePtr"), 105},
    {"TargetPicturePtrEmpty", SetText("TargetPicturePtr", ""), 106},
    {"SelColorMissing", Remove("SelColor"), 111},
    {"SelColorNumber", SetNumber("SelColor", 0), 111},
    {"SelColorRMissing", RemoveMember("SelColor", "R"), 112},
    {"SelColorRText", SetMemberText("SelColor", "R", "1"), 112},
    {"SelColorGMissing", RemoveMember("SelColor", "G"), 113},
    {"SelColorBMissing", RemoveMember("SelColor", "B"), 114},
    {"SelColorAMissing", RemoveMember("SelColor", "A"), 115},
    {"SelColorIMissing", RemoveMember("SelColor", "I"), 116},
    {"SelColorINull", [](Request& r) { Member(r, "SelColor")["I"] = picojson::value(); }, 116},
    {"SelectionLeftMissing", RemoveMember("Selection", "Left"), 122},
    {"SelectionTopMissing", RemoveMember("Selection", "Top"), 123},
    {"SelectionWidthMissing", RemoveMember("Selection", "Width"), 124},
    {"SelectionHeightMissing", RemoveMember("Selection", "Height"), 125},
    {"SelectionHeightText", SetMemberText("Selection", "Height", "7"), 125},
    {"Parameters257",
     [](Request& r) { r.Set("Parameters", picojson::value(picojson::array(257, picojson::value("p")))); }, 132},
    {"ProgressProcMissing", Remove("ProgressProc"), 141},
    {"ProgressProcUnparsable", SetText("ProgressProc", "proc"), 142},
    {"ShowMessageMissing", Remove("ShowMessage"), 143},
    {"ShowMessageUnparsable", SetText("ShowMessage", "-1"), 144},
    {"SetStatusMissing", Remove("SetStatus"), 145},
    {"SetStatusUnparsable", SetText("SetStatus", " "), 146},
    {"GetV7BitmapMissing", Remove("GetV7Bitmap"), 147},
    {"GetV7BitmapUnparsable", SetText("GetV7Bitmap", "nil"), 148},
    {"GetV7LayerDataMissing", Remove("GetV7LayerData"), 149},
    {"GetV7LayerDataUnparsable", SetText("GetV7LayerData", "#1"), 150},
    {"DocumentMissing", Remove("Document"), 161},
    {"DocumentUnparsable", SetText("Document", "doc"), 162},
    // Keys are read in a fixed order: the first failing key decides.
    {"FirstFailureWins",
     [](Request& r) {
         r.Remove("Document");
         r.Set("HostData", picojson::value("bad"));
         Member(r, "SelColor").erase("I");
     },
     52},
    {"SelColorBeforeSelection",
     [](Request& r) {
         Member(r, "Selection").erase("Left");
         Member(r, "SelColor").erase("A");
     },
     115},
};

INSTANTIATE_TEST_SUITE_P(Keys, RequestStatus, ::testing::ValuesIn(kStatusCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ExecutionRequest, NullArgumentsReturnOne) {
    Recorder recorder;
    ScriptContext context;
    const std::string request = Request(&recorder).Text();
    char* result = kUntouched;
    EXPECT_EQ(QFJS_FilterExecute(0, "", request.c_str(), &result), 1);
    EXPECT_EQ(QFJS_FilterExecute(context.handle(), nullptr, request.c_str(), &result), 1);
    EXPECT_EQ(QFJS_FilterExecute(context.handle(), "", nullptr, &result), 1);
    EXPECT_EQ(result, kUntouched);
    EXPECT_EQ(QFJS_FilterExecute(context.handle(), "", request.c_str(), nullptr), 1);
}

TEST(ExecutionRequest, InvalidJsonReturnsTwoWithTheParserMessage) {
    Recorder recorder;
    ScriptContext context;
    const std::string valid = Request(&recorder).Text();
    for (const std::string& text : {std::string("{"), std::string(""), std::string("{\"FileName\":}"),
                                    valid + " x", valid + valid}) {
        SCOPED_TRACE(text);
        Outcome outcome = context.Run("Print('ran')", text);
        EXPECT_EQ(outcome.status, 2);
        ASSERT_TRUE(outcome.json.is<picojson::object>());
        const picojson::object& object = outcome.json.get<picojson::object>();
        ASSERT_EQ(object.size(), 1u);
        ASSERT_TRUE(outcome.json.get("message").is<std::string>());
        EXPECT_FALSE(outcome.json.get("message").get<std::string>().empty());
    }
    EXPECT_TRUE(recorder.messages.empty());
    // White space around the object is not trailing text.
    EXPECT_EQ(context.Run("", " \n" + valid + "\n\t ").status, 0);
}

TEST(ExecutionRequest, JsonThatIsNotAnObjectReturnsTwo) {
    ScriptContext context;
    for (const char* text : {"[]", "42", "\"FileName\"", "null"}) {
        SCOPED_TRACE(text);
        Outcome outcome = context.Run("", text);
        EXPECT_EQ(outcome.status, 2);
        EXPECT_EQ(outcome.text, R"({"message":"The request is not a JSON object"})");
    }
}

TEST(ExecutionRequest, OptionalKeysOfTheWrongTypeCountAsAbsent) {
    Recorder recorder;
    Request request(&recorder);
    request.Set("V7Layers", picojson::value(picojson::object{}))
        .Set("Selection", Number(5))
        .Set("Parameters", picojson::value("a,b"))
        .Set("ScriptFile", Number(1))
        .Set("V7ActiveLayerIndex", picojson::value("2"));
    ScriptContext context;
    Outcome outcome = context.Run("Print(UserParam[0] === '')", request);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(recorder.messages, std::vector<std::string>{"true"});
}

// ---------------------------------------------------------------------------
// Pointer strings, seen through "HostData": the callbacks receive the parsed
// value as their first argument.

struct HostDataProbe {
    static inline std::vector<std::uintptr_t> seen;
    static void ShowMessage(const void* hostData, const char*) {
        seen.push_back(reinterpret_cast<std::uintptr_t>(hostData));
    }
};

struct PointerCase {
    const char* text;
    int status;              // of QFJS_FilterExecute
    std::uintptr_t value;    // hostData received, when the status is 0
};

class PointerString : public ::testing::TestWithParam<PointerCase> {};

TEST_P(PointerString, ParsesLeadingUnsignedDecimal) {
    Recorder recorder;
    Request request(&recorder);
    request.Set("HostData", picojson::value(GetParam().text));
    request.SetPointer("ShowMessage", reinterpret_cast<const void*>(&HostDataProbe::ShowMessage));
    HostDataProbe::seen.clear();
    ScriptContext context;
    Outcome outcome = context.Run("Print('x')", request);
    ASSERT_EQ(outcome.status, GetParam().status);
    if (GetParam().status == 0) {
        EXPECT_EQ(HostDataProbe::seen, std::vector<std::uintptr_t>{GetParam().value});
    } else {
        EXPECT_TRUE(HostDataProbe::seen.empty());
    }
}

const PointerCase kPointerCases[] = {
    {"0", 0, 0},
    {"4096", 0, 4096},
    {"  4096", 0, 4096},
    {"\t\n 17", 0, 17},
    {"4096abc", 0, 4096},
    {"12 34", 0, 12},
    {"0x10", 0, 0},
    {"007", 0, 7},
    {"+7", 0, 7},
    {"18446744073709551615", 0, UINTPTR_MAX},
    {"", 52, 0},
    {"   ", 52, 0},
    {"abc", 52, 0},
    {"-5", 52, 0},
    {"x12", 52, 0},
    // Beyond the range of a pointer: not a pointer at all.
    {"18446744073709551616", 52, 0},
};

INSTANTIATE_TEST_SUITE_P(Texts, PointerString, ::testing::ValuesIn(kPointerCases));

// ---------------------------------------------------------------------------
// "Parameters"

TEST(ExecutionRequest, ParametersFillUserParamByPosition) {
    Recorder recorder;
    ScriptContext context;
    Request request(&recorder);
    request.Set("Parameters", picojson::value(picojson::array{picojson::value("a"), Number(2),
                                                               picojson::value(true)}));
    Outcome first = context.Run("UserParam[3] = 'kept'; Print(UserParam[0], '|', UserParam[1], '|', UserParam[2])",
                                request);
    ASSERT_EQ(first.status, 0);

    // A shorter list replaces only its own entries; other entries, and entries
    // whose element is neither text nor number, keep their previous text.
    request.Set("Parameters", picojson::value(picojson::array{picojson::value(), picojson::value("b")}));
    Outcome second = context.Run("Print(UserParam[0], '|', UserParam[1], '|', UserParam[2], '|', UserParam[3])",
                                 request);
    ASSERT_EQ(second.status, 0);
    // Without the key every entry stays.
    request.Remove("Parameters");
    Outcome third = context.Run("Print(UserParam[1])", request);
    ASSERT_EQ(third.status, 0);
    EXPECT_EQ(recorder.messages, (std::vector<std::string>{"a|2.000000|", "a|b||kept", "b"}));
}

TEST(ExecutionRequest, NumericParametersHaveSixDecimals) {
    Recorder recorder;
    Request request(&recorder);
    request.Set("Parameters", picojson::value(picojson::array{Number(3), Number(-0.5), Number(1.0 / 3.0),
                                                               Number(1234.5678), Number(1e20), Number(-2.5e-7)}));
    ScriptContext context;
    ASSERT_EQ(context.Run("for (var i = 0; i < 6; i++) Print(UserParam[i])", request).status, 0);
    EXPECT_EQ(recorder.messages, (std::vector<std::string>{"3.000000", "-0.500000", "0.333333", "1234.567800",
                                                           "100000000000000000000.000000", "-0.000000"}));
}

TEST(ExecutionRequest, NumbersBeyondTheRangeOfADoubleAreAccepted) {
    Recorder recorder;
    Request request(&recorder);
    request.Set("Parameters", picojson::value(picojson::array{Number(123.25), Number(-123.25)}));
    Member(request, "SelColor")["I"] = Number(123.25);
    std::string text = request.Text();
    // picojson cannot write such numbers; put them into the text directly.
    for (std::size_t at = text.find("123.25"); at != std::string::npos; at = text.find("123.25")) {
        text.replace(at, 6, "1e999");
    }
    ASSERT_EQ(text.find("123"), std::string::npos);
    ScriptContext context;
    Outcome outcome = context.Run("Print(UserParam[0].length, UserParam[0].slice(0, 6), UserParam[1].slice(-8), UserParam[1][0])", text);
    ASSERT_EQ(outcome.status, 0);
    // The largest double with six decimals: 309 digits (179769...368), a point
    // and six zeros; the second parameter is its negative.
    EXPECT_EQ(recorder.messages, std::vector<std::string>{"316" "179769" "8.000000" "-"});
}

TEST(ExecutionRequest, ParametersAcceptExactly256Entries) {
    Recorder recorder;
    ScriptContext context;
    Request request(&recorder);
    picojson::array params;
    for (int i = 0; i < 256; ++i) params.emplace_back("p" + std::to_string(i));
    request.Set("Parameters", picojson::value(params));
    ASSERT_EQ(context.Run("Print(UserParam[0], UserParam[255])", request).status, 0);

    // 257 entries are refused and change nothing.
    params.emplace_back("extra");
    params[0] = picojson::value("changed");
    request.Set("Parameters", picojson::value(params));
    EXPECT_EQ(context.Run("", request).status, 132);
    request.Remove("Parameters");
    ASSERT_EQ(context.Run("Print(UserParam[0])", request).status, 0);
    EXPECT_EQ(recorder.messages, (std::vector<std::string>{"p0p255", "p0"}));
}

TEST(ExecutionRequest, KeysReadBeforeAFailureAreStored) {
    Recorder recorder;
    ScriptContext context;
    Request failing(&recorder);
    failing.Set("Parameters", picojson::value(picojson::array{picojson::value("from the failed request")}));
    failing.Remove("ProgressProc");
    ASSERT_EQ(context.Run("", failing).status, 141);

    Request next(&recorder);
    ASSERT_EQ(context.Run("Print(UserParam[0])", next).status, 0);
    EXPECT_EQ(recorder.messages, std::vector<std::string>{"from the failed request"});
}

// ---------------------------------------------------------------------------
// Result JSON, byte for byte.

TEST(ResultJson, Version7RunListsItsResultLayers) {
    Recorder recorder;
    ScriptContext context;
    EXPECT_EQ(context.Run("SetVersion(7)", Request(&recorder)).text,
              R"({"ErrorMessage":"","ScriptResult":0,"V7ResultLayers":[]})");
}

TEST(ResultJson, Version8RunReportsTheResultPicture) {
    qfjs_test::HandleFactory factory;
    Recorder recorder;
    Request request(&recorder);
    request.Set("SourcePicturePtr", picojson::value("8192")).Set("TargetPicturePtr", picojson::value("4096"));
    {
        ScriptContext context(&factory);
        EXPECT_EQ(context.Run("SetVersion(8)", request).text,
                  R"({"ErrorMessage":"","ScriptResult":0,"V8ResultPicture":"4096"})");
        EXPECT_EQ(context.Run("ResultPicture = SourcePicture", request).text,
                  R"({"ErrorMessage":"","ScriptResult":0,"V8ResultPicture":"8192"})");
        // Anything but a picture is no result picture: the host gets "0", never
        // a picture of an earlier execution.
        EXPECT_EQ(context.Run("ResultPicture = {}", request).text,
                  R"({"ErrorMessage":"","ScriptResult":0,"V8ResultPicture":"0"})");
        EXPECT_EQ(context.Run("ResultPicture = 4096", request).text,
                  R"({"ErrorMessage":"","ScriptResult":0,"V8ResultPicture":"0"})");
    }
    EXPECT_EQ(factory.releases, 1);
}

TEST(ResultJson, FailedRunHasOnlyStatusAndMessage) {
    Recorder recorder;
    ScriptContext context;
    EXPECT_EQ(context.Run("SetVersion(8); Result = 5", Request(&recorder)).text,
              R"({"ErrorMessage":"Script result code 5","ScriptResult":1105})");
    EXPECT_EQ(context.Run("SetVersion(7); Result = -2", Request(&recorder)).text,
              R"({"ErrorMessage":"","ScriptResult":-1})");
}

TEST(ResultJson, MessageIsEscapedJsonText) {
    Recorder recorder;
    ScriptContext context;
    Outcome outcome = context.Run("Result = 1; ErrorMessage = 'q\"\\\\\\t\\u00e9\\u4e2d'", Request(&recorder));
    EXPECT_EQ(outcome.text, "{\"ErrorMessage\":\"Script result code 1\\nq\\\"\\\\\\t\xC3\xA9\xE4\xB8\xAD\","
                            "\"ScriptResult\":1104}");
    EXPECT_EQ(outcome.errorMessage(), "Script result code 1\nq\"\\\t\xC3\xA9\xE4\xB8\xAD");
}

}  // namespace
