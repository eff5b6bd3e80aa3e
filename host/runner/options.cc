#include "host/runner/options.h"

#include <string_view>

namespace qfjs_runner {

std::string UsageText() {
    return "usage: qfjs SCRIPT.js [-p VALUE]... [--json]\n"
           "Runs a QuillFrame filter script with the script engine library.\n"
           "  -p VALUE   a parameter for the script: the first -p is UserParam[0], and so on\n"
           "             (at most 256)\n"
           "  --json     print the execution's result JSON as the last line\n"
           "  -h, --help show this text\n"
           "Messages of Print and MessageBox go to standard output, SetStatus texts to\n"
           "standard error. Exit status: 0 when the script succeeded, 1 when it failed,\n"
           "2 for a usage or file error, 130 when interrupted.\n";
}

std::string ParseCommandLine(int argc, const char* const* argv, RunnerOptions* options) {
    bool optionsEnded = false;
    bool haveScript = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                optionsEnded = true;
            } else if (arg == "-p") {
                if (i + 1 >= argc) return "-p needs a value";
                options->parameters.emplace_back(argv[++i]);
            } else if (arg == "--json") {
                options->json = true;
            } else if (arg == "-h" || arg == "--help") {
                options->help = true;
            } else {
                return "unknown option " + std::string(arg);
            }
            continue;
        }
        if (haveScript) return "more than one script given (" + std::string(arg) + ")";
        options->scriptPath = std::string(arg);
        haveScript = true;
    }
    if (options->help) return std::string();
    if (!haveScript) return "no script given";
    if (options->parameters.size() > kMaxParameters) {
        return "too many parameters (at most " + std::to_string(kMaxParameters) + ")";
    }
    return std::string();
}

}  // namespace qfjs_runner
