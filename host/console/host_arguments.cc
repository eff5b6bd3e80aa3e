#include "host/console/host_arguments.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace qfconsole {

namespace {

// The text after `prefix` when `word` starts with it.
bool ValueAfter(const char* word, const char* prefix, std::string* value) {
    const std::size_t length = std::strlen(prefix);
    if (std::strncmp(word, prefix, length) != 0) return false;
    *value = word + length;
    return true;
}

// More workers than this only add script engine instances that wait for the
// disk; it also keeps a mistyped count from starting thousands of threads.
constexpr long kMaxThreads = 64;

bool ParseThreadCount(const std::string& text, int* count) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (errno == ERANGE) return false;
    *count = static_cast<int>(value > kMaxThreads ? kMaxThreads : value);
    return true;
}

}  // namespace

const char* HostUsage() {
    return "usage: QuillFrame -Console -Macro [-Silent] [-ExecuteSingleton] -MacroFile:<file> "
           "[-ThreadCount:<n>] [-ExecutionBasePath:<folder>]";
}

std::string ParseHostArguments(int argc, const char* const* argv, HostArguments* arguments) {
    bool haveMacroFile = false;
    for (int i = 1; i < argc; ++i) {
        const char* word = argv[i];
        std::string value;
        if (std::strcmp(word, "-Console") == 0) {
            arguments->console = true;
        } else if (std::strcmp(word, "-Macro") == 0) {
            arguments->macro = true;
        } else if (std::strcmp(word, "-Silent") == 0) {
            arguments->silent = true;
        } else if (std::strcmp(word, "-ExecuteSingleton") == 0) {
            arguments->executeSingleton = true;
        } else if (ValueAfter(word, "-MacroFile:", &value)) {
            if (value.empty()) return "-MacroFile: names no file";
            arguments->macroFile = value;
            haveMacroFile = true;
        } else if (ValueAfter(word, "-ThreadCount:", &value)) {
            if (!ParseThreadCount(value, &arguments->threadCount)) {
                return "invalid thread count \"" + value + "\" (a whole number of 0 or more)";
            }
        } else if (ValueAfter(word, "-ExecutionBasePath:", &value)) {
            arguments->executionBasePath = value;
        } else {
            return std::string("unknown argument \"") + word + "\"";
        }
    }
    if (!haveMacroFile) return "no macro file given (-MacroFile:<file>)";
    return std::string();
}

}  // namespace qfconsole
