// The script engine for an ACTIONS batch: started once for the process, and
// the list of filter contexts whose scripts are running right now, so that
// a hard stop can terminate them from the signal watcher's thread.
#ifndef QFCONSOLE_SCRIPT_ENGINE_H
#define QFCONSOLE_SCRIPT_ENGINE_H

#include <mutex>
#include <set>

#include "qfjs/qfjs.h"

namespace qfconsole {

// QFJS_Initialize on construction, QFJS_Uninitialize on destruction; every
// filter context must be gone by then. The engine's fatal error and
// out-of-memory reports end the process with kExitEngineFailed after a
// message on standard error: the engine cannot go on after either.
class ScriptEngine {
public:
    ScriptEngine();
    ~ScriptEngine();
    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;
};

class RunningScripts {
public:
    // Add before QFJS_FilterExecute, Remove after it and before the context
    // is destroyed: TerminateAll never reaches a destroyed context.
    void Add(QFJS_HANDLE handle);
    void Remove(QFJS_HANDLE handle);
    // QFJS_Terminate on every running context.
    void TerminateAll();

private:
    std::mutex mutex_;
    std::multiset<QFJS_HANDLE> running_;
};

}  // namespace qfconsole

#endif
