// The main function of the engine test programs: the engine is started with
// loud error handlers before any test runs.
#include <gtest/gtest.h>

#include "tests/engine/loud_engine.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qfjs_test::StartEngineWithLoudHandlers();
    return RUN_ALL_TESTS();
}
