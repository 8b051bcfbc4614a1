#pragma once

#include <functional>
#include <string>

#include "controls/label.h"
#include "platform/event_loop.h"
#include "platform/timer.h"

namespace pontavi {

// The "Online Timer" page's logic: the session and total on-line counters,
// advanced together once per 989 ms tick while connected, and the date of the
// last reset of the total. The connection monitor switches timer() on at
// every connect (after BitBtn4Click) and off at every disconnect.
class OnlineTimer {
  public:
    static constexpr Millis kIntervalMs = 989;
    static constexpr const char* kZero = "00:00:00";

    struct Panels {
        Label& SessionTimePanel;
        Label& TotalTimePanel;
        Label& ResetDateLabel;
    };

    // today gives the date text recorded by "&Reset Total".
    OnlineTimer(EventLoop& loop, Panels panels, std::function<std::string()> today);
    OnlineTimer(const OnlineTimer&) = delete;
    OnlineTimer& operator=(const OnlineTimer&) = delete;

    pontavi::Timer& timer() { return timer_; }

    const std::string& SessionTime() const { return sessionTime_; }
    const std::string& TotalTime() const { return totalTime_; }
    const std::string& ResetDate() const { return resetDate_; }

    // For the settings loader: set and show.
    void setTotalTime(std::string text);
    void setResetDate(std::string text);

    // Tick of the on-line timer: one second more on both counters.
    void TimerTimer();
    // "&Reset Total": zero the total and record today as its reset date.
    void BitBtn3Click();
    // "&Reset Session": zero the session time.
    void BitBtn4Click();

  private:
    Panels panels_;
    std::function<std::string()> today_;
    std::string sessionTime_ = kZero;
    std::string totalTime_ = kZero;
    std::string resetDate_ = "Never";
    pontavi::Timer timer_;
};

}  // namespace pontavi
