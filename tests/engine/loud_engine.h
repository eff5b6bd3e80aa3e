// Starts the engine for a test program with error handlers that end the
// program loudly: a script-engine API misuse anywhere in the library must fail
// the tests, not pass unnoticed.
#ifndef QFJS_TESTS_ENGINE_LOUD_ENGINE_H
#define QFJS_TESTS_ENGINE_LOUD_ENGINE_H

namespace qfjs_test {

// Call before the first context is made (and after any engine flags are set).
void StartEngineWithLoudHandlers();

}  // namespace qfjs_test

#endif
