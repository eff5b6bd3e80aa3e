#include "tools/text_convert.h"

#include <algorithm>
#include <new>

#include "tools/text_encoding.h"

namespace qfjsbinding {

std::wstring U8StringToWString(std::string_view text) noexcept {
    try {
        std::wstring out;
        out.reserve(text.size());
        if (!DecodeUtf8(text, [&out](char32_t c) { out.push_back(static_cast<wchar_t>(c)); })) {
            return std::wstring();
        }
        return out;
    } catch (const std::bad_alloc&) {
        return std::wstring();
    }
}

std::string WStringToU8String(std::wstring_view text) noexcept {
    static_assert(sizeof(wchar_t) == 4, "wide text holds one code point per element");
    try {
        std::string out;
        out.reserve(text.size());
        for (wchar_t c : text) {
            if (!AppendUtf8(static_cast<char32_t>(c), &out)) return std::string();
        }
        return out;
    } catch (const std::bad_alloc&) {
        return std::string();
    }
}

// The platform's narrow text is UTF-8.
std::wstring AStringToWString(std::string_view text) noexcept {
    return U8StringToWString(text);
}

std::string WStringToAString(std::wstring_view text) noexcept {
    return WStringToU8String(text);
}

std::string U8StringToAString(std::string_view text) noexcept {
    try {
        return std::string(text);
    } catch (const std::bad_alloc&) {
        return std::string();
    }
}

std::string AStringToU8String(std::string_view text) noexcept {
    return U8StringToAString(text);
}

std::string PathToU8String(const boost::filesystem::path& path) noexcept {
    try {
        return path.native();
    } catch (const std::bad_alloc&) {
        return std::string();
    }
}

boost::filesystem::path PathFromU8String(std::string_view text) noexcept {
    try {
        return boost::filesystem::path(std::string(text));
    } catch (const std::bad_alloc&) {
        return boost::filesystem::path();
    }
}

std::string SlashedString(std::string text) noexcept {
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

std::string PathToSlashedString(const boost::filesystem::path& path) noexcept {
    return SlashedString(PathToU8String(path));
}

}  // namespace qfjsbinding
