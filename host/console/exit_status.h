// The console host's exit statuses, as qfmacro passes them on to its user
// ("Error code: N", or "Cancelled." for 241).
#ifndef QFCONSOLE_EXIT_STATUS_H
#define QFCONSOLE_EXIT_STATUS_H

namespace qfconsole {

enum ExitStatus : int {
    kExitSuccess = 0,       // every file was written or skipped
    kExitFilesFailed = 1,   // at least one file failed; "Failed:" lines name them
    kExitBadSetup = 2,      // the command line, the macro description or a file it names is unusable
    kExitEngineFailed = 3,  // the script engine stopped the process (fatal error, out of memory)
    kExitInterrupted = 241, // SIGINT or SIGTERM; the files in progress were finished
};

}  // namespace qfconsole

#endif
