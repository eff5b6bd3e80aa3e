// The command line of qfjs.
#ifndef QFJS_HOST_RUNNER_OPTIONS_H
#define QFJS_HOST_RUNNER_OPTIONS_H

#include <string>
#include <vector>

namespace qfjs_runner {

struct RunnerOptions {
    std::string scriptPath;
    // Each -p value in command-line order; they become UserParam[0], [1], ...
    std::vector<std::string> parameters;
    // Print the result JSON as the last line of standard output.
    bool json = false;
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
