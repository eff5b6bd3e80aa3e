// Engine start-up and shutdown and the host's error handlers. Each check runs
// in a fresh child process: whether the engine was started is process-wide,
// and a fatal engine error does not return.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <filesystem>
#include <gtest/gtest.h>
#include <v8.h>

#include "tests/engine/test_factory.h"
#include "tests/support/script_harness.h"
#include "tools/platform_mac.h"

namespace {

using qfjs_test::Request;

// The handlers say which of them ran through the child's exit status.
enum Exit { kFirstFatal = 41, kSecondFatal = 42, kFirstOom = 43, kSecondOom = 44, kNoError = 45 };

// Writes straight to the file descriptor: the process ends at once, with no
// chance to flush a stream.
void Say(const std::string& text) {
    ssize_t ignored = write(STDERR_FILENO, text.data(), text.size());
    static_cast<void>(ignored);
}

void FirstFatal(const char* location, const char* message) {
    Say(std::string("fatal error at ") + location + ": " + message + "\n");
    _exit(kFirstFatal);
}
void SecondFatal(const char*, const char*) {
    _exit(kSecondFatal);
}
void FirstOom(const char* location) {
    Say(std::string("out of memory at ") + location + "\n");
    _exit(kFirstOom);
}
void SecondOom(const char*) {
    _exit(kSecondOom);
}

// Host callbacks that make the engine report its fatal conditions: a misuse
// of its API (an empty handle used as a value), and a buffer the context's
// allocator refuses where the engine has no way to fail softly.
void ProvokeFatalError(const void*, const char*) {
    v8::Local<v8::Value> none = v8::MaybeLocal<v8::Value>().ToLocalChecked();
    static_cast<void>(none);
}
void ProvokeOutOfMemory(const void*, const char*) {
    v8::Local<v8::ArrayBuffer> huge = v8::ArrayBuffer::New(v8::Isolate::GetCurrent(), std::size_t{4} << 30);
    static_cast<void>(huge);
}

// Starts the engine with the first handlers, tries to replace them, then runs
// a script whose message callback is `provoke`.
void RunWithTwoInitializations(QFJS_ShowMessageProc provoke) {
    QFJS_INFO first{FirstFatal, FirstOom};
    QFJS_Initialize(first);
    QFJS_INFO second{SecondFatal, SecondOom};
    QFJS_Initialize(second);
    const QFJS_HANDLE handle = QFJS_FilterCreateContext(nullptr);
    qfjs_test::Recorder recorder;
    Request request(&recorder);
    request.SetPointer("ShowMessage", reinterpret_cast<const void*>(provoke));
    char* result = nullptr;
    QFJS_FilterExecute(handle, "Print('go')", request.Text().c_str(), &result);
    _exit(kNoError);
}

class EngineLifecycle : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(EngineLifecycle, SecondInitializeKeepsTheFirstFatalErrorHandler) {
    EXPECT_EXIT(RunWithTwoInitializations(ProvokeFatalError), ::testing::ExitedWithCode(kFirstFatal),
                "fatal error at v8::ToLocalChecked: Empty MaybeLocal");
}

TEST_F(EngineLifecycle, SecondInitializeKeepsTheFirstOutOfMemoryHandler) {
    EXPECT_EXIT(RunWithTwoInitializations(ProvokeOutOfMemory), ::testing::ExitedWithCode(kFirstOom),
                "out of memory at v8::ArrayBuffer::New");
}

// Steps of the engine's life; the child exits with the number of the first
// step that went wrong, 0 when all went right.
int LifecycleSteps() {
    qfjs_test::HandleFactory factory;
    QFJS_Uninitialize();  // before any start: nothing happens
    if (QFJS_FilterCreateContext(&factory) != 0) return 1;  // no engine, no context
    if (factory.releases != 0) return 2;

    QFJS_INFO info{nullptr, nullptr};
    QFJS_Initialize(info);
    const QFJS_HANDLE handle = QFJS_FilterCreateContext(&factory);
    if (handle == 0) return 3;
    qfjs_test::Recorder recorder;
    char* result = nullptr;
    if (QFJS_FilterExecute(handle, "Print('run')", Request(&recorder).Text().c_str(), &result) != 0) return 4;
    QFJS_MemFree(result);
    if (recorder.messages.size() != 1) return 5;
    QFJS_FilterDestroyContext(handle);
    if (factory.releases != 1) return 6;

    QFJS_Uninitialize();
    QFJS_Uninitialize();  // the second time: nothing
    // The engine cannot be started twice in one process; a later start does
    // nothing and no context can be made.
    QFJS_Initialize(info);
    if (QFJS_FilterCreateContext(&factory) != 0) return 7;
    QFJS_Uninitialize();
    return 0;
}

TEST_F(EngineLifecycle, StartStopAndNoRestart) {
    EXPECT_EXIT(_exit(LifecycleSteps()), ::testing::ExitedWithCode(0), "");
}

TEST(ResourcePath, IsTheDirectoryOfTheLoadedLibrary) {
    const std::string path = MacOS_GetResourcePath();
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(std::filesystem::equivalent(path, QFJS_LIBRARY_DIR)) << path;
}

}  // namespace
