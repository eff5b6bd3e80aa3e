// Runs the jobs 0..count-1 on a number of threads. Each thread takes the
// next job not yet taken until none is left or a stop is requested; a job
// that was taken always runs to its end (a stop never cuts one short).
#ifndef QFCONSOLE_WORKER_POOL_H
#define QFCONSOLE_WORKER_POOL_H

#include <atomic>
#include <cstddef>
#include <functional>

namespace qfconsole {

// `work(worker, job)` is called on worker thread `worker` (0..threads-1);
// a worker's calls come one after another, so per-worker state indexed by
// `worker` needs no lock. At most `count` threads are started, at least
// one. Returns the number of jobs that were started.
std::size_t RunJobs(int threads, std::size_t count, const std::atomic<bool>& stop,
                    const std::function<void(int worker, std::size_t job)>& work);

// The thread count for -ThreadCount:N: N, or the number of processors for
// 0; never more jobs than there are.
int WorkerCount(int requested, std::size_t jobs);

}  // namespace qfconsole

#endif
