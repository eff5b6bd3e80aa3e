// QuillFrame in console mode: the host program that qfmacro starts to run a
// batch macro without a user interface (see docs/console-host.md).
#include <cstdio>
#include <string>

#include "host/console/batch_run.h"
#include "host/console/exit_status.h"
#include "host/console/host_arguments.h"

int main(int argc, char** argv) {
    qfconsole::HostArguments arguments;
    const std::string problem = qfconsole::ParseHostArguments(argc, argv, &arguments);
    if (!problem.empty()) {
        std::fprintf(stderr, "QuillFrame: %s\n%s\n", problem.c_str(), qfconsole::HostUsage());
        return qfconsole::kExitBadSetup;
    }
    return qfconsole::RunBatch(arguments, stdout, stderr);
}
