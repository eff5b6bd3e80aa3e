// The host side of a command-line run: the callbacks a request names, and
// the request itself. Pictures are "0" (no picture).
#ifndef QFJS_HOST_RUNNER_CONSOLE_HOST_H
#define QFJS_HOST_RUNNER_CONSOLE_HOST_H

#include <cstdio>
#include <string>

#include "host/runner/options.h"

namespace qfjs_runner {

class ConsoleHost {
public:
    // Messages go to `out`, status texts to `err`.
    ConsoleHost(std::FILE* out, std::FILE* err) : out_(out), err_(err) {}

    // The request JSON for one execution of the script at `absoluteScriptPath`.
    std::string BuildRequest(const RunnerOptions& options, const std::string& absoluteScriptPath) const;

private:
    static bool Progress(const void* hostData, int done, int total);
    static void ShowMessage(const void* hostData, const char* text);
    static void SetStatus(const void* hostData, const char* text);

    std::FILE* out_;
    std::FILE* err_;
};

}  // namespace qfjs_runner

#endif
