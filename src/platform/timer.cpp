#include "platform/timer.h"

namespace pontavi {

Timer::Timer(EventLoop& loop, Millis interval, bool enabled)
    : loop_(loop), interval_(interval), enabled_(enabled) {
    restart();
}

Timer::~Timer() {
    stop();
}

void Timer::setInterval(Millis interval) {
    if (interval == interval_) {
        return;
    }
    interval_ = interval;
    restart();
}

void Timer::setEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    restart();
}

void Timer::stop() {
    if (id_ != 0) {
        loop_.removeTimer(id_);
        id_ = 0;
    }
}

void Timer::restart() {
    stop();
    if (!enabled_ || interval_ <= 0) {
        return;
    }
    id_ = loop_.addTimer(interval_, [this] {
        if (OnTimer) {
            // Copy: the handler may reassign OnTimer or disable this timer.
            auto handler = OnTimer;
            handler();
        }
    });
}

}  // namespace pontavi
