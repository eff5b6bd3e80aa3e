// One command-line run: load the script, execute it in a fresh context, print
// the outcome and choose the exit status.
#ifndef QFJS_HOST_RUNNER_SCRIPT_RUN_H
#define QFJS_HOST_RUNNER_SCRIPT_RUN_H

#include <cstdio>

#include "host/runner/options.h"

namespace qfjs_runner {

enum ExitStatus : int {
    kExitSuccess = 0,
    kExitScriptFailed = 1,
    kExitUsage = 2,
    kExitInterrupted = 130,
};

// Runs options.scriptPath; messages go to `out`, status texts and errors to
// `err`. Starts and stops the engine.
int RunScriptFile(const RunnerOptions& options, std::FILE* out, std::FILE* err);

}  // namespace qfjs_runner

#endif
