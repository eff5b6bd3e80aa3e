// Temporary files of Path.GenerateTemp keep a descriptor of the host's
// process open until the context is destroyed: a script calling it in a loop
// must not take the descriptors the host needs to open its own files.
#include <dirent.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "tests/engine_stress/stress_host.h"
#include "tests/support/script_harness.h"

namespace {

using qfjs_stress::StressHost;
using qfjs_test::Outcome;
using qfjs_test::ScriptContext;

// The process's open descriptors.
int OpenDescriptors() {
    DIR* folder = opendir("/proc/self/fd");
    if (!folder) return -1;
    int count = 0;
    while (readdir(folder)) ++count;
    closedir(folder);
    return count - 3;  // ".", ".." and the folder's own descriptor
}

TEST(TempFileLimits, ReservationsPerContextAreCappedAndReleasedWithTheContext) {
    StressHost host;
    const int before = OpenDescriptors();
    ASSERT_GT(before, 0);
    std::string firstPath;
    {
        ScriptContext context(host.factory());
        const Outcome outcome = context.Run(
            "SetVersion(8); var n = 0; var first = Path.GenerateTemp('txt');"
            "while (n < 1000 && typeof Path.GenerateTemp() === 'string') n++;"
            "Print(n + 1, ' ', typeof Path.GenerateTemp(), ' ', first)",
            host.RequestText());
        ASSERT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.scriptResult(), 0) << outcome.errorMessage();
        const std::string printed = host.last_message();
        ASSERT_EQ(printed.rfind("64 undefined /tmp/jsf", 0), 0u) << printed;
        firstPath = printed.substr(printed.find('/'));
        EXPECT_EQ(OpenDescriptors(), before + 64);

        // The host (and the script) can still open files.
        const Outcome next = context.Run(
            "Print(System.IsDirectory('/tmp'), ' ', LoadTextFile('" + firstPath + "') === '')", host.RequestText());
        EXPECT_EQ(next.scriptResult(), 0) << next.errorMessage();
        EXPECT_EQ(host.last_message(), "true true");
    }
    // Destroying the context closes and removes them all.
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_EQ(access(firstPath.c_str(), F_OK), -1);

    // A new context may reserve again.
    ScriptContext fresh(host.factory());
    const Outcome outcome = fresh.Run("Print(typeof Path.GenerateTemp())", host.RequestText());
    EXPECT_EQ(outcome.scriptResult(), 0) << outcome.errorMessage();
    EXPECT_EQ(host.last_message(), "string");
}

}  // namespace
