// Stopping scripts: the host's termination from another thread, Quit, and a
// termination request that arrives while no script runs; contexts on threads.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/script_harness.h"

namespace {

using qfjs_test::Outcome;
using qfjs_test::Recorder;
using qfjs_test::Request;
using qfjs_test::ScriptContext;

using Texts = std::vector<std::string>;

// Generous bound for a script to reach a point; only a hung engine hits it,
// and the test then fails instead of hanging.
constexpr std::chrono::seconds kPatience{30};

// A host whose message callback may be watched from another thread.
class WatchedHost {
public:
    static void ShowMessage(const void* hostData, const char* text) {
        auto* self = static_cast<WatchedHost*>(const_cast<void*>(hostData));
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->messages_.emplace_back(text);
        self->changed_.notify_all();
    }

    // Waits until `text` was shown `count` times in all.
    bool WaitFor(const std::string& text, std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, kPatience, [&] { return CountLocked(text) >= count; });
    }

    std::size_t Count(const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        return CountLocked(text);
    }

    Texts messages() {
        std::lock_guard<std::mutex> lock(mutex_);
        return messages_;
    }

    Request MakeRequest(Recorder* recorder) {
        Request request(recorder);
        request.SetPointer("HostData", this);
        request.SetPointer("ShowMessage", reinterpret_cast<const void*>(&WatchedHost::ShowMessage));
        request.Set("ProgressProc", picojson::value("0")).Set("SetStatus", picojson::value("0"));
        return request;
    }

private:
    std::size_t CountLocked(const std::string& text) const {
        std::size_t n = 0;
        for (const std::string& m : messages_) n += m == text;
        return n;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    Texts messages_;
};

// Runs `script` on another thread, terminates it once it printed "started",
// and returns the outcome.
Outcome RunAndTerminate(ScriptContext& context, WatchedHost& host, const std::string& script) {
    Recorder unused;
    const Request request = host.MakeRequest(&unused);
    const std::size_t startedBefore = host.Count("started");
    std::future<Outcome> running =
        std::async(std::launch::async, [&] { return context.Run(script, request); });
    EXPECT_TRUE(host.WaitFor("started", startedBefore + 1)) << "the script never started";
    QFJS_Terminate(context.handle());
    if (running.wait_for(kPatience) != std::future_status::ready) {
        ADD_FAILURE() << "the termination did not stop the script";
        // Keep terminating until the run gives up, so the test ends.
        while (running.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
            QFJS_Terminate(context.handle());
        }
    }
    return running.get();
}

TEST(Termination, EndsAnEndlessLoopWithMinusOne) {
    const char* scripts[] = {
        "Print('started'); while (true) {}",
        "Print('started'); for (;;) { try { while (true) {} } catch (e) { Print('caught'); } "
        "finally { Print('finally'); } } Print('after');",
        "Print('started'); [1].forEach(function () { try { for (;;) {} } finally { Print('finally'); } });",
        "Print('started'); var s = ''; while (true) { try { s += 'x'; if (s.length > 1000) s = ''; } "
        "catch (e) { Print('caught'); } }",
    };
    for (const char* script : scripts) {
        SCOPED_TRACE(script);
        WatchedHost host;
        ScriptContext context;
        Outcome outcome = RunAndTerminate(context, host, script);
        ASSERT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.text, R"({"ErrorMessage":"","ScriptResult":-1})");
        EXPECT_EQ(host.messages(), Texts{"started"});
    }
}

