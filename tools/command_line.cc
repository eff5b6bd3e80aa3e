#include "tools/command_line.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace qfjsbinding {

namespace {

std::string Unquote(std::string_view word) {
    if (word.size() >= 2 && word.front() == '"' && word.back() == '"') {
        word = word.substr(1, word.size() - 2);
    }
    std::string out;
    out.reserve(word.size());
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i] == '\\' && i + 1 < word.size() && word[i + 1] == '"') {
            out.push_back('"');
            ++i;
        } else {
            out.push_back(word[i]);
        }
    }
    return out;
}

std::string DefaultSearchPath() {
    const std::size_t size = confstr(_CS_PATH, nullptr, 0);
    if (size == 0) return "/bin:/usr/bin";
    std::string path(size, '\0');
    confstr(_CS_PATH, path.data(), size);
    path.resize(size - 1);  // drop the terminating NUL confstr counts
    return path;
}

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> words;
    bool inQuote = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') inQuote = !inQuote;
        if (!inQuote && line[i] == ' ') {
            if (i > start) words.push_back(Unquote(line.substr(start, i - start)));
            start = i + 1;
        }
    }
    if (start < line.size()) words.push_back(Unquote(line.substr(start)));
    return words;
}

std::string FindProgramInPath(const std::string& name) {
    if (name.empty()) return std::string();
    if (name.find('/') != std::string::npos) return name;
    const char* env = std::getenv("PATH");
    const std::string search = env ? std::string(env) : DefaultSearchPath();
    std::size_t begin = 0;
    while (begin <= search.size()) {
        std::size_t end = search.find(':', begin);
        if (end == std::string::npos) end = search.size();
        std::string dir = search.substr(begin, end - begin);
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + name;
        if (IsExecutableFile(candidate)) return candidate;
        begin = end + 1;
    }
    return std::string();
}

}  // namespace qfjsbinding
