// Starting the host application on the merged macro description.
#ifndef QFMACRO_FRONTEND_PLATFORM_EXECUTE_H
#define QFMACRO_FRONTEND_PLATFORM_EXECUTE_H

#include <string>
#include <vector>

#include "frontend/qfmacro_params.h"

namespace qfmacro {

// The host executable: the file "QuillFrame" in the folder of the running
// qfmacro executable. Empty when the executable's own path is unknown.
std::string HostExecutablePath();

// The host's command line in its fixed order, starting with hostPath.
std::vector<std::string> BuildHostArguments(const std::string& hostPath, const QFMacroParams& params);

// Starts the host in console mode on params.tempMacroFile, waits for it and
// returns its exit status, or kStatusStartFailed, kStatusWaitFailed, or
// kStatusHostSignalled (after printing which signal ended it).
int platform_execute(QFMacroParams& params);

}  // namespace qfmacro

#endif  // QFMACRO_FRONTEND_PLATFORM_EXECUTE_H
