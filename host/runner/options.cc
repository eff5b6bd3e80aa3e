#include "host/runner/options.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace qfjs_runner {

namespace {

// Options that take a value; `name` is what error messages call them.
enum class ValueOption { kNone, kIn, kOut, kParam, kSelection, kColor };

struct OptionName {
    std::string_view shortName;  // empty when there is none
    std::string_view longName;
    ValueOption option;
};

constexpr OptionName kValueOptions[] = {
    {"-i", "--in", ValueOption::kIn},
    {"-o", "--out", ValueOption::kOut},
    {"-p", "--param", ValueOption::kParam},
    {"", "--selection", ValueOption::kSelection},
    {"", "--color", ValueOption::kColor},
};

std::vector<std::string> SplitCommas(std::string_view text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        parts.emplace_back(text.substr(start, comma == std::string_view::npos ? std::string_view::npos
                                                                                : comma - start));
        if (comma == std::string_view::npos) return parts;
        start = comma + 1;
    }
}

// A whole decimal integer that fits an int; surrounding spaces allowed.
bool ReadInt(const std::string& text, int* value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long number = std::strtoll(text.c_str(), &end, 10);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    if (errno != 0 || end == text.c_str() || *end != '\0' || number < INT_MIN || number > INT_MAX) return false;
    *value = static_cast<int>(number);
    return true;
}

bool ReadChannel(const std::string& text, double* value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    if (errno != 0 || end == text.c_str() || *end != '\0' || !std::isfinite(number)) return false;
    if (number < 0 || number > 255) return false;
    *value = number;
    return true;
}

std::string ParseSelection(std::string_view text, SelectionOption* selection) {
    const std::vector<std::string> parts = SplitCommas(text);
    const std::string wrong = "--selection wants LEFT,TOP,WIDTH,HEIGHT (whole numbers, width and height "
                              "0 or more), not \"" + std::string(text) + "\"";
    if (parts.size() != 4) return wrong;
    int values[4];
    for (int i = 0; i < 4; ++i) {
        if (!ReadInt(parts[i], &values[i])) return wrong;
    }
    if (values[2] < 0 || values[3] < 0) return wrong;
    // The engine keeps right = left + width; keep that inside an int.
    if (static_cast<long long>(values[0]) + values[2] > INT_MAX ||
        static_cast<long long>(values[1]) + values[3] > INT_MAX) {
        return wrong;
    }
    *selection = SelectionOption{values[0], values[1], values[2], values[3]};
    return std::string();
}

std::string ParseColor(std::string_view text, ColorOption* color) {
    const std::vector<std::string> parts = SplitCommas(text);
    const std::string wrong = "--color wants R,G,B[,A[,I]] (channels 0 to 255, index a whole number 0 to "
                              "255), not \"" + std::string(text) + "\"";
    if (parts.size() < 3 || parts.size() > 5) return wrong;
    ColorOption parsed;
    double* channels[] = {&parsed.r, &parsed.g, &parsed.b, &parsed.a};
    for (std::size_t i = 0; i < parts.size() && i < 4; ++i) {
        if (!ReadChannel(parts[i], channels[i])) return wrong;
    }
    if (parts.size() == 5) {
        if (!ReadInt(parts[4], &parsed.index) || parsed.index < 0 || parsed.index > 255) return wrong;
    }
    *color = parsed;
    return std::string();
}

// Finds the value option `arg` names, with its value when written as
// --long=VALUE.
ValueOption MatchValueOption(std::string_view arg, std::string_view* name, std::optional<std::string_view>* inlineValue) {
    for (const OptionName& o : kValueOptions) {
        if (arg == o.longName || (!o.shortName.empty() && arg == o.shortName)) {
            *name = o.longName;
            return o.option;
        }
        if (arg.size() > o.longName.size() && arg.substr(0, o.longName.size()) == o.longName &&
            arg[o.longName.size()] == '=') {
            *name = o.longName;
            *inlineValue = arg.substr(o.longName.size() + 1);
            return o.option;
        }
    }
    return ValueOption::kNone;
}

}  // namespace

std::string UsageText() {
    return "usage: qfjs [options] SCRIPT.js\n"
           "Runs a QuillFrame filter script with the script engine library.\n"
           "  -i, --in FILE.png      the source picture; give it several times for a picture\n"
           "                         with one layer per file (without it: a built-in\n"
           "                         256 x 256 test picture)\n"
           "  -o, --out FILE.png     write the result picture as PNG\n"
           "  -p, --param VALUE      a parameter for the script: the first is UserParam[0],\n"
           "                         and so on (at most 256)\n"
           "  --selection L,T,W,H    the document's selection (left, top, width, height)\n"
           "  --color R,G,B[,A[,I]]  the current colour (0 to 255 each; default 0,0,0,255,0)\n"
           "  --json                 print the execution's result JSON as the last line\n"
           "  --quiet                no progress output and no notes from qfjs\n"
           "  -h, --help             show this text\n"
           "Messages of Print and MessageBox go to standard output, SetStatus texts and\n"
           "progress to standard error. Exit status: 0 when the script succeeded, 1 when it\n"
           "failed, 2 for a usage error or a file that cannot be read or written, 130 when\n"
           "interrupted.\n";
}

std::string ParseCommandLine(int argc, const char* const* argv, RunnerOptions* options) {
    bool optionsEnded = false;
    bool haveScript = false;
    bool haveOutput = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (haveScript) return "more than one script given (" + std::string(arg) + ")";
            options->scriptPath = std::string(arg);
            haveScript = true;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--json") {
            options->json = true;
            continue;
        }
        if (arg == "--quiet") {
            options->quiet = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            options->help = true;
            continue;
        }
        std::string_view name;
        std::optional<std::string_view> inlineValue;
        const ValueOption option = MatchValueOption(arg, &name, &inlineValue);
        if (option == ValueOption::kNone) return "unknown option " + std::string(arg);
        std::string value;
        if (inlineValue) {
            value = std::string(*inlineValue);
        } else {
            if (i + 1 >= argc) return std::string(arg) + " needs a value";
            value = argv[++i];
        }
        switch (option) {
            case ValueOption::kIn:
                if (value.empty()) return std::string(name) + " needs a file name";
                options->inputs.push_back(value);
                break;
            case ValueOption::kOut:
                if (haveOutput) return "only one --out may be given";
                if (value.empty()) return std::string(name) + " needs a file name";
                options->output = value;
                haveOutput = true;
                break;
            case ValueOption::kParam:
                options->parameters.push_back(value);
                break;
            case ValueOption::kSelection: {
                SelectionOption selection;
                const std::string error = ParseSelection(value, &selection);
                if (!error.empty()) return error;
                options->selection = selection;
                break;
            }
            case ValueOption::kColor: {
                const std::string error = ParseColor(value, &options->color);
                if (!error.empty()) return error;
                break;
            }
            case ValueOption::kNone:
                break;
        }
    }
    if (options->help) return std::string();
    if (!haveScript) return "no script given";
    if (options->parameters.size() > kMaxParameters) {
        return "too many parameters (at most " + std::to_string(kMaxParameters) + ")";
    }
    return std::string();
}

}  // namespace qfjs_runner
