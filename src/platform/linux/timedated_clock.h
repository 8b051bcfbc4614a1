#pragma once

#include <memory>
#include <thread>

#include "platform/event_loop.h"
#include "platform/system_clock.h"

namespace pontavi {

// Sets the clock through systemd-timedated (org.freedesktop.timedate1 on the
// system bus): polkit decides who may, so the program itself never holds a
// privilege. When timedated's NTP flag is on, a synchronisation service keeps
// the clock and nothing is set. The D-Bus calls run on a worker thread, each
// bounded by a time limit, and the outcome is posted back to the loop.
// The bus is the one libdbus/GIO name for the system bus: the environment
// variable DBUS_SYSTEM_BUS_ADDRESS points it elsewhere only for this
// process's own requests, which can change nothing beyond what polkit allows
// the user anyway. Loop thread only.
class TimedatedClock final : public SystemClock {
  public:
    explicit TimedatedClock(EventLoop& loop);
    ~TimedatedClock() override;
    TimedatedClock(const TimedatedClock&) = delete;
    TimedatedClock& operator=(const TimedatedClock&) = delete;

    std::int64_t NowUtcMillis() const override;
    // One request at a time; a second one while the first is under way is
    // refused at once.
    void MoveBy(std::int64_t millis, Done done) override;

  private:
    EventLoop& loop_;
    std::thread worker_;
    std::shared_ptr<bool> busy_ = std::make_shared<bool>(false);
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// What one request to timedated came to; for the worker and its tests.
// The move goes as SetTime's relative form, applied by timedated to the
// clock as it reads it then.
SystemClock::Result AskTimedated(std::int64_t moveMillis);

}  // namespace pontavi
