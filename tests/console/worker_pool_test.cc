// The worker pool: every job exactly once, each worker's jobs one after
// another, and a stop that lets taken jobs finish but starts no new one.
#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "host/console/worker_pool.h"

namespace qfconsole {
namespace {

TEST(WorkerPoolTest, RunsEveryJobOnceOnTheGivenWorkers) {
    for (int threads : {1, 2, 5}) {
        std::vector<std::atomic<int>> runs(37);
        std::vector<std::atomic<int>> busy(static_cast<std::size_t>(threads));
        std::atomic<bool> overlap{false};
        std::atomic<bool> badWorker{false};
        const std::atomic<bool> stop{false};
        const std::size_t started = RunJobs(threads, runs.size(), stop, [&](int worker, std::size_t job) {
            if (worker < 0 || worker >= threads) {
                badWorker = true;
                return;
            }
            // A worker's state needs no lock only if its calls never overlap.
            if (busy[static_cast<std::size_t>(worker)].fetch_add(1) != 0) overlap = true;
            runs[job].fetch_add(1);
            busy[static_cast<std::size_t>(worker)].fetch_sub(1);
        });
        EXPECT_EQ(started, runs.size());
        EXPECT_FALSE(badWorker);
        EXPECT_FALSE(overlap);
        for (std::size_t job = 0; job < runs.size(); ++job) EXPECT_EQ(runs[job].load(), 1) << "job " << job;
    }
}

TEST(WorkerPoolTest, AStopStartsNoFurtherJob) {
    std::atomic<bool> stop{false};
    std::vector<std::size_t> ran;
    const std::size_t started = RunJobs(1, 10, stop, [&](int, std::size_t job) {
        ran.push_back(job);
        if (job == 3) stop = true;  // as a signal arriving while job 3 runs
    });
    EXPECT_EQ(started, 4u);
    EXPECT_EQ(ran, (std::vector<std::size_t>{0, 1, 2, 3}));

    std::atomic<bool> stopped{true};
    EXPECT_EQ(RunJobs(3, 10, stopped, [](int, std::size_t) { ADD_FAILURE() << "a job ran after the stop"; }), 0u);
}

TEST(WorkerPoolTest, NoJobsRunNothing) {
    const std::atomic<bool> stop{false};
    EXPECT_EQ(RunJobs(4, 0, stop, [](int, std::size_t) { ADD_FAILURE() << "no job to run"; }), 0u);
}

TEST(WorkerPoolTest, WorkerCountFollowsTheRequestAndTheJobs) {
    EXPECT_EQ(WorkerCount(2, 10), 2);
    EXPECT_EQ(WorkerCount(8, 3), 3);
    EXPECT_EQ(WorkerCount(4, 0), 1);
    const int automatic = WorkerCount(0, 1000);
    EXPECT_GE(automatic, 1);
    EXPECT_LE(automatic, 1000);
    EXPECT_EQ(WorkerCount(0, 1), 1);
}

}  // namespace
}  // namespace qfconsole
