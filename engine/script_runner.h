// One script run: a fresh global environment, compile, run, and the outcome
// turned into a run status and a message.
#ifndef QFJS_ENGINE_SCRIPT_RUNNER_H
#define QFJS_ENGINE_SCRIPT_RUNNER_H

#include <string>

namespace qfjsbinding {

struct TJSFilterContext;

// Run statuses reported as "ScriptResult".
enum RunStatus : int {
    kRunOk = 0,
    kRunNegativeResult = -1,
    kRunCompileError = 1102,
    kRunUncaughtException = 1103,
    kRunResultWithMessage = 1104,
    kRunResultCode = 1105,
};

// Runs context->scriptSource. Called with the isolate locked and entered and a
// handle scope open. `message` arrives empty and leaves with the run's message.
int ExecuteScriptMain(TJSFilterContext* context, std::string& message);

}  // namespace qfjsbinding

#endif
