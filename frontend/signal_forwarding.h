// While qfmacro waits for the host, an interrupt or termination signal must
// not end qfmacro on its own: it would leave its temporary macro file behind
// and lose the host's outcome. Such signals are handed on to the host
// instead, and qfmacro reports whatever the host then does.
#ifndef QFMACRO_FRONTEND_SIGNAL_FORWARDING_H
#define QFMACRO_FRONTEND_SIGNAL_FORWARDING_H

#include <csignal>

#include <sys/types.h>

namespace qfmacro {

// Installs the forwarding handlers for SIGINT, SIGTERM and SIGHUP for its
// lifetime and restores the previous dispositions afterwards.
//
// A signal that the terminal sent to the whole foreground process group
// (Ctrl-C) already reached the host, so it is not sent a second time; a
// signal sent to qfmacro alone (kill) is passed on. A signal that arrives
// before the host has been started is passed on as soon as it is.
class SignalForwarding {
public:
    SignalForwarding();
    ~SignalForwarding();
    SignalForwarding(const SignalForwarding&) = delete;
    SignalForwarding& operator=(const SignalForwarding&) = delete;

    // The host's process; signals from now on go to it.
    void SetChild(pid_t child);

private:
    struct sigaction previous_[3];
};

}  // namespace qfmacro

#endif
