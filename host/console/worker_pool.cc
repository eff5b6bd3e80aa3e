#include "host/console/worker_pool.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace qfconsole {

int WorkerCount(int requested, std::size_t jobs) {
    std::size_t count = requested > 0 ? static_cast<std::size_t>(requested) : std::thread::hardware_concurrency();
    count = std::min(count, jobs);
    return static_cast<int>(std::max<std::size_t>(count, 1));
}

std::size_t RunJobs(int threads, std::size_t count, const std::atomic<bool>& stop,
                    const std::function<void(int worker, std::size_t job)>& work) {
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> started{0};
    auto loop = [&](int worker) {
        for (;;) {
            if (stop.load()) return;
            const std::size_t job = next.fetch_add(1);
            if (job >= count) return;
            started.fetch_add(1);
            work(worker, job);
        }
    };
    const std::size_t wanted = threads > 1 ? static_cast<std::size_t>(threads) : 1;
    const int workers = static_cast<int>(std::min(wanted, std::max<std::size_t>(count, 1)));
    std::vector<std::thread> pool;
    pool.reserve(static_cast<std::size_t>(workers));
    for (int worker = 1; worker < workers; ++worker) pool.emplace_back(loop, worker);
    // The calling thread is worker 0.
    loop(0);
    for (std::thread& thread : pool) thread.join();
    return started.load();
}

}  // namespace qfconsole
