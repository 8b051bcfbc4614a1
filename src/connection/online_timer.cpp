#include "connection/online_timer.h"

#include "connection/online_counter.h"

namespace pontavi {

OnlineTimer::OnlineTimer(EventLoop& loop, Panels panels, std::function<std::string()> today)
    : panels_(panels), today_(std::move(today)), timer_(loop, kIntervalMs, false) {
    timer_.OnTimer = [this] { TimerTimer(); };
}

void OnlineTimer::setTotalTime(std::string text) {
    totalTime_ = std::move(text);
    panels_.TotalTimePanel.setCaption(totalTime_);
}

void OnlineTimer::setResetDate(std::string text) {
    resetDate_ = std::move(text);
    panels_.ResetDateLabel.setCaption("Last Reset : " + resetDate_);
}

void OnlineTimer::TimerTimer() {
    totalTime_ = NextOnlineCounterText(totalTime_);
    sessionTime_ = NextOnlineCounterText(sessionTime_);
    panels_.TotalTimePanel.setCaption(totalTime_);
    panels_.SessionTimePanel.setCaption(sessionTime_);
}

void OnlineTimer::BitBtn3Click() {
    setTotalTime(kZero);
    setResetDate(today_ ? today_() : std::string());
}

void OnlineTimer::BitBtn4Click() {
    sessionTime_ = kZero;
    panels_.SessionTimePanel.setCaption(sessionTime_);
}

}  // namespace pontavi
