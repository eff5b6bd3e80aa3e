#include "host/console/stop_signals.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace qfconsole {

namespace {

// The write end of the pipe of the one active StopSignals (a process has one
// disposition per signal).
std::atomic<int> g_stopPipe{-1};

constexpr char kSignal = 's';
constexpr char kQuit = 'q';
constexpr int kRepeatMilliseconds = 100;

extern "C" void OnStopSignal(int) {
    const int saved = errno;
    const int fd = g_stopPipe.load();
    if (fd >= 0) {
        const char byte = kSignal;
        ssize_t ignored = write(fd, &byte, 1);
        static_cast<void>(ignored);
    }
    errno = saved;
}

}  // namespace

StopSignals::StopSignals(std::function<void()> onStop, std::function<void()> onHardStop)
    : onStop_(std::move(onStop)), onHardStop_(std::move(onHardStop)) {
    if (pipe2(pipe_, O_CLOEXEC) != 0) return;
    // The handler must never block on a full pipe.
    fcntl(pipe_[1], F_SETFL, fcntl(pipe_[1], F_GETFL) | O_NONBLOCK);
    g_stopPipe = pipe_[1];
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (sigaction(SIGINT, &action, &previousInt_) != 0) {
        g_stopPipe = -1;
        return;
    }
    if (sigaction(SIGTERM, &action, &previousTerm_) != 0) {
        sigaction(SIGINT, &previousInt_, nullptr);
        g_stopPipe = -1;
        return;
    }
    active_ = true;
    thread_ = std::thread([this] { Watch(); });
}

StopSignals::~StopSignals() {
    if (active_) {
        const char byte = kQuit;
        while (write(pipe_[1], &byte, 1) < 0 && errno == EINTR) {
        }
        thread_.join();
        if (!restored_) Restore();
        g_stopPipe = -1;
    }
    for (int fd : pipe_) {
        if (fd >= 0) close(fd);
    }
}

void StopSignals::Restore() {
    sigaction(SIGINT, &previousInt_, nullptr);
    sigaction(SIGTERM, &previousTerm_, nullptr);
    restored_ = true;
}

void StopSignals::Watch() {
    int signals = 0;
    for (;;) {
        pollfd wait{pipe_[0], POLLIN, 0};
        const int ready = poll(&wait, 1, hardStop_ ? kRepeatMilliseconds : -1);
        if (ready < 0 && errno != EINTR) return;
        if (ready > 0) {
            char byte = 0;
            const ssize_t got = read(pipe_[0], &byte, 1);
            if (got == 1 && byte == kQuit) return;
            if (got == 1 && byte == kSignal && ++signals == 1) {
                stop_ = true;
                if (onStop_) onStop_();
            }
            if (got == 1 && byte == kSignal && signals == 2) {
                hardStop_ = true;
                // A third signal ends the process even if a script cannot be
                // stopped (for instance inside a long host call).
                Restore();
            }
        }
        if (hardStop_ && onHardStop_) onHardStop_();
    }
}

}  // namespace qfconsole
