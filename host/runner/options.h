// The command line of qfjs.
#ifndef QFJS_HOST_RUNNER_OPTIONS_H
#define QFJS_HOST_RUNNER_OPTIONS_H

#include <optional>
#include <string>
#include <vector>

namespace qfjs_runner {

// --selection L,T,W,H: left and top may be anywhere, width and height >= 0.
struct SelectionOption {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// --color R,G,B[,A[,I]]: channels 0..255 (fractions allowed, as the host's
// colours are numbers), the palette index 0..255.
struct ColorOption {
    double r = 0;
    double g = 0;
    double b = 0;
    double a = 255;
    int index = 0;
};

struct RunnerOptions {
    std::string scriptPath;
    // Each -p value in command-line order; they become UserParam[0], [1], ...
    std::vector<std::string> parameters;
    // Each -i file in command-line order; empty for the built-in picture.
    std::vector<std::string> inputs;
    // -o: where the result picture goes; empty for no output.
    std::string output;
    std::optional<SelectionOption> selection;
    // Opaque black when not given.
    ColorOption color;
    // Print the result JSON as the last line of standard output.
    bool json = false;
    // No progress output and no notes of the runner's own.
    bool quiet = false;
    bool help = false;
};

// The most parameters a request can carry.
constexpr std::size_t kMaxParameters = 256;

// Reads argv[1..]; returns an empty text on success, else what is wrong.
std::string ParseCommandLine(int argc, const char* const* argv, RunnerOptions* options);

// The usage text, ending with a line break.
std::string UsageText();

}  // namespace qfjs_runner

#endif
