#pragma once

#include <QElapsedTimer>
#include <QPointer>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "ui/callback_guard.h"

class QEventLoop;
class QObject;
class QSocketNotifier;
class QTimer;

namespace pontavi {

// EventLoop over Qt's own loop, so the core's timers, sockets and posted
// callbacks run between the widgets' events on the GUI thread. Needs a
// QCoreApplication (or QApplication) for its whole life; GUI thread only,
// except post(), which any thread may call.
//
// Qt never fires a timer again while that timer's own slot runs, so each
// timer is a single-shot QTimer started anew for its next due time before its
// callback runs: a nested wait inside the callback still sees it fire.
// Removed timers are stopped and kept for the next addTimer, as a QObject
// made and deleted later per restart is what a timer restarted on every
// received line (the mail session's dialogue wait) would mostly cost.
class QtEventLoop final : public EventLoop {
  public:
    // guard: runs every timer, watch and posted callback, so a failure
    // escaping one is reported and the loop goes on.
    explicit QtEventLoop(CallbackGuard guard = {});
    ~QtEventLoop() override;
    QtEventLoop(const QtEventLoop&) = delete;
    QtEventLoop& operator=(const QtEventLoop&) = delete;

    Millis now() const override;
    TimerId addTimer(Millis intervalMs, Callback callback) override;
    void removeTimer(TimerId id) override;
    void post(Callback callback) override;
    void processOne() override;
    void run() override;
    void quit() override;
    bool quitting() const override { return quit_; }

    std::size_t timerCount() const { return timers_.size(); }
    std::size_t watchCount() const { return watches_.size(); }

  protected:
    WatchId addWatch(int fd, unsigned events, std::function<void(unsigned)> callback) override;
    void setWatchEvents(WatchId id, unsigned events) override;
    void removeWatch(WatchId id) override;

  private:
    class LoopTimer;
    struct TimerEntry {
        std::unique_ptr<LoopTimer> timer;
        Callback callback;
        Millis interval;
        Millis due;
    };
    struct Watch {
        int fd = -1;
        std::unique_ptr<QSocketNotifier> read;
        std::unique_ptr<QSocketNotifier> write;
        std::function<void(unsigned)> callback;
    };

    void fireTimer(TimerId id);
    std::unique_ptr<LoopTimer> takeTimer();
    void fireWatch(WatchId id, unsigned ready);
    void applyEvents(WatchId id, Watch& w, unsigned events);
    // A timer or notifier may be inside its own signal when the core drops
    // it, so it is switched off now and deleted by Qt on a later turn.
    static void dispose(std::unique_ptr<QObject> object);

    CallbackGuard guarded_;
    QElapsedTimer clock_;
    // Receiver of posted callbacks; posts still queued at destruction die with it.
    std::unique_ptr<QObject> postTarget_;
    std::map<TimerId, TimerEntry> timers_;
    std::vector<std::unique_ptr<LoopTimer>> spareTimers_;
    std::map<WatchId, Watch> watches_;
    std::uint64_t nextId_ = 1;
    bool quit_ = false;
    QPointer<QEventLoop> running_;
};

}  // namespace pontavi
