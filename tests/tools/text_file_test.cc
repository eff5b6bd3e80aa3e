// Reading text files as UTF-8: one table of byte fixtures covering every
// byte-order mark, the code-page path and line ends, then the read failures.
#include <gtest/gtest.h>

#include <string>

#include "tests/tools/test_util.h"
#include "tools/text_file.h"

namespace {

using namespace std::string_literals;
using qfjs_test::TempDir;

struct TextFixture {
    const char* name;
    std::string bytes;
    std::string codePage;
    bool ok;
    std::string text;  // expected UTF-8 when ok
};

// 日本 in Shift-JIS and in UTF-8.
const std::string kNihonSjis = "\x93\xFA\x96\x7B";
const std::string kNihonUtf8 = "\xE6\x97\xA5\xE6\x9C\xAC";
// U+1F600, outside the Basic Multilingual Plane.
const std::string kGrinUtf8 = "\xF0\x9F\x98\x80";

const TextFixture kFixtures[] = {
    {"Utf8MarkOnly", "\xEF\xBB\xBF", "", true, ""},
    {"Utf8MarkDropped", "\xEF\xBB\xBFh\xC3\xA9", "", true, "h\xC3\xA9"},
    {"Utf8MarkWinsOverCodePage", "\xEF\xBB\xBF" + kNihonSjis, "shift_jis", true, kNihonSjis},
    {"Utf16LeWithCrLf", "\xFF\xFE\x41\x00\x0D\x00\x0A\x00"s, "", true, "A\n"},
    {"Utf16LeOddLengthIgnoresLastByte", "\xFF\xFE\x41\x00\x42"s, "", true, "A"},
    {"Utf16LeMarkAndOneByte", "\xFF\xFE\x00"s, "", true, ""},
    {"Utf16BeOutsideBmp", "\xFE\xFF\xD8\x3D\xDE\x00"s, "", true, kGrinUtf8},
    {"Utf16LeOutsideBmp", "\xFF\xFE\x3D\xD8\x00\xDE"s, "", true, kGrinUtf8},
    {"Utf16BeLines", "\xFE\xFF\x00\x61\x00\x0D\x00\x0A\x00\x62"s, "", true, "a\nb"},
    {"Utf16UnpairedSurrogateGivesEmptyText", "\xFF\xFE\x00\xD8\x41\x00"s, "", true, ""},
    {"Utf16CutSurrogatePairGivesEmptyText", "\xFE\xFF\x00\x41\xD8\x3D"s, "", true, ""},
    {"Utf32LeMarkRefused", "\xFF\xFE\x00\x00\x41\x00\x00\x00"s, "", false, ""},
    {"Utf32BeMarkRefused", "\x00\x00\xFE\xFF\x00\x00\x00\x41"s, "", false, ""},
    {"Utf32MarkRefusedWhateverTheCodePage", "\xFF\xFE\x00\x00"s, "utf8", false, ""},
    {"NoMarkEmptyCodePageUnchanged", kNihonSjis, "", true, kNihonSjis},
    {"ShiftJisWithCodePage", kNihonSjis, "shift_jis", true, kNihonUtf8},
    {"ShiftJisAliasAnyCase", kNihonSjis, "SJIS", true, kNihonUtf8},
    {"Windows1252", "caf\xE9", "windows-1252", true, "caf\xC3\xA9"},
    {"Utf8CodePage", "h\xC3\xA9", "utf8", true, "h\xC3\xA9"},
    {"CrLfBecomesLf", "a\r\nb\r\n", "", true, "a\nb\n"},
    {"LoneCrDisappears", "one\rtwo\r", "", true, "onetwo"},
    {"CrRemovedAfterCodePage", "a\r\nb", "windows-1252", true, "a\nb"},
    {"EmptyFile", "", "", true, ""},
    {"EmptyFileWithCodePage", "", "shift_jis", true, ""},
    {"UnknownCodePageGivesEmptyText", "abc", "no-such-code-page", true, ""},
    {"CodePageWithNulGivesEmptyText", "abc", "utf8\0x"s, true, ""},
    {"OverlongCodePageNameGivesEmptyText", "abc", std::string(5000, 'u'), true, ""},
};

// Test names carry the fixture's name; the bytes are in the table.
void PrintTo(const TextFixture& fixture, std::ostream* os) {
    *os << fixture.name;
}

class LoadTextFileFixture : public testing::TestWithParam<TextFixture> {};

TEST_P(LoadTextFileFixture, DecodesAsDocumented) {
    const TextFixture& fixture = GetParam();
    TempDir dir;
    const std::string file = dir.Write("text", fixture.bytes);
    std::string out = "unchanged";
    const bool ok = qfjsbinding::LoadTextFile(file, out, fixture.codePage);
    ASSERT_EQ(ok, fixture.ok);
    EXPECT_EQ(out, fixture.ok ? fixture.text : "unchanged");
}

INSTANTIATE_TEST_SUITE_P(ByteFixtures, LoadTextFileFixture, testing::ValuesIn(kFixtures),
                         [](const testing::TestParamInfo<TextFixture>& info) { return info.param.name; });

TEST(LoadTextFile, FailsWithoutTouchingTheOutput) {
    TempDir dir;
    const std::string existing = dir.Write("a", "text");
    for (const std::string& path : {dir.File("missing"), dir.path().string(), existing + "\0b"s, ""s}) {
        std::string out = "unchanged";
        EXPECT_FALSE(qfjsbinding::LoadTextFile(boost::filesystem::path(path), out, "")) << path;
        EXPECT_EQ(out, "unchanged");
    }
}

TEST(LoadTextFile, ReadsLargeFileInOnePiece) {
    TempDir dir;
    std::string bytes;
    for (int i = 0; i < 200000; ++i) bytes += "line\r\n";
    const std::string file = dir.Write("big", bytes);
    std::string out;
    ASSERT_TRUE(qfjsbinding::LoadTextFile(file, out, ""));
    EXPECT_EQ(out.size(), 200000u * 5);
    EXPECT_EQ(out.find('\r'), std::string::npos);
}

}  // namespace
