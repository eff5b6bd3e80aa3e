#include "tests/engine/loud_engine.h"

#include <cstdio>
#include <cstdlib>

#include "qfjs/qfjs.h"
#include "tests/support/script_harness.h"

namespace qfjs_test {

namespace {

void FatalError(const char* location, const char* message) {
    std::fprintf(stderr, "script engine fatal error in %s: %s\n", location ? location : "?", message ? message : "");
    std::abort();
}

void OutOfMemory(const char* location) {
    std::fprintf(stderr, "script engine out of memory in %s\n", location ? location : "?");
    std::abort();
}

}  // namespace

void StartEngineWithLoudHandlers() {
    QFJS_INFO info{FatalError, OutOfMemory};
    QFJS_Initialize(info);
    // The harness's own start-up now finds the engine running and keeps these.
    EnsureEngine();
}

}  // namespace qfjs_test
