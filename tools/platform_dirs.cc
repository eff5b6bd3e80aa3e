// The user's home, documents and desktop directories. On Linux the documents
// and desktop folders are the XDG user directories: the entries of
// $XDG_CONFIG_HOME/user-dirs.dirs (~/.config by default), falling back to the
// conventional ~/Documents and ~/Desktop.
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "tools/platform_mac.h"

namespace {

std::string NonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string HomeFromPasswordDatabase() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    if (size <= 0) size = 16384;
    std::vector<char> buffer(static_cast<std::size_t>(size));
    passwd entry{};
    passwd* found = nullptr;
    int error = 0;
    while ((error = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
           buffer.size() < (std::size_t{1} << 20)) {
        buffer.resize(buffer.size() * 2);
    }
    if (error != 0 || !found || !found->pw_dir) return std::string();
    return found->pw_dir;
}

void DropTrailingSlashes(std::string* path) {
    while (path->size() > 1 && path->back() == '/') path->pop_back();
}

// The value of one line `KEY="value"` of user-dirs.dirs. Values are either
// "$HOME/..." or absolute; backslash escapes a character. Anything else is
// not a usable entry.
bool ParseUserDirValue(std::string_view value, const std::string& home, std::string* out) {
    if (value.empty() || value.front() != '"') return false;
    value.remove_prefix(1);
    std::string path;
    constexpr std::string_view kHome = "$HOME";
    if (value.substr(0, kHome.size()) == kHome &&
        (value.size() == kHome.size() || value[kHome.size()] == '/' || value[kHome.size()] == '"')) {
        if (home.empty()) return false;
        path = home;
        value.remove_prefix(kHome.size());
    } else if (value.empty() || value.front() != '/') {
        return false;
    }
    bool closed = false;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '"') {
            closed = true;
            break;
        }
        if (c == '\\' && i + 1 < value.size()) {
            path.push_back(value[++i]);
        } else {
            path.push_back(c);
        }
    }
    if (!closed) return false;
    DropTrailingSlashes(&path);
    *out = std::move(path);
    return true;
}

// The last usable entry for `key` in the user-dirs file; empty when none.
std::string UserDirFromFile(const std::string& key, const std::string& home) {
    std::string config = NonEmptyEnv("XDG_CONFIG_HOME");
    if (config.empty() || config.front() != '/') {
        if (home.empty()) return std::string();
        config = home + "/.config";
    }
    std::ifstream file(config + "/user-dirs.dirs");
    std::string result;
    std::string line;
    while (std::getline(file, line)) {
        std::string_view rest(line);
        while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
        if (rest.substr(0, key.size()) != key) continue;
        rest.remove_prefix(key.size());
        if (rest.empty() || rest.front() != '=') continue;
        rest.remove_prefix(1);
        std::string value;
        if (ParseUserDirValue(rest, home, &value)) result = std::move(value);
    }
    return result;
}

}  // namespace

std::string MacOS_PathForHomeDirectory() {
    try {
        std::string home = NonEmptyEnv("HOME");
        if (home.empty()) home = HomeFromPasswordDatabase();
        return home;
    } catch (...) {
        return std::string();
    }
}

std::string MacOS_PathForDirectory(unsigned long directory, unsigned long domainMask) {
    try {
        if ((domainMask & kPlatformUserDomainMask) == 0) return std::string();
        const char* key = nullptr;
        const char* fallback = nullptr;
        switch (directory) {
            case kPlatformDocumentDirectory:
                key = "XDG_DOCUMENTS_DIR";
                fallback = "/Documents";
                break;
            case kPlatformDesktopDirectory:
                key = "XDG_DESKTOP_DIR";
                fallback = "/Desktop";
                break;
            default:
                return std::string();
        }
        std::string home = MacOS_PathForHomeDirectory();
        DropTrailingSlashes(&home);
        std::string path = UserDirFromFile(key, home);
        if (path.empty() && !home.empty()) path = (home == "/" ? std::string() : home) + fallback;
        return path;
    } catch (...) {
        return std::string();
    }
}
