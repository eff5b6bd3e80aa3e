// One batch from the host command line to the exit status: read the
// description, list the inputs, run the files on the workers, report.
#ifndef QFCONSOLE_BATCH_RUN_H
#define QFCONSOLE_BATCH_RUN_H

#include <cstdio>

#include "host/console/host_arguments.h"

namespace qfconsole {

// Returns an ExitStatus. Per-file lines and notes go to `out`, errors and
// the "Failed:" lines to `err`. Handles SIGINT and SIGTERM while it runs.
int RunBatch(const HostArguments& arguments, std::FILE* out, std::FILE* err);

}  // namespace qfconsole

#endif
