// SIGINT and SIGTERM during a batch.
//
// The first signal asks the batch to stop: no new file is started, the
// files in progress are finished, and the host ends with 241; `onStop` is
// called once (the batch tells its user). The second
// signal asks for a hard stop: `onHardStop` is called (the batch terminates
// its running scripts) and repeated every 100 ms until the watcher ends, so a
// script that is only starting is caught too; the default dispositions are
// restored, so a third signal ends the process at once.
//
// A signal handler may do almost nothing safely: it only writes a byte into
// a pipe. A watcher thread reads the pipe and does the rest.
#ifndef QFCONSOLE_STOP_SIGNALS_H
#define QFCONSOLE_STOP_SIGNALS_H

#include <signal.h>

#include <atomic>
#include <functional>
#include <thread>

namespace qfconsole {

class StopSignals {
public:
    // Installs the handlers. Only one StopSignals may exist at a time.
    StopSignals(std::function<void()> onStop, std::function<void()> onHardStop);
    // Stops the watcher and restores the previous dispositions.
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    const std::atomic<bool>& stop_requested() const { return stop_; }
    const std::atomic<bool>& hard_stop_requested() const { return hardStop_; }
    // False when the handlers could not be installed (the batch then runs
    // without them: a signal ends it the default way).
    bool active() const { return active_; }

private:
    void Watch();
    void Restore();

    std::function<void()> onStop_;
    std::function<void()> onHardStop_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> hardStop_{false};
    bool active_ = false;
    bool restored_ = false;
    int pipe_[2] = {-1, -1};
    struct sigaction previousInt_ {};
    struct sigaction previousTerm_ {};
    std::thread thread_;
};

}  // namespace qfconsole

#endif
