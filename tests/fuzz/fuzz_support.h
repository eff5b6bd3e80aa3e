// Shared pieces of the fuzz targets: starting the engine so that any engine
// error ends the process loudly, a watchdog that stops runaway scripts the
// way a host would, and in-memory files for functions that take a path.
#ifndef QFJS_TESTS_FUZZ_FUZZ_SUPPORT_H
#define QFJS_TESTS_FUZZ_FUZZ_SUPPORT_H

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include <time.h>

#include "qfjs/qfjs.h"

namespace qfjs_fuzz {

// Starts the engine once, with a script heap of 256 MiB; its fatal-error and
// out-of-memory handlers abort, so the fuzzer reports them as crashes.
void StartEngine();

// Stops a run that takes longer than its budget with QFJS_Terminate, as a
// host's stop button would. A run that still has not returned long after the
// termination is a hang the host could not end: the watchdog aborts then.
// Time is the executing thread's processor time, so a fuzzer run with low
// priority on a busy machine does not mistake waiting for running; a run that
// blocks without running is caught by a generous wall-clock bound instead.
class Watchdog {
public:
    Watchdog();
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // Called on the thread that is about to execute.
    void Arm(QFJS_HANDLE handle, std::chrono::milliseconds budget);
    void Disarm();
    // Whether the watchdog stopped the run since it was last armed.
    bool fired() const;

private:
    void Loop();
    std::chrono::nanoseconds RunnerTime() const;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    QFJS_HANDLE handle_ = 0;
    clockid_t runnerClock_{};
    std::chrono::nanoseconds budget_{};
    std::chrono::nanoseconds started_{};
    std::chrono::nanoseconds firedAt_{};
    std::chrono::steady_clock::time_point firedWall_;
    bool fired_ = false;
    bool stop_ = false;
    std::thread thread_;
};

// A file that lives in memory only (memfd), named by a /proc/self/fd path,
// so the functions that read files by path never touch the disk.
class MemoryFile {
public:
    MemoryFile();
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // Replaces the content; false when the file cannot be written.
    bool Assign(std::string_view bytes);
    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

// When the environment variable QFJS_FUZZ_PRINT is set, writes `text` (the
// generated script or request) to standard error, for reproducing a case.
void ShowInput(const char* what, const std::string& text);

}  // namespace qfjs_fuzz

#endif
