// Script files for the host's script list: the text of a script and the
// description written in its "//qfjs" header, in the user's language when the
// script provides one.
#include <cstdlib>
#include <cstring>
#include <locale>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include <boost/algorithm/string/case_conv.hpp>
#include <boost/algorithm/string/trim.hpp>

#include "qfjs/qfjs.h"
#include "tools/platform_mac.h"
#include "tools/text_convert.h"
#include "tools/text_file.h"

namespace qfjsbinding {

namespace {

constexpr std::string_view kMarker = "//qfjs";
constexpr int kMaxLinesPerKey = 3;

// The text on the C heap, as the host releases it with QFJS_MemFree.
char* HeapCopy(const std::string& text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (!copy) return nullptr;
    std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    return copy;
}

bool LoadScriptText(const char* path, std::string* text) {
    if (!path) return false;
    // Script files are UTF-8 unless a byte-order mark says otherwise.
    return LoadTextFile(PathFromU8String(path), *text, std::string_view());
}

// The header's descriptions by language key ("" for the default one).
std::map<std::string, std::pair<std::string, int>> ParseHeader(const std::string& text) {
    std::map<std::string, std::pair<std::string, int>> descriptions;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        std::string line = boost::algorithm::trim_copy(text.substr(begin, end - begin), std::locale::classic());
        begin = end + 1;

        if (line.compare(0, kMarker.size(), kMarker) != 0) break;
        std::string_view rest = std::string_view(line).substr(kMarker.size());
        std::string key;
        if (rest.empty()) continue;
        if (rest.front() == ':') {
            rest.remove_prefix(1);
        } else if (rest.front() == '(') {
            const std::size_t close = rest.find(')');
            if (close == std::string_view::npos) continue;
            key = std::string(rest.substr(1, close - 1));
            rest.remove_prefix(close + 1);
            if (rest.empty() || rest.front() != ':') continue;
            rest.remove_prefix(1);
        } else {
            continue;
        }
        auto& [description, count] = descriptions[key];
        if (count >= kMaxLinesPerKey) continue;
        if (!description.empty()) description += '\n';
        description += rest;
        ++count;
    }
    return descriptions;
}

std::string Describe(const std::string& text) {
    const auto descriptions = ParseHeader(text);
    // Keys are written in lower case ("ja_jp"); the locale is lowered to match.
    const std::string language = boost::algorithm::to_lower_copy(CurrentLocaleIdentifier(), std::locale::classic());
    const auto localised = descriptions.find(language);
    if (localised != descriptions.end() && !localised->second.first.empty()) return localised->second.first;
    const auto fallback = descriptions.find(std::string());
    return fallback != descriptions.end() ? fallback->second.first : std::string();
}

}  // namespace

}  // namespace qfjsbinding

char* QFJS_LoadScript(const char* path) {
    try {
        std::string text;
        if (!qfjsbinding::LoadScriptText(path, &text)) return nullptr;
        return qfjsbinding::HeapCopy(text);
    } catch (...) {
        return nullptr;
    }
}

char* QFJS_GetScriptDescription(const char* path) {
    try {
        std::string text;
        if (!qfjsbinding::LoadScriptText(path, &text)) return nullptr;
        return qfjsbinding::HeapCopy(qfjsbinding::Describe(text));
    } catch (...) {
        return nullptr;
    }
}