TEST(Termination, ContextRunsNormallyAfterATermination) {
    WatchedHost host;
    ScriptContext context;
    ASSERT_EQ(RunAndTerminate(context, host, "Print('started'); while (true) {}").scriptResult(), -1);
    Recorder recorder;
    Outcome next = context.Run("Print('next')", host.MakeRequest(&recorder));
    EXPECT_EQ(next.text, R"({"ErrorMessage":"","ScriptResult":0,"V7ResultLayers":[]})");
    // The script's own result survives the terminated run.
    ASSERT_EQ(context.Run("Result = 4", host.MakeRequest(&recorder)).scriptResult(), 1105);
    ASSERT_EQ(RunAndTerminate(context, host, "Print('started'); while (true) {}").scriptResult(), -1);
    EXPECT_EQ(context.Run("Print(Result)", host.MakeRequest(&recorder)).errorMessage(), "Script result code 4");
    EXPECT_EQ(host.messages(), (Texts{"started", "next", "started", "4"}));
}

TEST(Termination, IdleTerminationDoesNotDisturbTheNextRun) {
    Recorder recorder;
    ScriptContext context;
    QFJS_Terminate(context.handle());
    QFJS_Terminate(context.handle());
    Outcome outcome = context.Run("for (var i = 0; i < 100000; i++) {} Print('ran', i)", Request(&recorder));
    EXPECT_EQ(outcome.text, R"({"ErrorMessage":"","ScriptResult":0,"V7ResultLayers":[]})");
    EXPECT_EQ(recorder.messages, Texts{"ran100000"});

    // Also after a completed run.
    QFJS_Terminate(context.handle());
    EXPECT_EQ(context.Run("Print('again')", Request(&recorder)).scriptResult(), 0);
    EXPECT_EQ(recorder.messages, (Texts{"ran100000", "again"}));
}

TEST(Termination, NullHandleIsIgnored) {
    QFJS_Terminate(0);
    QFJS_FilterDestroyContext(0);
    EXPECT_EQ(qfjs_test::RunScript("").scriptResult(), 0);
}

// ---------------------------------------------------------------------------
// Quit

struct QuitCase {
    const char* name;
    const char* script;
    const char* result;  // the whole result JSON
    Texts printed;
};

class Quit : public ::testing::TestWithParam<QuitCase> {};

TEST_P(Quit, StopsAtOnce) {
    Recorder recorder;
    Outcome outcome = qfjs_test::RunScript(GetParam().script, &recorder);
    EXPECT_EQ(outcome.text, GetParam().result);
    EXPECT_EQ(recorder.messages, GetParam().printed);
}

const char kQuitOk[] = R"({"ErrorMessage":"","ScriptResult":0,"V7ResultLayers":[]})";

const QuitCase kQuitCases[] = {
    {"AfterPrint", "Print('before'); Quit(); Print('after');", kQuitOk, {"before"}},
    {"InsideTryCatchFinally",
     "try { Quit(); } catch (e) { Print('catch'); } finally { Print('finally'); } Print('after');", kQuitOk, {}},
    {"WithCodeInsideTryFinally", "try { Quit(3); } finally { Print('finally'); Result = 0; }",
     R"({"ErrorMessage":"Script result code 3","ScriptResult":1105})", {}},
    {"InNestedTry",
     "function inner() { try { Quit(); } catch (e) { Print('inner'); } }"
     "try { inner(); } catch (e) { Print('outer'); } finally { Print('finally'); }",
     kQuitOk, {}},
    {"InLoopWithCatch",
     "for (var i = 0; i < 3; i++) { try { Print(i); if (i == 1) Quit(); } catch (e) { Print('caught'); } }", kQuitOk,
     {"0", "1"}},
    // Quit reached from inside native code: a conversion, an interceptor, a
    // built-in calling back into the script.
    {"InsideAConversion",
     "try { ByteClip({ valueOf: function () { Quit(); return 1; } }); } catch (e) { Print('catch'); }"
     "Print('after');",
     kQuitOk, {}},
    {"InsideAnInterceptor",
     "try { UserParam[0] = { toString: function () { Quit(); } }; } finally { Print('finally'); }", kQuitOk, {}},
    {"InsideASortComparator", "try { [3, 1, 2].sort(function (a, b) { Quit(); }); } catch (e) { Print('catch'); }",
     kQuitOk, {}},
    {"InsideEval", "try { eval('try { Quit(); } finally { Print(1); }'); } finally { Print(2); }", kQuitOk, {}},
    // A code that cannot be converted leaves Quit without effect.
    {"CodeConversionThrows", "try { Quit({ valueOf: function () { throw 'bad code'; } }); } catch (e) { Print(e); }",
     kQuitOk, {"bad code"}},
};

