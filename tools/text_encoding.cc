#include "tools/text_encoding.h"

#include <limits>
#include <memory>
#include <new>

#include <unicode/ucnv.h>
#include <unicode/unistr.h>

#include "tools/text_convert.h"

namespace qfjsbinding {

namespace {

constexpr char32_t kMaxScalar = 0x10FFFF;

bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

void AppendUnit16(std::uint16_t u, bool bigEndian, std::string* out) {
    const char hi = static_cast<char>(u >> 8);
    const char lo = static_cast<char>(u & 0xFF);
    if (bigEndian) {
        out->push_back(hi);
        out->push_back(lo);
    } else {
        out->push_back(lo);
        out->push_back(hi);
    }
}

void AppendUnit32(char32_t c, bool bigEndian, std::string* out) {
    char bytes[4];
    for (int k = 0; k < 4; ++k) bytes[k] = static_cast<char>((c >> (8 * k)) & 0xFF);
    if (bigEndian) {
        for (int k = 3; k >= 0; --k) out->push_back(bytes[k]);
    } else {
        out->append(bytes, 4);
    }
}

struct ConverterCloser {
    void operator()(UConverter* converter) const noexcept { ucnv_close(converter); }
};
using OwnedConverter = std::unique_ptr<UConverter, ConverterCloser>;

// ICU takes the name as a C string and an empty one means "the default
// converter"; both would turn a script's mistake into some other encoding.
OwnedConverter OpenConverter(std::string_view name) {
    if (name.empty() || ContainsNul(name)) return nullptr;
    const std::string cname(name);
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(cname.c_str(), &status);
    if (U_FAILURE(status)) {
        if (converter) ucnv_close(converter);
        return nullptr;
    }
    return OwnedConverter(converter);
}

bool FitsIcuLength(std::size_t size) {
    return size <= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
}

}  // namespace

bool AppendUtf8(char32_t c, std::string* out) {
    if (c > kMaxScalar || IsSurrogate(c)) return false;
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (c >> 12)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (c >> 18)));
        out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
    return true;
}

bool Utf16BytesToUtf8(std::string_view bytes, bool bigEndian, std::string* out) {
    try {
        const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
        const std::size_t units = bytes.size() / 2;
        auto unit = [&](std::size_t i) -> char32_t {
            const unsigned first = b[2 * i];
            const unsigned second = b[2 * i + 1];
            return bigEndian ? ((first << 8) | second) : ((second << 8) | first);
        };
        std::string text;
        text.reserve(units * 2);
        for (std::size_t i = 0; i < units; ++i) {
            char32_t c = unit(i);
            if (c >= 0xD800 && c <= 0xDBFF) {
                if (i + 1 >= units) return false;
                const char32_t low = unit(i + 1);
                if (low < 0xDC00 || low > 0xDFFF) return false;
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            } else if (c >= 0xDC00 && c <= 0xDFFF) {
                return false;
            }
            AppendUtf8(c, &text);
        }
        *out = std::move(text);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool Utf8ToUtf16Bytes(std::string_view text, bool bigEndian, std::string* out) {
    try {
        std::string bytes;
        bytes.reserve(text.size() * 2);
        const bool ok = DecodeUtf8(text, [&](char32_t c) {
            if (c >= 0x10000) {
                const char32_t v = c - 0x10000;
                AppendUnit16(static_cast<std::uint16_t>(0xD800 + (v >> 10)), bigEndian, &bytes);
                AppendUnit16(static_cast<std::uint16_t>(0xDC00 + (v & 0x3FF)), bigEndian, &bytes);
            } else {
                AppendUnit16(static_cast<std::uint16_t>(c), bigEndian, &bytes);
            }
        });
        if (!ok) return false;
        *out = std::move(bytes);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool Utf8ToUtf32Bytes(std::string_view text, bool bigEndian, std::string* out) {
    try {
        std::string bytes;
        bytes.reserve(text.size() * 4);
        if (!DecodeUtf8(text, [&](char32_t c) { AppendUnit32(c, bigEndian, &bytes); })) return false;
        *out = std::move(bytes);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool CodePageToUtf8(std::string_view bytes, std::string_view codePage, std::string* out) {
    try {
        if (!FitsIcuLength(bytes.size())) return false;
        OwnedConverter converter = OpenConverter(codePage);
        if (!converter) return false;
        UErrorCode status = U_ZERO_ERROR;
        const icu::UnicodeString unicode(bytes.data(), static_cast<std::int32_t>(bytes.size()),
                                         converter.get(), status);
        if (U_FAILURE(status) || unicode.isBogus()) return false;
        std::string text;
        unicode.toUTF8String(text);
        *out = std::move(text);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool Utf8ToCodePage(std::string_view text, std::string_view codePage, std::string* out) {
    try {
        if (!FitsIcuLength(text.size())) return false;
        OwnedConverter converter = OpenConverter(codePage);
        if (!converter) return false;
        const icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(
            icu::StringPiece(text.data(), static_cast<std::int32_t>(text.size())));
        if (unicode.isBogus()) return false;

        // Measure first, then convert into a buffer of exactly that size.
        UErrorCode status = U_ZERO_ERROR;
        const std::int32_t needed =
            ucnv_fromUChars(converter.get(), nullptr, 0, unicode.getBuffer(), unicode.length(), &status);
        if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return false;
        std::string bytes(static_cast<std::size_t>(needed), '\0');
        if (needed > 0) {
            status = U_ZERO_ERROR;
            ucnv_resetFromUnicode(converter.get());
            ucnv_fromUChars(converter.get(), bytes.data(), needed, unicode.getBuffer(), unicode.length(),
                            &status);
            if (U_FAILURE(status)) return false;
        }
        *out = std::move(bytes);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace qfjsbinding
