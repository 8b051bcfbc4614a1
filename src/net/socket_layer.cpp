#include "net/socket_layer.h"

#include <algorithm>
#include <iostream>
#include <system_error>

#include "net/sock_ctrl.h"
#include "net/sock_error.h"
#include "net/socket_base.h"

namespace pontavi {

namespace {

constexpr Millis kTickMs = 1000;

// Keeps the count of waits right however the wait ends (a handler run inside
// it may throw through processOne).
class WaitScope {
  public:
    WaitScope(int& waits, std::function<void()> onEnd) : waits_(waits), onEnd_(std::move(onEnd)) {
        ++waits_;
    }
    ~WaitScope() {
        if (--waits_ < 0) {
            waits_ = 0;
        }
        onEnd_();
    }
    WaitScope(const WaitScope&) = delete;
    WaitScope& operator=(const WaitScope&) = delete;

  private:
    int& waits_;
    std::function<void()> onEnd_;
};

}  // namespace

SocketLayer::SocketLayer(EventLoop& loop, Resolver& resolver)
    : OnHandlerError([](const std::string& message) { std::cerr << message << '\n'; }),
      loop_(loop),
      resolver_(resolver) {}

SocketLayer::~SocketLayer() = default;

void SocketLayer::CheckStarted() const {
    if (!Started()) {
        RaiseSockError("", sockcode::kNotInitialised);
    }
}

void SocketLayer::ReportHandlerError(std::exception_ptr error) noexcept {
    std::string message = "Unknown error";
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
    }
    try {
        if (OnHandlerError) {
            OnHandlerError(message);
        }
    } catch (...) {
        // The report itself failed; there is nowhere left to send it.
    }
}

// ---- lookup waits ----

int SocketLayer::WaitForLookup(TSockCtrl& component, const std::string& startTemplate,
                               const LookupStarter& start, const std::function<bool()>& abandon) {
    struct Completion {
        bool done = false;
        int error = 0;
    };
    auto completion = std::make_shared<Completion>();
    LookupHandle handle;
    try {
        handle = start([completion](int error) {
            completion->done = true;
            completion->error = error;
        });
    } catch (const std::system_error& e) {
        RaiseSockError(startTemplate, SockErrorFromErrno(e.code().value()));
    }

    const std::weak_ptr<int> alive = component.LifeToken();
    Arm(component);
    const unsigned timeOutsBefore = component.TimeOuts();
    {
        WaitScope scope(waits_, [this] { requestDrain(); });
        while (!completion->done && !alive.expired() && component.TimeOuts() == timeOutsBefore &&
               !(abandon && abandon())) {
            if (loop_.quitting()) {
                // The program is ending: no answer will be waited for.
                component.setCountdown(0);
                break;
            }
            loop_.processOne();
        }
    }
    if (!alive.expired()) {
        Disarm(component);
    }
    if (!completion->done) {
        handle->cancel();
        return sockcode::kTimedOut;
    }
    return completion->error;
}

// ---- deferred notifications ----

void SocketLayer::Defer(std::weak_ptr<TSocketBase> socket, unsigned events) {
    deferred_.push_back({std::move(socket), events});
    if (waits_ == 0) {
        requestDrain();
    }
}

void SocketLayer::requestDrain() {
    if (drainPosted_ || deferred_.empty()) {
        return;
    }
    drainPosted_ = true;
    loop_.post([this, alive = std::weak_ptr<int>(life_)] {
        if (!alive.expired()) {
            drainOne();
        }
    });
}

void SocketLayer::drainOne() {
    drainPosted_ = false;
    if (waits_ > 0 || deferred_.empty()) {
        return;  // the end of the wait asks again
    }
    Deferred next = std::move(deferred_.front());
    deferred_.pop_front();
    if (auto socket = next.socket.lock()) {
        socket->DeliverDeferred(next.events);
    }
    requestDrain();
}

// ---- time-out tick ----

void SocketLayer::Arm(TSockCtrl& component) {
    if (!component.WantsTimeOut()) {
        return;
    }
    component.setCountdown(component.TimeOut());
    component.clearTimedOut();
    if (!IsArmed(component)) {
        armed_.push_back(&component);
    }
    updateTimers();
}

void SocketLayer::Disarm(TSockCtrl& component) {
    const auto it = std::find(armed_.begin(), armed_.end(), &component);
    if (it != armed_.end()) {
        armed_.erase(it);
        updateTimers();
    }
}

bool SocketLayer::IsArmed(const TSockCtrl& component) const {
    return std::find(armed_.begin(), armed_.end(), &component) != armed_.end();
}

void SocketLayer::tick() {
    const std::vector<TSockCtrl*> armed = armed_;  // handlers arm and disarm
    for (TSockCtrl* component : armed) {
        if (!IsArmed(*component)) {
            continue;
        }
        component->setCountdown(component->Countdown() - 1);
        if (component->Countdown() > 0) {
            continue;
        }
        Disarm(*component);
        component->markTimedOut();
        Guarded([component] {
            auto socket = component->TimeOutSocket();
            if (socket) {
                socket->TimeOutNotification();
            } else {
                component->Raise(component->OnTimeOut, nullptr);
            }
        });
    }
    updateTimers();
}

// ---- paused sockets ----

void SocketLayer::WatchStalled(std::weak_ptr<TSocketBase> socket) {
    stalled_.push_back(std::move(socket));
    // A peer that sent more than fits and closed at once is seen on the next
    // turn, not a second later: until then it holds one of the server's places.
    if (!stallCheckPosted_) {
        stallCheckPosted_ = true;
        loop_.post([this, alive = std::weak_ptr<int>(life_)] {
            if (!alive.expired()) {
                stallCheckPosted_ = false;
                checkStalled();
            }
        });
    }
    updateTimers();
}

void SocketLayer::checkStalled() {
    std::vector<std::weak_ptr<TSocketBase>> stalled;
    stalled.swap(stalled_);
    for (auto& weak : stalled) {
        auto socket = weak.lock();
        if (socket && socket->CheckStalled()) {
            stalled_.push_back(std::move(weak));
        }
    }
    updateTimers();
}

// The tick keeps its own phase while anything is armed, so a time-out of N
// seconds expires N-1 to N seconds after arming; it stops when nothing is.
void SocketLayer::updateTimers() {
    if (!armed_.empty() && !tick_) {
        tick_ = std::make_unique<Timer>(loop_, kTickMs, false);
        tick_->OnTimer = [this] { tick(); };
    }
    if (tick_) {
        tick_->setEnabled(!armed_.empty());
    }
    if (!stalled_.empty() && !stallCheck_) {
        stallCheck_ = std::make_unique<Timer>(loop_, kTickMs, false);
        stallCheck_->OnTimer = [this] { checkStalled(); };
    }
    if (stallCheck_) {
        stallCheck_->setEnabled(!stalled_.empty());
    }
}

void SocketLayer::ComponentDestroyed(TSockCtrl& component) {
    Disarm(component);
    if (--components_ <= 0) {
        components_ = 0;
        deferred_.clear();
        stalled_.clear();
        updateTimers();
    }
}

}  // namespace pontavi
