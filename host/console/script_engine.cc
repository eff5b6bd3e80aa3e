#include "host/console/script_engine.h"

#include <unistd.h>

#include <cstdio>

#include "host/console/exit_status.h"

namespace qfconsole {

namespace {

void OnFatalError(const char* location, const char* message) {
    std::fprintf(stderr, "QuillFrame: script engine fatal error in %s: %s\n", location ? location : "?",
                 message ? message : "");
    std::fflush(stderr);
    _exit(kExitEngineFailed);
}

void OnOutOfMemory(const char* location) {
    std::fprintf(stderr, "QuillFrame: the script engine ran out of memory in %s\n", location ? location : "?");
    std::fflush(stderr);
    _exit(kExitEngineFailed);
}

}  // namespace

ScriptEngine::ScriptEngine() {
    QFJS_INFO info{OnFatalError, OnOutOfMemory};
    QFJS_Initialize(info);
}

ScriptEngine::~ScriptEngine() { QFJS_Uninitialize(); }

void RunningScripts::Add(QFJS_HANDLE handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    running_.insert(handle);
}

void RunningScripts::Remove(QFJS_HANDLE handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = running_.find(handle);
    if (found != running_.end()) running_.erase(found);
}

void RunningScripts::TerminateAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (QFJS_HANDLE handle : running_) QFJS_Terminate(handle);
}

}  // namespace qfconsole
