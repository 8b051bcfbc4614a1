#include "ui/qt_event_loop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace pontavi {

// A QTimer that knows which of the loop's timers it serves now.
class QtEventLoop::LoopTimer final : public QTimer {
  public:
    TimerId serving = 0;
};

namespace {
// Enough for the timers a few sessions restart; more are deleted.
constexpr std::size_t kSpareTimers = 16;
}  // namespace

// An exception must not unwind through Qt's own frames: every callback of
// the core runs inside the guard.
QtEventLoop::QtEventLoop(CallbackGuard guard)
    : guarded_(std::move(guard)), postTarget_(std::make_unique<QObject>()) {
    clock_.start();
}

QtEventLoop::~QtEventLoop() {
    // Not inside any of their signals now: delete at once rather than later,
    // as no loop may run again to do it.
    timers_.clear();
    spareTimers_.clear();
    watches_.clear();
}

Millis QtEventLoop::now() const {
    return clock_.elapsed();
}

EventLoop::TimerId QtEventLoop::addTimer(Millis intervalMs, Callback callback) {
    const TimerId id = nextId_++;
    std::unique_ptr<LoopTimer> timer = takeTimer();
    timer->serving = id;
    const Millis clamped = std::clamp<Millis>(intervalMs, 1, std::numeric_limits<int>::max());
    timer->start(static_cast<int>(clamped));
    timers_.emplace(id,
                    TimerEntry{std::move(timer), std::move(callback), clamped, now() + clamped});
    return id;
}

std::unique_ptr<QtEventLoop::LoopTimer> QtEventLoop::takeTimer() {
    if (!spareTimers_.empty()) {
        std::unique_ptr<LoopTimer> timer = std::move(spareTimers_.back());
        spareTimers_.pop_back();
        return timer;
    }
    auto timer = std::make_unique<LoopTimer>();
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(true);
    LoopTimer* t = timer.get();
    QObject::connect(t, &QTimer::timeout, [this, t] { fireTimer(t->serving); });
    return timer;
}

void QtEventLoop::removeTimer(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) {
        return;
    }
    std::unique_ptr<LoopTimer> timer = std::move(it->second.timer);
    timers_.erase(it);
    // Stopped, it fires no more; started again it is a new Qt timer, which
    // may fire even while this one's signal still runs.
    timer->stop();
    timer->serving = 0;
    if (spareTimers_.size() < kSpareTimers) {
        spareTimers_.push_back(std::move(timer));
    } else {
        dispose(std::move(timer));
    }
}

void QtEventLoop::fireTimer(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) {
        return;
    }
    // Start the next shot first, in the timer's own phase (ticks missed while
    // busy are dropped): a fresh start is a new Qt timer, which may fire
    // inside this one's callback.
    TimerEntry& entry = it->second;
    const Millis t = now();
    while (entry.due <= t) {
        entry.due += entry.interval;
    }
    entry.timer->start(static_cast<int>(std::min<Millis>(entry.due - t, entry.interval)));
    // Copy: the callback may remove this timer and with it the stored function.
    auto callback = entry.callback;
    guarded_(callback);
}

EventLoop::WatchId QtEventLoop::addWatch(int fd, unsigned events,
                                         std::function<void(unsigned)> callback) {
    const WatchId id = nextId_++;
    Watch& w = watches_[id];
    w.fd = fd;
    w.callback = std::move(callback);
    applyEvents(id, w, events);
    return id;
}

// Each notifier is made on first need: most connections are never watched
// for writing, and a QObject per connection and direction is not free.
void QtEventLoop::applyEvents(WatchId id, Watch& w, unsigned events) {
    const auto apply = [&](std::unique_ptr<QSocketNotifier>& notifier, QSocketNotifier::Type type,
                           unsigned bit) {
        const bool on = (events & bit) != 0;
        if (!notifier && on) {
            notifier = std::make_unique<QSocketNotifier>(w.fd, type);
            QObject::connect(notifier.get(), &QSocketNotifier::activated,
                             [this, id, bit] { fireWatch(id, bit); });
        }
        if (notifier) {
            notifier->setEnabled(on);
        }
    };
    apply(w.read, QSocketNotifier::Read, kReadable);
    apply(w.write, QSocketNotifier::Write, kWritable);
}

void QtEventLoop::setWatchEvents(WatchId id, unsigned events) {
    if (auto it = watches_.find(id); it != watches_.end()) {
        applyEvents(id, it->second, events);
    }
}

void QtEventLoop::removeWatch(WatchId id) {
    auto it = watches_.find(id);
    if (it == watches_.end()) {
        return;
    }
    // Disabled now, so the owner may close the descriptor right after.
    applyEvents(id, it->second, 0);
    dispose(std::move(it->second.read));
    dispose(std::move(it->second.write));
    watches_.erase(it);
}

void QtEventLoop::fireWatch(WatchId id, unsigned ready) {
    auto it = watches_.find(id);
    if (it == watches_.end()) {
        return;
    }
    auto callback = it->second.callback;
    guarded_([&] { callback(ready); });
}

void QtEventLoop::post(Callback callback) {
    // Queued calls to one receiver are delivered in the order they were made.
    QMetaObject::invokeMethod(
        postTarget_.get(), [this, callback = std::move(callback)] { guarded_(callback); },
        Qt::QueuedConnection);
}

void QtEventLoop::processOne() {
    if (quit_) {
        return;
    }
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void QtEventLoop::run() {
    quit_ = false;
    QEventLoop loop;
    running_ = &loop;
    loop.exec();
    running_ = nullptr;
}

void QtEventLoop::quit() {
    quit_ = true;
    if (running_) {
        running_->quit();
    }
}

void QtEventLoop::dispose(std::unique_ptr<QObject> object) {
    if (object) {
        QObject::disconnect(object.get(), nullptr, nullptr, nullptr);
        object.release()->deleteLater();
    }
}

}  // namespace pontavi
