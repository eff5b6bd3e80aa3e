#include "tests/fuzz/fuzz_support.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

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

// How long a run may take after its termination before it counts as a hang.
constexpr std::chrono::seconds kStopGrace{15};

}  // namespace

void StartEngine() {
    static std::once_flag once;
    std::call_once(once, [] {
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
        handle_ = handle;
        deadline_ = std::chrono::steady_clock::now() + budget;
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

void Watchdog::Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        if (handle_ == 0) {
            changed_.wait(lock);
            continue;
        }
        if (changed_.wait_until(lock, deadline_) != std::cv_status::timeout || handle_ == 0) continue;
        if (!fired_) {
            fired_ = true;
            deadline_ = std::chrono::steady_clock::now() + kStopGrace;
            QFJS_Terminate(handle_);
            continue;
        }
        std::fprintf(stderr, "the run did not stop within %lld s of QFJS_Terminate\n",
                     static_cast<long long>(kStopGrace.count()));
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
