#pragma once

#include <csignal>
#include <functional>

#include "base/unique_fd.h"
#include "platform/event_loop.h"

namespace pontavi {

// SIGTERM, SIGINT and SIGHUP as events of the loop: the handler only writes
// the signal's number into a pipe (the one thing a handler may safely do),
// and the loop runs `onSignal` on its own thread. The first signal is the
// only one caught: from then on all three have their default action, so a
// second one ends a program that is slow to end. One instance per process;
// the previous handlers come back when it is destroyed.
class TerminationSignals {
  public:
    TerminationSignals(EventLoop& loop, std::function<void(int signal)> onSignal);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

  private:
    void drain();

    EventLoop& loop_;
    std::function<void(int)> onSignal_;
    UniqueFd readEnd_;
    UniqueFd writeEnd_;
    IoWatch watch_;  // after readEnd_, so it ends before the pipe closes
    struct sigaction previous_[3] = {};
};

}  // namespace pontavi
