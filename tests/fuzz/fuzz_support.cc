#include "tests/fuzz/fuzz_support.h"

#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include <v8.h>

namespace qfjs_fuzz {

namespace {

void FatalError(const char* location, const char* message) {
    std::fprintf(stderr, "script engine fatal error in %s: %s\n", location ? location : "?", message ? message : "");
    std::abort();
}

void OutOfMemory(const char* location) {
    std::fprintf(stderr, "script engine out of memory in %s\n", location ? location : "?");
    std::abort();
}

// How long a run may go on after its termination before it counts as a hang:
// processor time of the executing thread, and time on the clock for a run
// that waits instead of running.
constexpr std::chrono::seconds kStopGrace{15};
constexpr std::chrono::seconds kStopWallGrace{300};

}  // namespace

void StartEngine() {
    static std::once_flag once;
    std::call_once(once, [] {
        // A small script heap: runs that exhaust it end sooner, and the
        // fuzzer's own memory limit is never reached by a script that only
        // keeps allocating.
        v8::V8::SetFlagsFromString("--max-old-space-size=256");
        QFJS_INFO info{FatalError, OutOfMemory};
        QFJS_Initialize(info);
    });
}

Watchdog::Watchdog() : thread_([this] { Loop(); }) {}

Watchdog::~Watchdog() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void Watchdog::Arm(QFJS_HANDLE handle, std::chrono::milliseconds budget) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (pthread_getcpuclockid(pthread_self(), &runnerClock_) != 0) std::abort();
        handle_ = handle;
        budget_ = budget;
        started_ = RunnerTime();
        fired_ = false;
    }
    changed_.notify_all();
}

void Watchdog::Disarm() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        handle_ = 0;
    }
    changed_.notify_all();
}

bool Watchdog::fired() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return fired_;
}

std::chrono::nanoseconds Watchdog::RunnerTime() const {
    timespec now{};
    if (clock_gettime(runnerClock_, &now) != 0) return std::chrono::nanoseconds(0);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

void Watchdog::Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        if (handle_ == 0) {
            changed_.wait(lock);
            continue;
        }
        changed_.wait_for(lock, std::chrono::milliseconds(20));
        if (handle_ == 0 || stop_) continue;
        const std::chrono::nanoseconds used = RunnerTime() - started_;
        if (!fired_) {
            if (used < budget_) continue;
            fired_ = true;
            firedAt_ = used;
            firedWall_ = std::chrono::steady_clock::now();
            QFJS_Terminate(handle_);
            continue;
        }
        const bool ranOn = used - firedAt_ > kStopGrace;
        const bool waitedOn = std::chrono::steady_clock::now() - firedWall_ > kStopWallGrace;
        if (!ranOn && !waitedOn) continue;
        std::fprintf(stderr, "the run did not stop after QFJS_Terminate (%s)\n",
                     ranOn ? "it kept running" : "it kept waiting");
        std::abort();
    }
}

MemoryFile::MemoryFile() {
    fd_ = memfd_create("qfjs-fuzz", 0);
    if (fd_ < 0) {
        std::perror("memfd_create");
        std::abort();
    }
    path_ = "/proc/self/fd/" + std::to_string(fd_);
}

MemoryFile::~MemoryFile() {
    if (fd_ >= 0) close(fd_);
}

bool MemoryFile::Assign(std::string_view bytes) {
    if (ftruncate(fd_, 0) != 0) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void ShowInput(const char* what, const std::string& text) {
    if (!std::getenv("QFJS_FUZZ_PRINT")) return;
    std::fprintf(stderr, "---- %s ----\n%s\n---- end ----\n", what, text.c_str());
}

}  // namespace qfjs_fuzz
