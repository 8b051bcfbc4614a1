#pragma once

#include <functional>

#include "platform/event_loop.h"

namespace pontavi {

// A component timer with the classic semantics: enabling a stopped timer
// starts a full new interval; changing the interval of a running timer
// restarts it; an interval of 0 never fires. Owned by one object, loop thread only.
class Timer {
  public:
    explicit Timer(EventLoop& loop, Millis interval = 1000, bool enabled = true);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    Millis Interval() const { return interval_; }
    void setInterval(Millis interval);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);

    std::function<void()> OnTimer;

  private:
    void restart();
    void stop();

    EventLoop& loop_;
    Millis interval_;
    bool enabled_;
    EventLoop::TimerId id_ = 0;
};

}  // namespace pontavi