INSTANTIATE_TEST_SUITE_P(Scripts, Quit, ::testing::ValuesIn(kQuitCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(QuitAcrossExecutions, NextRunIsNotStopped) {
    Recorder recorder;
    ScriptContext context;
    Request request(&recorder);
    ASSERT_EQ(context.Run("Quit(); Print('no')", request).scriptResult(), 0);
    ASSERT_EQ(context.Run("Print('yes'); for (var i = 0; i < 100000; i++) {} Print(i)", request).scriptResult(), 0);
    EXPECT_EQ(recorder.messages, (Texts{"yes", "100000"}));
}

// ---------------------------------------------------------------------------
// Threads

TEST(Threads, TwoContextsExecuteInParallel) {
    // Each script waits until both have started: with executions serialised
    // neither could ever finish.
    struct Rendezvous {
        std::atomic<int> started{0};
        static void ShowMessage(const void* hostData, const char* text) {
            if (std::string(text) == "started") static_cast<Rendezvous*>(const_cast<void*>(hostData))->started++;
        }
        static bool Progress(const void* hostData, int, int) {
            return static_cast<const Rendezvous*>(hostData)->started.load() == 2;
        }
    } rendezvous;

    Recorder unused;
    Request request(&unused);
    request.SetPointer("HostData", &rendezvous)
        .SetPointer("ShowMessage", reinterpret_cast<const void*>(&Rendezvous::ShowMessage))
        .SetPointer("ProgressProc", reinterpret_cast<const void*>(&Rendezvous::Progress))
        .Set("SetStatus", picojson::value("0"));
    const std::string script = "Print('started'); while (!SetProgress(0, 0)) {} Result = 0;";

    ScriptContext first;
    ScriptContext second;
    std::future<Outcome> a = std::async(std::launch::async, [&] { return first.Run(script, request); });
    std::future<Outcome> b = std::async(std::launch::async, [&] { return second.Run(script, request); });
    const bool finished = a.wait_for(kPatience) == std::future_status::ready &&
                          b.wait_for(kPatience) == std::future_status::ready;
    if (!finished) {
        QFJS_Terminate(first.handle());
        QFJS_Terminate(second.handle());
    }
    EXPECT_TRUE(finished) << "the two executions did not run at the same time";
    EXPECT_EQ(a.get().scriptResult(), 0);
    EXPECT_EQ(b.get().scriptResult(), 0);
}

TEST(Threads, OneContextMovesBetweenThreads) {
    Recorder recorder;
    ScriptContext context;
    Request request(&recorder);
    for (int i = 0; i < 3; ++i) {
        std::thread([&] {
            EXPECT_EQ(context.Run("UserParam[0] = UserParam[0] + 'x'; Print(UserParam[0])", request).scriptResult(), 0);
        }).join();
    }
    EXPECT_EQ(recorder.messages, (Texts{"x", "xx", "xxx"}));
}

TEST(Threads, ManyContextsCreatedAndRunConcurrently) {
    std::vector<std::future<int>> runs;
    for (int t = 0; t < 4; ++t) {
        runs.push_back(std::async(std::launch::async, [] {
            int failures = 0;
            for (int i = 0; i < 5; ++i) {
                Recorder recorder;
                Outcome outcome = qfjs_test::RunScript("Result = ValueClip(" + std::to_string(i) + ", 0, 2)", &recorder);
                if (outcome.scriptResult() != (i == 0 ? 0 : 1105)) ++failures;
            }
            return failures;
        }));
    }
    for (auto& run : runs) EXPECT_EQ(run.get(), 0);
}

}  // namespace
