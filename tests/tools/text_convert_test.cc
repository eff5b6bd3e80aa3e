// Conversions between UTF-8, wide text and code pages: well-formed text
// round-trips, every kind of ill-formed input gives the empty result.
#include <gtest/gtest.h>

#include <string>

#include "tools/text_convert.h"
#include "tools/text_encoding.h"

namespace {

using namespace std::string_literals;
using namespace qfjsbinding;

struct Utf8Case {
    std::string utf8;
    std::wstring wide;  // empty: the input is ill-formed
};

TEST(TextConvert, Utf8ToWide) {
    const Utf8Case cases[] = {
        {"", L""},
        {"A", L"A"},
        {"\xC3\xA9", L"\u00E9"},
        {"\xE6\x97\xA5", L"\u65E5"},
        {"\xF0\x9F\x98\x80", std::wstring(1, static_cast<wchar_t>(0x1F600))},
        {"a\0b"s, L"a\0b"s},
        {"\xF4\x8F\xBF\xBF", std::wstring(1, static_cast<wchar_t>(0x10FFFF))},
        // Ill-formed: C0 and C1 never start a sequence, overlong forms,
        // encoded surrogates, beyond U+10FFFF, cut sequences, stray trail bytes.
        {"ab\xC0\x80", L""},
        {"\xC1\xBF", L""},
        {"\xE0\x80\xAF", L""},
        {"\xF0\x80\x80\xAF", L""},
        {"\xED\xA0\x80", L""},
        {"\xF4\x90\x80\x80", L""},
        {"\xF5\x80\x80\x80", L""},
        {"\xE6\x97", L""},
        {"x\x80", L""},
        {"\xFF", L""},
    };
    for (const Utf8Case& c : cases) {
        EXPECT_EQ(U8StringToWString(c.utf8), c.wide) << testing::PrintToString(c.utf8);
        EXPECT_EQ(AStringToWString(c.utf8), c.wide);
        if (!c.wide.empty()) {
            EXPECT_EQ(WStringToU8String(c.wide), c.utf8);
            EXPECT_EQ(WStringToAString(c.wide), c.utf8);
        }
    }
}

TEST(TextConvert, WideValuesThatAreNoScalarValuesGiveEmptyText) {
    for (wchar_t bad : {static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0xDFFF),
                        static_cast<wchar_t>(0x110000), static_cast<wchar_t>(-1)}) {
        const std::wstring text = L"ok" + std::wstring(1, bad);
        EXPECT_EQ(WStringToU8String(text), "");
        EXPECT_EQ(WStringToAString(text), "");
    }
}

TEST(TextConvert, NarrowTextAndPathsAreUtf8Unchanged) {
    const std::string text = "/tmp/\xE6\x97\xA5\\x";
    EXPECT_EQ(U8StringToAString(text), text);
    EXPECT_EQ(AStringToU8String(text), text);
    EXPECT_EQ(PathToU8String(PathFromU8String(text)), text);
    EXPECT_EQ(PathToSlashedString(PathFromU8String(text)), "/tmp/\xE6\x97\xA5/x");
    EXPECT_EQ(SlashedString("C:\\a\\b"), "C:/a/b");
}

TEST(TextEncoding, CodePagesBothWays) {
    std::string out;
    ASSERT_TRUE(Utf8ToCodePage("\xE6\x97\xA5\xE6\x9C\xAC", "shift_jis", &out));
    EXPECT_EQ(out, "\x93\xFA\x96\x7B");
    ASSERT_TRUE(CodePageToUtf8(out, "Shift_JIS", &out));
    EXPECT_EQ(out, "\xE6\x97\xA5\xE6\x9C\xAC");
    ASSERT_TRUE(Utf8ToCodePage("", "windows-1252", &out));
    EXPECT_EQ(out, "");
}

TEST(TextEncoding, UnusableCodePageNamesAreRefused) {
    const std::string names[] = {"", "no-such-code-page", "utf8\0junk"s, std::string(100000, 'x'), "\xFF\xFE"};
    for (const std::string& name : names) {
        std::string out = "unchanged";
        EXPECT_FALSE(CodePageToUtf8("abc", name, &out)) << name.size();
        EXPECT_FALSE(Utf8ToCodePage("abc", name, &out)) << name.size();
        EXPECT_EQ(out, "unchanged");
    }
}

TEST(TextEncoding, UnicodeByteForms) {
    std::string out;
    ASSERT_TRUE(Utf8ToUtf16Bytes("A\xF0\x9F\x98\x80", false, &out));
    EXPECT_EQ(out, "\x41\x00\x3D\xD8\x00\xDE"s);
    ASSERT_TRUE(Utf8ToUtf16Bytes("A\xF0\x9F\x98\x80", true, &out));
    EXPECT_EQ(out, "\x00\x41\xD8\x3D\xDE\x00"s);
    ASSERT_TRUE(Utf8ToUtf32Bytes("\xC3\xA9", false, &out));
    EXPECT_EQ(out, "\xE9\x00\x00\x00"s);
    ASSERT_TRUE(Utf8ToUtf32Bytes("\xF0\x9F\x98\x80", true, &out));
    EXPECT_EQ(out, "\x00\x01\xF6\x00"s);
    EXPECT_FALSE(Utf8ToUtf16Bytes("\xC0\x80", false, &out));
    EXPECT_FALSE(Utf8ToUtf32Bytes("\xED\xA0\x80", true, &out));
}

}  // namespace
