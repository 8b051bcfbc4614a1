#pragma once

#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "base/unique_fd.h"
#include "platform/event_loop.h"

namespace pontavi {

// EventLoop on poll(2), woken by an eventfd for posted callbacks. One turn:
// poll, then ready watches, due timers and the posts waiting when the turn
// began, each taken from the queue as it runs so that a nested wait inside one
// of them runs the rest in order.
//
// With ClockKind::Virtual, time stands still while anything is ready and jumps
// straight to the next due timer when nothing is: a 30 s time-out takes
// microseconds of real time while real loopback sockets keep working (loopback
// delivery is synchronous, so "nothing ready now" means the peer is idle).
class PollLoop final : public EventLoop {
  public:
    enum class ClockKind { Real, Virtual };

    // Where the text of an exception escaping a callback goes; unset, one
    // line on stderr.
    using Report = std::function<void(const std::string& message)>;

    explicit PollLoop(ClockKind clock = ClockKind::Real, Report report = {});
    ~PollLoop() override;
    PollLoop(const PollLoop&) = delete;
    PollLoop& operator=(const PollLoop&) = delete;

    Millis now() const override;
    TimerId addTimer(Millis intervalMs, Callback callback) override;
    void removeTimer(TimerId id) override;
    void post(Callback callback) override;
    void processOne() override;
    void run() override;
    void quit() override { quit_ = true; }
    bool quitting() const override { return quit_; }
    void beginExternalWork() override { ++external_; }
    void endExternalWork() override;

    // Test and tool helpers. Both run loop turns; runUntil gives up once
    // `limit` has passed on the loop's clock and then returns the predicate.
    void runFor(Millis duration);
    bool runUntil(const std::function<bool()>& done, Millis limit);

    std::size_t timerCount() const { return timers_.size(); }
    std::size_t watchCount() const { return watches_.size(); }

  protected:
    WatchId addWatch(int fd, unsigned events, std::function<void(unsigned)> callback) override;
    void setWatchEvents(WatchId id, unsigned events) override;
    void removeWatch(WatchId id) override;

  private:
    struct TimerEntry {
        Millis interval;
        Millis due;
        Callback callback;
    };
    struct WatchEntry {
        int fd;
        unsigned events;
        std::function<void(unsigned)> callback;
    };

    void guarded(const std::function<void()>& callback) noexcept;
    int pollTimeout();
    bool hasPosted();
    bool takePosted(Callback& callback);
    void dispatchReady(const std::vector<WatchId>& ids, const std::vector<unsigned>& ready);
    void runDueTimers();
    void runPosted();
    void drainWakeup();

    ClockKind clock_;
    Report report_;
    Millis virtualNow_ = 0;
    std::map<TimerId, TimerEntry> timers_;
    std::map<WatchId, WatchEntry> watches_;
    std::uint64_t nextId_ = 1;
    bool quit_ = false;
    std::atomic<int> external_{0};
    UniqueFd wakeFd_;
    std::mutex postedMutex_;
    std::deque<Callback> posted_;
};

}  // namespace pontavi
