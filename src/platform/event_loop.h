#pragma once

#include <cstdint>
#include <functional>

namespace pontavi {

// Milliseconds on the loop's monotonic clock. Under a virtual clock this is the
// virtual time; code must never mix it with wall-clock time.
using Millis = std::int64_t;

// The program's one event loop. Everything except post() runs on the loop's
// thread (the GUI thread); callbacks are never run re-entrantly except through
// processOne(), which is how nested loops (lookup waits, modal boxes) work.
class EventLoop {
  public:
    using Callback = std::function<void()>;
    using TimerId = std::uint64_t;
    using WatchId = std::uint64_t;

    enum IoEvents : unsigned { kReadable = 1, kWritable = 2 };

    virtual ~EventLoop() = default;

    virtual Millis now() const = 0;

    // A repeating timer: first due intervalMs after this call, then every
    // intervalMs in the timer's own phase. The callback may remove any timer,
    // itself included.
    virtual TimerId addTimer(Millis intervalMs, Callback callback) = 0;
    virtual void removeTimer(TimerId id) = 0;

    // Watches a descriptor the caller owns; the callback receives the IoEvents
    // that are ready (errors and hang-ups report as readable so the owner's
    // next read sees them). The owner must unwatch before closing the descriptor.
    virtual WatchId watch(int fd, unsigned events,
                          std::function<void(unsigned ready)> callback) = 0;
    virtual void setWatchEvents(WatchId id, unsigned events) = 0;
    virtual void unwatch(WatchId id) = 0;

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
};

}  // namespace pontavi
