#include "host/console/picture_formats.h"

#include <filesystem>

namespace qfconsole {

namespace {

bool EqualsIgnoringAsciiCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != b[i]) return false;
    }
    return i == a.size() && b[i] == '\0';
}

}  // namespace

bool IsPngFormatName(const std::string& name) {
    const std::string bare = !name.empty() && name[0] == '.' ? name.substr(1) : name;
    return EqualsIgnoringAsciiCase(bare, "png");
}

bool HasLoadableExtension(const std::string& path) {
    return EqualsIgnoringAsciiCase(std::filesystem::path(path).extension().string(), ".png");
}

}  // namespace qfconsole
