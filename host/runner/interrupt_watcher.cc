#include "host/runner/interrupt_watcher.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace qfjs_runner {

namespace {

// The write end of the pipe of the one active watcher (a process has one
// SIGINT disposition, so there is at most one).
std::atomic<int> g_signalPipe{-1};

constexpr char kInterrupt = 'i';
constexpr char kStop = 's';
// How often a pending interrupt is repeated while the run goes on.
constexpr int kRepeatMilliseconds = 100;

extern "C" void OnInterrupt(int) {
    const int saved = errno;
    const int fd = g_signalPipe.load();
    if (fd >= 0) {
        const char byte = kInterrupt;
        ssize_t ignored = write(fd, &byte, 1);
        static_cast<void>(ignored);
    }
    errno = saved;
}

}  // namespace

InterruptWatcher::InterruptWatcher(QFJS_HANDLE handle) : handle_(handle) {
    if (pipe2(pipe_, O_CLOEXEC) != 0) return;
    // The handler must never block on a full pipe.
    fcntl(pipe_[1], F_SETFL, fcntl(pipe_[1], F_GETFL) | O_NONBLOCK);
    g_signalPipe = pipe_[1];
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (sigaction(SIGINT, &action, &previous_) != 0) {
        g_signalPipe = -1;
        return;
    }
    active_ = true;
    thread_ = std::thread([this] { Watch(); });
}

InterruptWatcher::~InterruptWatcher() {
    if (active_) {
        sigaction(SIGINT, &previous_, nullptr);
        g_signalPipe = -1;
        const char byte = kStop;
        while (write(pipe_[1], &byte, 1) < 0 && errno == EINTR) {
        }
        thread_.join();
    }
    for (int fd : pipe_) {
        if (fd >= 0) close(fd);
    }
}

void InterruptWatcher::Watch() {
    for (;;) {
        pollfd wait{pipe_[0], POLLIN, 0};
        const int ready = poll(&wait, 1, interrupted_ ? kRepeatMilliseconds : -1);
        if (ready < 0 && errno != EINTR) return;
        if (ready > 0) {
            char byte = 0;
            const ssize_t got = read(pipe_[0], &byte, 1);
            if (got == 1 && byte == kStop) return;
            if (got == 1 && byte == kInterrupt && !interrupted_) {
                interrupted_ = true;
                // A second Ctrl-C ends the process even if the script cannot
                // be stopped (for instance inside a long host call).
                struct sigaction fallback {};
                fallback.sa_handler = SIG_DFL;
                sigemptyset(&fallback.sa_mask);
                sigaction(SIGINT, &fallback, nullptr);
            }
        }
        if (interrupted_) QFJS_Terminate(handle_);
    }
}

}  // namespace qfjs_runner
