#include "frontend/signal_forwarding.h"

#include <atomic>

#include <signal.h>
#include <unistd.h>

namespace qfmacro {

namespace {

constexpr int kForwarded[3] = {SIGINT, SIGTERM, SIGHUP};

// Read and written by the handler: lock-free atomics only.
std::atomic<pid_t> g_child{0};
std::atomic<int> g_pending{0};

void Forward(int signal, siginfo_t* info, void*) {
    // A positive code means the kernel generated the signal, as the terminal
    // does for its whole foreground group (the host is in it); zero and
    // negative codes mean a process sent it to qfmacro alone.
    if (info && info->si_code > 0) return;
    const pid_t child = g_child.load();
    if (child > 0) {
        ::kill(child, signal);
    } else {
        g_pending.store(signal);
    }
}

}  // namespace

SignalForwarding::SignalForwarding() {
    g_child.store(0);
    g_pending.store(0);
    struct sigaction action {};
    action.sa_sigaction = Forward;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; ++i) ::sigaction(kForwarded[i], &action, &previous_[i]);
}

SignalForwarding::~SignalForwarding() {
    for (int i = 0; i < 3; ++i) ::sigaction(kForwarded[i], &previous_[i], nullptr);
    g_child.store(0);
}

void SignalForwarding::SetChild(pid_t child) {
    g_child.store(child);
    const int pending = g_pending.exchange(0);
    if (pending != 0 && child > 0) ::kill(child, pending);
}

}  // namespace qfmacro
