// Conversions between UTF-8, wide text (one 32-bit code point per element),
// the platform's narrow text (UTF-8 here) and filesystem paths (whose native
// form is their UTF-8 text).
//
// None of these throws: malformed input, and an allocation that fails, give
// an empty result.
#ifndef QFJS_TOOLS_TEXT_CONVERT_H
#define QFJS_TOOLS_TEXT_CONVERT_H

#include <string>
#include <string_view>

#include <boost/filesystem/path.hpp>

namespace qfjsbinding {

// UTF-8 to code points; any ill-formed sequence (a C0 byte, an overlong form,
// an encoded surrogate, a value beyond U+10FFFF, a cut sequence) gives "".
std::wstring U8StringToWString(std::string_view text) noexcept;
// Code points to UTF-8; an element that is not a Unicode scalar value gives "".
std::string WStringToU8String(std::wstring_view text) noexcept;
std::wstring AStringToWString(std::string_view text) noexcept;
std::string WStringToAString(std::wstring_view text) noexcept;
std::string U8StringToAString(std::string_view text) noexcept;
std::string AStringToU8String(std::string_view text) noexcept;

std::string PathToU8String(const boost::filesystem::path& path) noexcept;
boost::filesystem::path PathFromU8String(std::string_view text) noexcept;

// A path's text with every backslash turned into a forward slash: the form in
// which paths are handed to scripts.
std::string SlashedString(std::string text) noexcept;
std::string PathToSlashedString(const boost::filesystem::path& path) noexcept;

// True when `text` holds a NUL character. The system calls take C strings, so
// such a path would silently name a different file (the text before the NUL);
// callers refuse it instead.
inline bool ContainsNul(std::string_view text) noexcept {
    return text.find('\0') != std::string_view::npos;
}

}  // namespace qfjsbinding

#endif
