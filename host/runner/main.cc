// qfjs: runs a QuillFrame filter script from the command line through the
// script engine library's exported functions.
#include <cstdio>
#include <string>

#include "host/runner/options.h"
#include "host/runner/script_run.h"

int main(int argc, char** argv) {
    qfjs_runner::RunnerOptions options;
    const std::string error = qfjs_runner::ParseCommandLine(argc, argv, &options);
    if (!error.empty()) {
        std::fprintf(stderr, "qfjs: %s\n%s", error.c_str(), qfjs_runner::UsageText().c_str());
        return qfjs_runner::kExitUsage;
    }
    if (options.help) {
        std::fputs(qfjs_runner::UsageText().c_str(), stdout);
        return qfjs_runner::kExitSuccess;
    }
    return qfjs_runner::RunScriptFile(options, stdout, stderr);
}
