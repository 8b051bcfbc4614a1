#pragma once

#include <cstdint>
#include <functional>

namespace pontavi {

// Milliseconds on the loop's monotonic clock. Under a virtual clock this is the
// virtual time; code must never mix it with wall-clock time.
using Millis = std::int64_t;

class IoWatch;

// The program's one event loop. The core cannot tell one implementation from
// another: every rule below holds for each, and one conformance suite
// (tests/platform/event_loop_conformance.h) proves it over all of them.
//
// Threads. Everything except post() runs on the loop's thread (the GUI
// thread). Callbacks run one at a time; the only re-entrancy is processOne(),
// which is how nested waits (lookups, modal boxes) are made.
//
// Timers. A timer is repeating: first due intervalMs after addTimer, then
// every intervalMs in its own phase; ticks missed while the loop was busy are
// dropped, not caught up. A timer keeps firing during a nested wait, also a
// wait made inside its own callback (the monitor's tick keeps running while
// that same tick waits for a lookup). Removing a timer, from anywhere, means
// its callback is not called again.
//
// Posts. post() may be called from any thread; posted callbacks run on the
// loop thread in a later turn, in the order they were posted, also when a
// nested wait inside one of them runs the ones after it.
//
// Watches. Readiness is level-triggered: a descriptor that stays readable
// (writable) is reported again on every turn while it is watched for it, so
// an owner that does not want to hear it again must change or drop the watch.
// Errors and hang-ups report as readable (and writable, when watched for it)
// so the owner's next call sees them. Watches are IoWatch handles: the
// descriptor is no longer watched once its handle is gone, so an owner that
// declares the handle after the descriptor can never leave a closed
// descriptor watched.
//
// Exceptions. An exception escaping a timer, watch or posted callback is
// caught by the loop and its text handed to the report the loop was given
// when it was made; the loop goes on, and the other callbacks of the same turn
// (the rest of a batch of posts, which may hold a drain request) still run.
//
// Quitting. quit() may be called from any callback, also inside a nested wait.
// From then on quitting() is true and processOne() returns at once without
// handling anything, so every nested wait must check quitting() to end; run()
// returns once the callback that called quit() and the waits around it have
// returned. Owners should stop watching what they will no longer read, as a
// toolkit's own nested loop (a box at exit) still reports readiness.
class EventLoop {
  public:
    using Callback = std::function<void()>;
    using TimerId = std::uint64_t;
    using WatchId = std::uint64_t;

    enum IoEvents : unsigned { kReadable = 1, kWritable = 2 };

    virtual ~EventLoop() = default;

    virtual Millis now() const = 0;

    // A repeating timer (see above). The callback may remove any timer,
    // itself included.
    virtual TimerId addTimer(Millis intervalMs, Callback callback) = 0;
    virtual void removeTimer(TimerId id) = 0;

    // Watches a descriptor the caller owns for `events` (IoEvents); the
    // callback receives the events that are ready. Events 0 keeps the watch
    // but reports nothing. The watch ends when the handle is destroyed or reset.
    [[nodiscard]] IoWatch watch(int fd, unsigned events,
                                std::function<void(unsigned ready)> callback);

    // Thread-safe: runs the callback on the loop thread in a later turn, in
    // order of posting.
    virtual void post(Callback callback) = 0;

    // Handles pending events once, blocking until at least one arrives. Used by
    // nested waits; returns at once when the loop has been asked to quit.
    virtual void processOne() = 0;

    // Runs until quit(); quit() may be called from inside any callback.
    virtual void run() = 0;
    virtual void quit() = 0;
    virtual bool quitting() const = 0;

    // Work outside the loop (a resolver thread) that will post its answer. A
    // virtual clock does not jump ahead while any is outstanding, so a real
    // lookup is not overtaken by virtual time-outs. Thread-safe.
    virtual void beginExternalWork() {}
    virtual void endExternalWork() {}

  protected:
    friend class IoWatch;
    virtual WatchId addWatch(int fd, unsigned events, std::function<void(unsigned)> callback) = 0;
    virtual void setWatchEvents(WatchId id, unsigned events) = 0;
    virtual void removeWatch(WatchId id) = 0;
};

// The watch of one descriptor, ended when the handle is destroyed or reset.
// Move-only; loop thread only. Declare it after the descriptor it watches, so
// the watch ends before the descriptor closes.
class IoWatch {
  public:
    IoWatch() = default;
    ~IoWatch() { reset(); }
    IoWatch(IoWatch&& other) noexcept;
    IoWatch& operator=(IoWatch&& other) noexcept;
    IoWatch(const IoWatch&) = delete;
    IoWatch& operator=(const IoWatch&) = delete;

    bool active() const { return loop_ != nullptr; }
    explicit operator bool() const { return active(); }
    // Changes what is watched for; nothing when inactive.
    void setEvents(unsigned events);
    // Ends the watch; may be called inside the watch's own callback.
    void reset();

  private:
    friend class EventLoop;
    IoWatch(EventLoop& loop, EventLoop::WatchId id) : loop_(&loop), id_(id) {}

    EventLoop* loop_ = nullptr;
    EventLoop::WatchId id_ = 0;
};

}  // namespace pontavi
