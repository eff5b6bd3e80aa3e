// Scripts that recurse without end get the engine's RangeError whatever
// thread the host executes them on: hosts run filters on worker threads whose
// stacks may be far smaller than the engine assumes (512 KiB is a common
// default for secondary threads), and a stack overflow there would end the
// host's process.
#include <pthread.h>

#include <cstddef>
#include <string>

#include <gtest/gtest.h>

#include "tests/engine_stress/stress_host.h"
#include "tests/support/script_harness.h"

namespace {

using qfjs_stress::StressHost;
using qfjs_test::Outcome;
using qfjs_test::ScriptContext;

// Plain recursion, recursion through a host call's argument conversion, and
// recursion through a version 8 member and a version 7 pixel.
const char* const kRecursions[] = {
    "function f(n) { return f(n + 1) + 1; }"
    "try { f(0); } catch (e) { Print(e instanceof RangeError); }",
    "function g() { return ValueClip({ valueOf: g }, 0, 10); }"
    "try { g(); } catch (e) { Print(e instanceof RangeError); }",
    "var bitmap = SourcePicture.GetLayer(0).Bitmap;"
    "function h() { return bitmap.GetPixel({ valueOf: h }, 1).R; }"
    "try { h(); } catch (e) { Print(e instanceof RangeError); }",
    "var layer = Image.GetInLayer(0);"
    "function k() { return layer.PixelAt(1, { valueOf: k }).r; }"
    "try { k(); } catch (e) { Print(e instanceof RangeError); }",
};

struct Job {
    ScriptContext* context;
    StressHost* host;
    std::string script;
    Outcome outcome;
};

// Runs the job on a new thread with a stack of `stackBytes`.
void RunOnThread(Job* job, std::size_t stackBytes) {
    pthread_attr_t attributes;
    ASSERT_EQ(pthread_attr_init(&attributes), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, stackBytes), 0);
    pthread_t thread;
    const int created = pthread_create(
        &thread, &attributes,
        [](void* data) -> void* {
            auto* job = static_cast<Job*>(data);
            job->outcome = job->context->Run(job->script, job->host->RequestText());
            return nullptr;
        },
        job);
    pthread_attr_destroy(&attributes);
    ASSERT_EQ(created, 0);
    ASSERT_EQ(pthread_join(thread, nullptr), 0);
}

TEST(StackLimits, EndlessRecursionIsARangeErrorOnSmallThreadStacks) {
    StressHost host;
    ScriptContext context(host.factory());
    // The same context on threads with ever other stacks, one after another.
    for (const std::size_t stack : {std::size_t{256} << 10, std::size_t{512} << 10, std::size_t{8} << 20,
                                    std::size_t{384} << 10}) {
        for (const char* script : kRecursions) {
            SCOPED_TRACE(std::to_string(stack >> 10) + " KiB: " + script);
            Job job{&context, &host, script, {}};
            RunOnThread(&job, stack);
            ASSERT_EQ(job.outcome.status, 0);
            EXPECT_EQ(job.outcome.scriptResult(), 0) << job.outcome.errorMessage();
            EXPECT_EQ(host.last_message(), "true");
        }
    }
    // And on the test's own thread afterwards.
    const Outcome outcome = context.Run(kRecursions[0], host.RequestText());
    EXPECT_EQ(outcome.scriptResult(), 0) << outcome.errorMessage();
    EXPECT_EQ(host.last_message(), "true");
}

}  // namespace
