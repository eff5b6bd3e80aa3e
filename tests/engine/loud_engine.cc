#include "tests/engine/loud_engine.h"

#include "tests/support/script_harness.h"

namespace qfjs_test {

void StartEngineWithLoudHandlers() {
    // The harness installs handlers that abort on the engine's fatal reports.
    EnsureEngine();
}

}  // namespace qfjs_test
