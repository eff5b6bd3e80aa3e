// Unicode transformation formats and ICU code pages: the byte-level work
// behind reading text files in several encodings and writing them back.
//
// Every function returns false (leaving nothing useful in *out) on malformed
// input, on a code-page name ICU does not know and on a failed allocation; none
// throws.
#ifndef QFJS_TOOLS_TEXT_ENCODING_H
#define QFJS_TOOLS_TEXT_ENCODING_H

#include <cstdint>
#include <string>
#include <string_view>

namespace qfjsbinding {

// Calls emit(code point) for every scalar value of well-formed UTF-8 text.
// False at the first ill-formed sequence: C0, C1 and F5..FF never start one,
// overlong forms, encoded surrogates and values beyond U+10FFFF are refused.
template <typename Emit>
bool DecodeUtf8(std::string_view text, Emit&& emit) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b0 = s[i];
        if (b0 < 0x80) {
            emit(static_cast<char32_t>(b0));
            ++i;
            continue;
        }
        int trail = 0;
        char32_t c = 0;
        unsigned char lo = 0x80;  // range of the first continuation byte
        unsigned char hi = 0xBF;
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            trail = 1;
            c = b0 & 0x1F;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            trail = 2;
            c = b0 & 0x0F;
            if (b0 == 0xE0) lo = 0xA0;  // no overlong three-byte forms
            if (b0 == 0xED) hi = 0x9F;  // no surrogates
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            trail = 3;
            c = b0 & 0x07;
            if (b0 == 0xF0) lo = 0x90;  // no overlong four-byte forms
            if (b0 == 0xF4) hi = 0x8F;  // nothing beyond U+10FFFF
        } else {
            return false;
        }
        if (n - i - 1 < static_cast<std::size_t>(trail)) return false;
        for (int k = 1; k <= trail; ++k) {
            const unsigned char b = s[i + k];
            if (k == 1 ? (b < lo || b > hi) : (b < 0x80 || b > 0xBF)) return false;
            c = (c << 6) | (b & 0x3F);
        }
        emit(c);
        i += static_cast<std::size_t>(trail) + 1;
    }
    return true;
}

// Appends the UTF-8 form of `c`; false when `c` is not a Unicode scalar value
// (a surrogate or beyond U+10FFFF).
bool AppendUtf8(char32_t c, std::string* out);

// UTF-16 in bytes of the given order to UTF-8. An odd trailing byte is
// ignored; surrogate pairs are combined; an unpaired surrogate fails.
bool Utf16BytesToUtf8(std::string_view bytes, bool bigEndian, std::string* out);

// UTF-8 text to UTF-16 or UTF-32 bytes of the given order, without a mark.
bool Utf8ToUtf16Bytes(std::string_view text, bool bigEndian, std::string* out);
bool Utf8ToUtf32Bytes(std::string_view text, bool bigEndian, std::string* out);

// Bytes of a named ICU code page (any name or alias ICU accepts, for example
// "shift_jis", "windows-1252", "utf8") to UTF-8, and back. Malformed input
// follows the converter's own substitution. False for an empty name, a name
// containing NUL, a name ICU does not know, input of 2^31 bytes or more, and a
// conversion error.
bool CodePageToUtf8(std::string_view bytes, std::string_view codePage, std::string* out);
bool Utf8ToCodePage(std::string_view text, std::string_view codePage, std::string* out);

}  // namespace qfjsbinding

#endif
