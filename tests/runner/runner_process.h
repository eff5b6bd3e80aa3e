// Running qfjs (and other programs) as a user does, for the runner's tests:
// a temporary folder per test, standard output and standard error captured
// in files, the exit status; and PNG pictures decoded for pixel checks.
#ifndef QFJS_TESTS_RUNNER_RUNNER_PROCESS_H
#define QFJS_TESTS_RUNNER_RUNNER_PROCESS_H

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/lib/qfhost.h"

namespace runner_test {

namespace fs = std::filesystem;

struct Finished {
    int exitStatus = -1;  // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

std::string ReadFile(const fs::path& path);

// A decoded PNG file as RGBA (palette files expanded); empty when the file
// cannot be read.
qfhost::RgbaImage ReadPicture(const fs::path& path);

// The examples folder of the source tree.
fs::path ExamplesDir();

// A temporary folder for scripts, pictures and the captured output; the
// programs run with it as their current folder.
class RunnerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    fs::path Script(const std::string& name, const std::string& text);

    // Starts `program` (qfjs when empty) with `args`; its process id.
    // `errPath` replaces the captured standard error (a terminal, say).
    pid_t Start(const std::vector<std::string>& args, const std::string& program = std::string(),
                const std::string& errPath = std::string());
    Finished Wait(pid_t pid);
    Finished Run(const std::vector<std::string>& args) { return Wait(Start(args)); }
    std::string Output() { return ReadFile(dir_ / "out"); }

    fs::path dir_;
};

}  // namespace runner_test

#endif
