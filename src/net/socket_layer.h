#pragma once

#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/resolver.h"
#include "platform/event_loop.h"
#include "platform/timer.h"

namespace pontavi {

class TSockCtrl;
class TSocketBase;

// What the socket components of one program share: the loop and resolver they
// run on, the lookup waits in progress, the notifications deferred during
// those waits, and the one-second time-out tick. Create one before the first
// component and destroy it after the last. Loop thread only.
class SocketLayer {
  public:
    SocketLayer(EventLoop& loop, Resolver& resolver);
    ~SocketLayer();
    SocketLayer(const SocketLayer&) = delete;
    SocketLayer& operator=(const SocketLayer&) = delete;

    EventLoop& Loop() const { return loop_; }
    Resolver& Resolve() const { return resolver_; }

    // Receives the message of an exception that escaped an event handler run
    // from a notification or a tick; the notification's handling ends there
    // and the sockets stay as they were. Default: one line on stderr.
    std::function<void(const std::string& message)> OnHandlerError;

    // The socket library counts as started while at least one component lives;
    // operations that need it fail with the text of code 10093 otherwise.
    bool Started() const { return components_ > 0; }
    void CheckStarted() const;

    int WaitsInProgress() const { return waits_; }
    std::size_t DeferredCount() const { return deferred_.size(); }

    // ---- used by components and socket objects ----

    // Runs `action`; an exception escaping it goes to OnHandlerError.
    template <typename F>
    void Guarded(F&& action) noexcept {
        try {
            action();
        } catch (...) {
            ReportHandlerError(std::current_exception());
        }
    }
    void ReportHandlerError(std::exception_ptr error) noexcept;

    // Starts a lookup with `start` and waits for it in a nested loop, with the
    // component's time-out armed. Ends when the answer arrives (its code is
    // returned), when the component times out or `abandon` says so (the request
    // is cancelled; 10060), or when the loop is quitting (10060 at once). A
    // request that cannot be started raises ESockError from `startTemplate`.
    using LookupStarter = std::function<LookupHandle(std::function<void(int error)> completed)>;
    int WaitForLookup(TSockCtrl& component, const std::string& startTemplate,
                      const LookupStarter& start, const std::function<bool()>& abandon = {});

    // Notifications arriving while a wait is in progress, or while earlier
    // ones are still queued, are queued in order and delivered one per turn.
    bool MustDefer() const { return waits_ > 0 || !deferred_.empty(); }
    void Defer(std::weak_ptr<TSocketBase> socket, unsigned events);

    // The shared time-out: only for components with TimeOut > 0 and OnTimeOut.
    void Arm(TSockCtrl& component);
    void Disarm(TSockCtrl& component);
    bool IsArmed(const TSockCtrl& component) const;

    // A socket whose reading is paused (its data left unread) is checked on
    // the next turn and then once a second for the peer's close, which
    // level-triggered readiness cannot report while the data is still there.
    void WatchStalled(std::weak_ptr<TSocketBase> socket);

    void ComponentCreated() { ++components_; }
    void ComponentDestroyed(TSockCtrl& component);

  private:
    struct Deferred {
        std::weak_ptr<TSocketBase> socket;
        unsigned events;
    };

    void requestDrain();
    void drainOne();
    void tick();
    void checkStalled();
    void updateTimers();

    EventLoop& loop_;
    Resolver& resolver_;
    int components_ = 0;
    int waits_ = 0;
    std::deque<Deferred> deferred_;
    bool drainPosted_ = false;
    bool stallCheckPosted_ = false;
    std::vector<TSockCtrl*> armed_;
    std::vector<std::weak_ptr<TSocketBase>> stalled_;
    std::unique_ptr<Timer> tick_;
    std::unique_ptr<Timer> stallCheck_;
    // Posted callbacks hold a weak copy and do nothing once the layer is gone.
    std::shared_ptr<int> life_ = std::make_shared<int>(0);
};

}  // namespace pontavi
