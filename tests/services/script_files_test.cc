// QFJS_LoadScript and QFJS_GetScriptDescription: script text as UTF-8 and the
// "//qfjs" description header in the language of the environment.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "qfjs/qfjs.h"
#include "tests/tools/test_util.h"

namespace {

using namespace std::string_literals;
using qfjs_test::ScopedEnv;
using qfjs_test::TempDir;

// Takes over a text the library returned; nullopt for null.
std::optional<std::string> Take(char* text) {
    if (!text) return std::nullopt;
    std::string copy = text;
    QFJS_MemFree(text);
    return copy;
}

struct DescriptionCase {
    const char* name;
    std::string script;
    const char* lang;
    std::string description;
};

const DescriptionCase kDescriptions[] = {
    {"CodeFirstGivesEmpty", "var x = 1;\n//qfjs:Blur\n", "en_US.UTF-8", ""},
    {"EmptyFile", "", "en_US.UTF-8", ""},
    {"DefaultLine", "//qfjs:Blur\nvar x;\n", "en_US.UTF-8", "Blur"},
    {"TextKeptAfterColon", "//qfjs: Soft blur \n", "en_US.UTF-8", " Soft blur"},
    {"AtMostThreeLines", "//qfjs:one\n//qfjs:two\n//qfjs:three\n//qfjs:four\n", "en_US.UTF-8", "one\ntwo\nthree"},
    {"LocalisedForJapanese", "//qfjs:Blur\n//qfjs(ja_jp):\xE3\x81\xBC\xE3\x81\x8B\xE3\x81\x97\n", "ja_JP.UTF-8",
     "\xE3\x81\xBC\xE3\x81\x8B\xE3\x81\x97"},
    {"DefaultForEnglish", "//qfjs:Blur\n//qfjs(ja_jp):\xE3\x81\xBC\xE3\x81\x8B\xE3\x81\x97\n", "en_US.UTF-8",
     "Blur"},
    {"LanguageOnlyLocale", "//qfjs:Blur\n//qfjs(fr):Flou\n", "fr", "Flou"},
    {"UpperCaseKeyNeverMatches", "//qfjs:Blur\n//qfjs(ja_JP):X\n", "ja_JP.UTF-8", "Blur"},
    {"ThreeLinesPerKey",
     "//qfjs(ja_jp):1\n//qfjs:a\n//qfjs(ja_jp):2\n//qfjs(ja_jp):3\n//qfjs(ja_jp):4\n//qfjs:b\n", "ja_JP.UTF-8",
     "1\n2\n3"},
    {"EmptyLocalisedFallsBack", "//qfjs(ja_jp):\n//qfjs:Blur\n", "ja_JP.UTF-8", "Blur"},
    {"IndentedLinesCount", "   //qfjs:a\n\t//qfjs:b  \n", "en_US.UTF-8", "a\nb"},
    {"EmptyLineEndsHeader", "//qfjs:a\n\n//qfjs:b\n", "en_US.UTF-8", "a"},
    {"BlankLineEndsHeader", "//qfjs:a\n   \n//qfjs:b\n", "en_US.UTF-8", "a"},
    {"MalformedLinesSkipped",
     "//qfjs(ja_jp)x:bad\n//qfjs:ok\n//qfjs\n//qfjsjunk\n//qfjs(ja_jp:bad\n// qfjs:ends? no\n", "ja_JP.UTF-8", "ok"},
    {"MarkerIsCaseSensitive", "//QFJS:no\n//qfjs:yes\n", "en_US.UTF-8", ""},
    {"CrLfLines", "//qfjs:a\r\n//qfjs:b\r\nvar x;\r\n", "en_US.UTF-8", "a\nb"},
    {"EmptyKeyInParentheses", "//qfjs():a\n//qfjs:b\n", "en_US.UTF-8", "a\nb"},
    {"Utf16File", "\xFF\xFE/\x00/\x00q\x00" "f\x00j\x00s\x00:\x00\xE9\x00\n\x00"s, "en_US.UTF-8", "\xC3\xA9"},
};

void PrintTo(const DescriptionCase& c, std::ostream* os) {
    *os << c.name;
}

class ScriptDescription : public testing::TestWithParam<DescriptionCase> {};

TEST_P(ScriptDescription, FromTheHeader) {
    const DescriptionCase& c = GetParam();
    TempDir dir;
    const std::string file = dir.Write("script.js", c.script);
    ScopedEnv all("LC_ALL", nullptr);
    ScopedEnv messages("LC_MESSAGES", nullptr);
    ScopedEnv lang("LANG", c.lang);
    EXPECT_EQ(Take(QFJS_GetScriptDescription(file.c_str())), c.description);
}

INSTANTIATE_TEST_SUITE_P(Headers, ScriptDescription, testing::ValuesIn(kDescriptions),
                         [](const testing::TestParamInfo<DescriptionCase>& info) { return info.param.name; });

TEST(ScriptDescriptionLocale, FollowsTheEnvironmentOfEachCall) {
    TempDir dir;
    const std::string file = dir.Write("script.js", "//qfjs:Blur\n//qfjs(de_de):Weichzeichnen\n//qfjs(ja_jp):J\n");
    ScopedEnv messages("LC_MESSAGES", nullptr);
    {
        ScopedEnv lang("LANG", "de_DE.UTF-8");
        ScopedEnv all("LC_ALL", nullptr);
        EXPECT_EQ(Take(QFJS_GetScriptDescription(file.c_str())), "Weichzeichnen");
    }
    {
        ScopedEnv lang("LANG", "de_DE.UTF-8");
        ScopedEnv all("LC_ALL", "ja_JP.UTF-8");
        EXPECT_EQ(Take(QFJS_GetScriptDescription(file.c_str())), "J");
    }
    {
        ScopedEnv lang("LANG", "C");
        ScopedEnv all("LC_ALL", nullptr);
        EXPECT_EQ(Take(QFJS_GetScriptDescription(file.c_str())), "Blur");
    }
}

TEST(LoadScript, TextAsUtf8WithoutCarriageReturns) {
    TempDir dir;
    struct LoadCase {
        std::string bytes;
        std::optional<std::string> text;
    };
    const LoadCase cases[] = {
        {"var a = 1;\r\nPrint(a);\r\n", "var a = 1;\nPrint(a);\n"},
        {"\xEF\xBB\xBFvar \xC3\xA9;", "var \xC3\xA9;"},
        {"\xFF\xFEv\x00\xE9\x00\r\x00\n\x00"s, "v\xC3\xA9\n"},
        {"\xFE\xFF\x00v\x00\xE9"s, "v\xC3\xA9"},
        // Without a mark the bytes are taken as they are.
        {"\x93\xFA", "\x93\xFA"},
        {"", ""},
        {"\xFF\xFE\x00\x00v\x00\x00\x00"s, std::nullopt},
        {"\x00\x00\xFE\xFF\x00\x00\x00v"s, std::nullopt},
    };
    for (const LoadCase& c : cases) {
        const std::string file = dir.Write("script.js", c.bytes);
        EXPECT_EQ(Take(QFJS_LoadScript(file.c_str())), c.text) << testing::PrintToString(c.bytes);
        if (!c.text) {
            EXPECT_EQ(Take(QFJS_GetScriptDescription(file.c_str())), std::nullopt);
        }
    }
}

TEST(LoadScript, UnreadableFilesGiveNull) {
    TempDir dir;
    for (const char* path : {static_cast<const char*>(nullptr), "", "/nonexistent/script.js"}) {
        EXPECT_EQ(Take(QFJS_LoadScript(path)), std::nullopt);
        EXPECT_EQ(Take(QFJS_GetScriptDescription(path)), std::nullopt);
    }
    EXPECT_EQ(Take(QFJS_LoadScript(dir.path().c_str())), std::nullopt);
    EXPECT_EQ(Take(QFJS_GetScriptDescription(dir.path().c_str())), std::nullopt);
}

}  // namespace
