// LoadTextFile, LoadBinaryFile, SaveTextFile and SaveBinaryFile as scripts
// see them: bytes written for every encoding, the append rules, binary views,
// and failures that give null or false without an exception.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/services/service_script.h"
#include "tests/tools/test_util.h"

namespace {

using namespace std::string_literals;
using qfjs_test::Js;
using qfjs_test::ReadBytes;
using qfjs_test::ShownRun;
using qfjs_test::TempDir;

struct SaveCase {
    const char* name;
    std::string text;      // script expression
    std::string options;   // further arguments after the text, script source
    std::string bytes;     // expected file content
};

// "é" is U+00E9, "😀" U+1F600, 日本 in Shift-JIS 93 FA 96 7B.
const SaveCase kSaveCases[] = {
    {"DefaultIsUtf8WithMark", "'x'", "", "\xEF\xBB\xBF\x78"},
    {"Utf8", "'\\u00e9'", ", false, 'utf8'", "\xEF\xBB\xBF\xC3\xA9"},
    {"Utf8NoMark", "'x'", ", false, 'utf8n'", "x"},
    {"Utf16IsLittleEndian", "'\\u00e9'", ", false, 'utf16'", "\xFF\xFE\xE9\x00"s},
    {"Utf16Le", "'\\u00e9'", ", false, 'utf16le'", "\xFF\xFE\xE9\x00"s},
    {"Utf16BeInCapitals", "'\\u00e9'", ", false, 'UTF16BE'", "\xFE\xFF\x00\xE9"s},
    {"Utf16BeSurrogatePair", "'\\u{1F600}'", ", false, 'utf16be'", "\xFE\xFF\xD8\x3D\xDE\x00"s},
    {"Utf32IsLittleEndian", "'\\u00e9'", ", false, 'utf32'", "\xFF\xFE\x00\x00\xE9\x00\x00\x00"s},
    {"Utf32Le", "'\\u{1F600}'", ", false, 'utf32le'", "\xFF\xFE\x00\x00\x00\xF6\x01\x00"s},
    {"Utf32Be", "'\\u00e9'", ", false, 'utf32be'", "\x00\x00\xFE\xFF\x00\x00\x00\xE9"s},
    {"IcuShiftJisHasNoMark", "'\\u65e5\\u672c'", ", false, 'shift_jis'", "\x93\xFA\x96\x7B"},
    {"IcuWindows1252", "'caf\\u00e9'", ", false, 'Windows-1252'", "caf\xE9"},
    {"LineEndsUnchanged", "'a\\r\\nb\\n'", ", false, 'utf8n'", "a\r\nb\n"},
    {"EmbeddedNulKept", "'a\\0b'", ", false, 'utf8n'", "a\0b"s},
    {"NullIsEmptyText", "null", "", ""},
    {"EmptyTextHasNoMark", "''", "", ""},
    {"EmptyUtf16TextHasNoMark", "''", ", false, 'utf16be'", ""},
    {"UndefinedEncodingIsTheDefault", "'x'", ", undefined, undefined", "\xEF\xBB\xBF\x78"},
    {"NumberIsConverted", "12", ", false, 'utf8n'", "12"},
};

void PrintTo(const SaveCase& c, std::ostream* os) {
    *os << c.name;
}

class SaveTextFileBytes : public testing::TestWithParam<SaveCase> {};

TEST_P(SaveTextFileBytes, WritesExactly) {
    const SaveCase& c = GetParam();
    TempDir dir;
    const std::string file = dir.File("out.txt");
    dir.Write("out.txt", "previous content that must go");
    ShownRun run;
    EXPECT_EQ(run.One("show(SaveTextFile(" + Js(file) + ", " + c.text + c.options + "))"), "true");
    EXPECT_EQ(ReadBytes(file), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(Encodings, SaveTextFileBytes, testing::ValuesIn(kSaveCases),
                         [](const testing::TestParamInfo<SaveCase>& info) { return info.param.name; });

TEST(SaveTextFile, AppendKeepsTheFilesEncodingAndMark) {
    struct AppendCase {
        std::string existing;
        std::string options;
        std::string bytes;
    };
    const AppendCase cases[] = {
        // Existing UTF-8 with mark: no second mark.
        {"\xEF\xBB\xBFx", "", "\xEF\xBB\xBFxy"},
        // The file's own mark beats the requested encoding.
        {"\xEF\xBB\xBFx", ", 'utf16be'", "\xEF\xBB\xBFxy"},
        {"\xFF\xFEx\x00"s, "", "\xFF\xFEx\x00y\x00"s},
        {"\xFE\xFF\x00x"s, ", 'utf8'", "\xFE\xFF\x00x\x00y"s},
        {"\xFF\xFE\x00\x00x\x00\x00\x00"s, "", "\xFF\xFE\x00\x00x\x00\x00\x00y\x00\x00\x00"s},
        {"\x00\x00\xFE\xFF\x00\x00\x00x"s, "", "\x00\x00\xFE\xFF\x00\x00\x00x\x00\x00\x00y"s},
        // Without a mark the requested encoding is used, and no mark is added.
        {"x", "", "xy"},
        {"x", ", 'utf16be'", "x\x00y"s},
        // An empty file is written as new, with its mark.
        {"", "", "\xEF\xBB\xBFy"},
        {"", ", 'utf16le'", "\xFF\xFEy\x00"s},
    };
    for (const AppendCase& c : cases) {
        TempDir dir;
        const std::string file = dir.Write("a.txt", c.existing);
        ShownRun run;
        EXPECT_EQ(run.One("show(SaveTextFile(" + Js(file) + ", 'y', true" + c.options + "))"), "true");
        EXPECT_EQ(ReadBytes(file), c.bytes) << testing::PrintToString(c.existing) << c.options;
    }
}

TEST(SaveTextFile, AppendingToAMissingFileWritesItNew) {
    TempDir dir;
    const std::string file = dir.File("new.txt");
    ShownRun run;
    EXPECT_EQ(run("show(SaveTextFile(" + Js(file) + ", 'x')); show(SaveTextFile(" + Js(file) +
                  ", 'y', true)); show(SaveTextFile(" + Js(dir.File("other.txt")) + ", 'y', true))"),
              std::vector<std::string>(3, "true"));
    EXPECT_EQ(ReadBytes(file), "\xEF\xBB\xBFxy");
    EXPECT_EQ(ReadBytes(dir.File("other.txt")), "\xEF\xBB\xBFy");
}

TEST(SaveTextFile, FailuresReturnFalseAndLeaveFilesAlone) {
    TempDir dir;
    const std::string existing = dir.Write("keep.txt", "keep");
    const std::string cases[] = {
        "SaveTextFile(" + Js(existing) + ")",
        "SaveTextFile()",
        "SaveTextFile(" + Js(existing) + ", 'x', false, 'no-such-encoding')",
        "SaveTextFile(" + Js(existing) + ", 'x', false, 'utf8\\0n')",
        "SaveTextFile(" + Js(existing) + ", 'x', false, 'x'.repeat(100000))",
        "SaveTextFile(" + Js(existing + "\0.txt"s) + ", 'x')",
        "SaveTextFile(" + Js(dir.path().string()) + ", 'x')",
        "SaveTextFile(" + Js(dir.File("no/such/dir.txt")) + ", 'x')",
        "SaveTextFile('', 'x')",
    };
    for (const std::string& call : cases) {
        ShownRun run;
        EXPECT_EQ(run.One("show(" + call + ")"), "false") << call;
        EXPECT_EQ(ReadBytes(existing), "keep") << call;
    }
}

TEST(SaveBinaryFile, WritesTheBytesOfTheView) {
    TempDir dir;
    const std::string file = dir.File("bin");
    struct BinaryCase {
        std::string data;
        std::string bytes;
    };
    const BinaryCase cases[] = {
        {"new Uint8Array([0, 1, 255, 13, 10])", "\x00\x01\xFF\x0D\x0A"s},
        {"new Uint8Array([1, 2, 3, 4, 5]).subarray(2)", "\x03\x04\x05"},
        {"new Uint8Array(new Uint8Array([1, 2, 3, 4, 5]).buffer, 2, 2)", "\x03\x04"},
        {"new Uint8Array(0)", ""},
    };
    for (const BinaryCase& c : cases) {
        ShownRun run;
        EXPECT_EQ(run.One("show(SaveBinaryFile(" + Js(file) + ", " + c.data + "))"), "true") << c.data;
        EXPECT_EQ(ReadBytes(file), c.bytes) << c.data;
    }
    ShownRun run;
    EXPECT_EQ(run.One("show(SaveBinaryFile(" + Js(file) + ", new Uint8Array([9, 8]), true))"), "true");
    EXPECT_EQ(ReadBytes(file), "\x09\x08");
    EXPECT_EQ(run.One("show(SaveBinaryFile(" + Js(file) + ", new Uint8Array([7]), 1))"), "true");
    EXPECT_EQ(ReadBytes(file), "\x09\x08\x07");
}

TEST(SaveBinaryFile, AnythingButAUint8ArrayIsRefused) {
    TempDir dir;
    const std::string file = dir.File("bin");
    for (const char* data : {"[1, 2, 3]", "new Uint8ClampedArray([1])", "new Int8Array([1])",
                             "new Uint8Array([1]).buffer", "'abc'", "null", "{length: 1, 0: 1}"}) {
        ShownRun run;
        EXPECT_EQ(run.One("show(SaveBinaryFile(" + Js(file) + ", " + data + "))"), "false") << data;
        EXPECT_FALSE(boost::filesystem::exists(file)) << data;
    }
    ShownRun run;
    EXPECT_EQ(run.One("show(SaveBinaryFile(" + Js(file) + "))"), "false");
    EXPECT_EQ(run.One("show(SaveBinaryFile(" + Js(file + "\0x"s) + ", new Uint8Array([1])))"), "false");
}

TEST(LoadBinaryFile, GivesAUint8ArrayOfTheWholeFile) {
    TempDir dir;
    const std::string empty = dir.Write("empty", "");
    const std::string bytes = dir.Write("bytes", "\x00\xFF\r\n"s);
    ShownRun run;
    EXPECT_EQ(run.One("var a = LoadBinaryFile(" + Js(empty) + "); show([a instanceof Uint8Array, a.length])"),
              "[true,0]");
    EXPECT_EQ(run.One("var b = LoadBinaryFile(" + Js(bytes) +
                      "); show([b instanceof Uint8Array, b.byteOffset, b.buffer.byteLength, Array.from(b)])"),
              "[true,0,4,[0,255,13,10]]");
}

TEST(LoadBinaryFile, UnreadablePathsGiveNull) {
    TempDir dir;
    const std::string existing = dir.Write("a", "x");
    for (const std::string& args : {Js(dir.File("missing")), Js(dir.path().string()), Js(existing + "\0"s), ""s}) {
        ShownRun run;
        EXPECT_EQ(run.One("show(LoadBinaryFile(" + args + "))"), "null") << args;
    }
}

TEST(LoadBinaryFile, FilesBeyondTheContextsBufferBudgetGiveNull) {
    TempDir dir;
    // Sparse files: large by their size, yet they take no disk space, and the
    // refusal comes before anything is read.
    for (const std::uintmax_t size : {std::uintmax_t{3} << 29, std::uintmax_t{5} << 30}) {
        const std::string file = dir.Write("huge", "");
        boost::filesystem::resize_file(file, size);
        ShownRun run;
        EXPECT_EQ(run.One("show(LoadBinaryFile(" + Js(file) + "))"), "null") << size;
        // The context can still make array buffers afterwards.
        EXPECT_EQ(run.One("show(new Uint8Array(1024).length)"), "1024");
    }
}

TEST(LoadTextFile, ReadsThroughTheTextReader) {
    TempDir dir;
    const std::string utf8 = dir.Write("utf8.txt", "caf\xC3\xA9\r\nx");
    const std::string sjis = dir.Write("sjis.txt", "\x93\xFA\x96\x7B");
    const std::string cafe = dir.Write("cafe.txt", "caf\xC3\xA9");
    const std::string utf16 = dir.Write("utf16.txt", "\xFF\xFE\x41\x00\x0D\x00\x0A\x00"s);
    const std::string utf32 = dir.Write("utf32.txt", "\xFF\xFE\x00\x00\x41\x00\x00\x00"s);
    struct LoadCase {
        std::string args;
        std::string shown;
    };
    const LoadCase cases[] = {
        {Js(utf8), "\"caf\xC3\xA9\\nx\""},
        {Js(utf8) + ", undefined", "\"caf\xC3\xA9\\nx\""},
        {Js(sjis) + ", 'shift_jis'", "\"\xE6\x97\xA5\xE6\x9C\xAC\""},
        {Js(sjis) + ", 'no-such-code-page'", "\"\""},
        {Js(cafe) + ", ''", "\"caf\xC3\xA9\""},
        {Js(cafe) + ", 'windows-1252'", "\"caf\xC3\x83\xC2\xA9\""},
        {Js(utf16) + ", 'shift_jis'", "\"A\\n\""},
        {Js(utf32), "null"},
        {Js(dir.File("missing.txt")), "null"},
        {Js(utf8 + "\0"s), "null"},
        {"", "null"},
    };
    for (const LoadCase& c : cases) {
        ShownRun run;
        EXPECT_EQ(run.One("show(LoadTextFile(" + c.args + "))"), c.shown) << c.args;
    }
}

TEST(LoadTextFile, TextWrittenInEveryEncodingReadsBack) {
    TempDir dir;
    const std::string file = dir.File("round.txt");
    for (const char* encoding : {"utf8", "utf8n", "utf16", "utf16le", "utf16be"}) {
        ShownRun run;
        EXPECT_EQ(run.One("var t = 'line \\u65e5\\u{1F600}\\r\\nend'; SaveTextFile(" + Js(file) + ", t, false, '" +
                          encoding + "'); show(LoadTextFile(" + Js(file) + ") === 'line \\u65e5\\u{1F600}\\nend')"),
                  "true")
            << encoding;
    }
}

TEST(FileFunctions, ThrowingArgumentsEndTheCallWithTheScriptsException) {
    TempDir dir;
    const std::string file = dir.File("never");
    const std::string bad = "{toString() { throw 'boom'; }}";
    const std::string calls[] = {
        "LoadTextFile(" + bad + ")",
        "LoadTextFile(" + Js(file) + ", " + bad + ")",
        "LoadBinaryFile(Symbol())",
        "SaveTextFile(" + Js(file) + ", " + bad + ")",
        "SaveTextFile(" + Js(file) + ", 'x', false, " + bad + ")",
        "SaveBinaryFile(" + bad + ", new Uint8Array(1))",
    };
    for (const std::string& call : calls) {
        ShownRun run;
        EXPECT_EQ(run.One("try { " + call + "; show('returned'); } catch (e) { show(String(e).length > 0); }"), "true")
            << call;
        EXPECT_FALSE(boost::filesystem::exists(file)) << call;
    }
}

}  // namespace
