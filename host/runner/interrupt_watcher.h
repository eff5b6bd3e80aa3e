// Ctrl-C during a run: the script is terminated and the runner ends with 130.
//
// A signal handler may do almost nothing safely, so the handler only writes a
// byte into a pipe; a watcher thread reads it and asks the engine to
// terminate the script. It keeps asking until the run is over, so a request
// that arrives while the execution is still starting is not lost. A second
// Ctrl-C ends the process the default way.
#ifndef QFJS_HOST_RUNNER_INTERRUPT_WATCHER_H
#define QFJS_HOST_RUNNER_INTERRUPT_WATCHER_H

#include <signal.h>

#include <atomic>
#include <thread>

#include "qfjs/qfjs.h"

namespace qfjs_runner {

class InterruptWatcher {
public:
    // Installs the SIGINT handler; `handle` is the context to terminate.
    explicit InterruptWatcher(QFJS_HANDLE handle);
    // Stops the watcher and restores the previous SIGINT handling. The
    // context must outlive the watcher.
    ~InterruptWatcher();
    InterruptWatcher(const InterruptWatcher&) = delete;
    InterruptWatcher& operator=(const InterruptWatcher&) = delete;

    // True once Ctrl-C was pressed.
    bool interrupted() const { return interrupted_.load(); }
    // False when the handler could not be installed (the run goes on
    // without Ctrl-C handling).
    bool active() const { return active_; }

private:
    void Watch();

    QFJS_HANDLE handle_;
    std::atomic<bool> interrupted_{false};
    bool active_ = false;
    int pipe_[2] = {-1, -1};
    struct sigaction previous_ {};
    std::thread thread_;
};

}  // namespace qfjs_runner

#endif
