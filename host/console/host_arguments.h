// The command line qfmacro starts the host with:
//   QuillFrame -Console -Macro [-Silent] [-ExecuteSingleton]
//              -MacroFile:<file> -ThreadCount:<n> [-ExecutionBasePath:<folder>]
#ifndef QFCONSOLE_HOST_ARGUMENTS_H
#define QFCONSOLE_HOST_ARGUMENTS_H

#include <string>

namespace qfconsole {

struct HostArguments {
    bool console = false;
    bool macro = false;
    bool silent = false;
    bool executeSingleton = false;
    std::string macroFile;
    // 0 when not given: the host picks the number of processors.
    int threadCount = 0;
    // Relative paths of the description resolve against this folder; empty
    // means the current folder.
    std::string executionBasePath;
};

// Reads argv[1..]. Returns an empty text on success, else what is wrong.
// A missing -MacroFile: is an error; the other words are optional. Words are
// matched exactly (qfmacro writes them so).
std::string ParseHostArguments(int argc, const char* const* argv, HostArguments* arguments);

// One line that tells how the host is started, for error messages.
const char* HostUsage();

}  // namespace qfconsole

#endif
