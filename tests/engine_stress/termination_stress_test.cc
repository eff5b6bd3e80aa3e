// Terminations at random moments: the host may stop a run from another
// thread at any point of an execution (while the request is read, while the
// script environment is built, in the middle of a host callback, while the
// result is made) and the context must answer the next run normally.
#include <atomic>
#include <chrono>
#include <future>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/engine_stress/stress_host.h"
#include "tests/support/script_harness.h"

namespace {

using qfjs_stress::StressHost;
using qfjs_test::Outcome;
using qfjs_test::ScriptContext;

// Runs until terminated, passing through both generations' members, host
// callbacks, exceptions, finally blocks and array buffers on every round.
const char kEndless[] = R"(
SetVersion(8);
var layer = Image.GetInLayer(0);
var bitmap = SourcePicture.GetLayer(0).Bitmap;
var n = 0;
while (true) {
    n++;
    try {
        var c = bitmap.GetPixel(n % 8, (n >> 3) % 8);
        bitmap.SetPixel(n % 8, 1, c.R ^ 1, c.G, c.B);
        var p = layer.PixelAt(n % 8, 2);
        p.r = n & 255;
        SetProgress(n, n + 1);
        if (n % 32 == 0) Print('tick ', n);
        if (n % 7 == 0) throw new Error('round ' + n);
        new Uint8Array(4096)[n % 4096] = n;
        JSON.parse(JSON.stringify({ n: n, path: Document.FilePath }));
    } catch (e) {
        UserParam[1] = e.message;
    } finally {
        UserParam[2] = String(n);
    }
}
)";

// Ends by itself after a few milliseconds.
const char kFinite[] = R"(
var sum = 0;
for (var i = 0; i < 3000; i++) {
    try {
        sum += SourcePicture.GetLayer(0).Bitmap.GetPixelR(i % 8, 0);
        if (i % 500 == 0) throw i;
    } catch (e) {
        sum += 1;
    }
}
Print('done ', UserParam[0], ' ', sum);
)";

// The check after every stopped run.
const char kCheck[] = "Print('check ', UserParam[0], ' ', Image.GetInLayer(0).PixelAt(1, 1).g);";

// Terminates `handle` after `delay`, then again every millisecond until
// `finished`: a request that arrives before the run has cleared its flags
// is taken up by a later one, so every endless run ends.
std::thread StartTerminator(QFJS_HANDLE handle, std::chrono::microseconds delay, const std::atomic<bool>& finished) {
    return std::thread([handle, delay, &finished] {
        std::this_thread::sleep_for(delay);
        while (!finished.load()) {
            QFJS_Terminate(handle);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
}

unsigned Seed() {
    const unsigned seed = std::random_device{}();
    std::printf("random seed %u\n", seed);
    return seed;
}

TEST(TerminationStress, TwoHundredRunsStoppedAtRandomMomentsEachFollowedByANormalRun) {
    StressHost host;
    ScriptContext context(host.factory());
    std::mt19937 random(Seed());
    // Up to 4 ms: from the request being read to deep inside the loop.
    std::uniform_int_distribution<int> delayMicroseconds(0, 4000);

    for (int run = 0; run < 200; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        std::atomic<bool> finished{false};
        std::thread terminator =
            StartTerminator(context.handle(), std::chrono::microseconds(delayMicroseconds(random)), finished);
        const Outcome stopped = context.Run(kEndless, host.RequestText());
        finished = true;
        terminator.join();
        ASSERT_EQ(stopped.status, 0);
        ASSERT_EQ(stopped.text, R"({"ErrorMessage":"","ScriptResult":-1})");

        const std::string param = "r" + std::to_string(run);
        const Outcome next = context.Run(kCheck, host.RequestText(param));
        ASSERT_EQ(next.status, 0);
        ASSERT_EQ(next.scriptResult(), 0) << next.text;
        ASSERT_EQ(next.errorMessage(), "");
        ASSERT_EQ(host.last_message(), "check " + param + " 30");
    }
}

// What one worker saw in one run.
struct RunRecord {
    bool endless = false;
    int status = 0;
    int scriptResult = 0;
    std::string errorMessage;
    std::string lastMessage;
    std::string param;
};

TEST(TerminationStress, TwoWorkersWhileAThirdThreadTerminatesAtRandom) {
    constexpr int kWorkers = 2;
    constexpr int kRunsPerWorker = 150;
    StressHost hosts[kWorkers];
    std::vector<std::unique_ptr<ScriptContext>> contexts;
    for (StressHost& host : hosts) contexts.push_back(std::make_unique<ScriptContext>(host.factory()));

    std::atomic<int> workersLeft{kWorkers};
    std::thread terminator([&, seed = Seed()] {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> pick(0, kWorkers - 1);
        std::uniform_int_distribution<int> delayMicroseconds(0, 3000);
        while (workersLeft.load() > 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
            QFJS_Terminate(contexts[pick(random)]->handle());
        }
    });

    std::vector<RunRecord> records[kWorkers];
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&, w] {
            for (int run = 0; run < kRunsPerWorker; ++run) {
                RunRecord record;
                record.endless = run % 2 == 0;
                record.param = "w" + std::to_string(w) + "r" + std::to_string(run);
                const Outcome outcome =
                    contexts[w]->Run(record.endless ? kEndless : kFinite, hosts[w].RequestText(record.param));
                record.status = outcome.status;
                record.scriptResult = outcome.scriptResult();
                record.errorMessage = outcome.errorMessage();
                record.lastMessage = hosts[w].last_message();
                records[w].push_back(record);
            }
            --workersLeft;
        });
    }
    for (std::thread& worker : workers) worker.join();
    terminator.join();

    for (int w = 0; w < kWorkers; ++w) {
        ASSERT_EQ(records[w].size(), static_cast<std::size_t>(kRunsPerWorker));
        for (const RunRecord& record : records[w]) {
            SCOPED_TRACE(record.param);
            EXPECT_EQ(record.status, 0);
            if (record.endless) {
                EXPECT_EQ(record.scriptResult, -1);
            } else {
                // It was stopped (-1); or the stop came after the script had
                // produced its value, which ends the run without success
                // (1105 with the script's result 0); or it ran to its end with
                // its own output.
                if (record.scriptResult == 1105) {
                    EXPECT_EQ(record.errorMessage, "Script result code 0");
                } else if (record.scriptResult == 0) {
                    EXPECT_EQ(record.lastMessage.rfind("done " + record.param + " ", 0), 0u) << record.lastMessage;
                } else {
                    EXPECT_EQ(record.scriptResult, -1) << record.errorMessage;
                }
            }
        }
        // With nobody terminating any more, each context runs normally.
        const Outcome last = contexts[w]->Run(kCheck, hosts[w].RequestText("last"));
        EXPECT_EQ(last.scriptResult(), 0) << last.text;
        EXPECT_EQ(hosts[w].last_message(), "check last 30");
    }
}

}  // namespace
