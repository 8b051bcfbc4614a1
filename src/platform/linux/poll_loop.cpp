#include "platform/linux/poll_loop.h"

#include <poll.h>
#include <sys/eventfd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <exception>
#include <iostream>
#include <stdexcept>
#include <system_error>

namespace pontavi {

namespace {

Millis monotonicMillis() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// While a resolver thread works under a virtual clock, wait for its post in
// real time, but in slices, so a stuck worker cannot hang a test forever.
constexpr int kExternalWorkSliceMs = 100;
constexpr int kSettleMs = 1;

}  // namespace

PollLoop::PollLoop(ClockKind clock, Report report)
    : clock_(clock), report_(std::move(report)), wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (!wakeFd_) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
    if (clock_ == ClockKind::Virtual) {
        virtualNow_ = 0;
    }
}

PollLoop::~PollLoop() = default;

void PollLoop::guarded(const std::function<void()>& callback) noexcept {
    std::string message;
    try {
        callback();
        return;
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "Unknown error";
    }
    try {
        if (report_) {
            report_(message);
        } else {
            std::cerr << message << '\n';
        }
    } catch (...) {
        // The report itself failed; there is nowhere left to send it.
    }
}

Millis PollLoop::now() const {
    return clock_ == ClockKind::Virtual ? virtualNow_ : monotonicMillis();
}

EventLoop::TimerId PollLoop::addTimer(Millis intervalMs, Callback callback) {
    const TimerId id = nextId_++;
    intervalMs = std::max<Millis>(intervalMs, 1);
    timers_.emplace(id, TimerEntry{intervalMs, now() + intervalMs, std::move(callback)});
    return id;
}

void PollLoop::removeTimer(TimerId id) {
    timers_.erase(id);
}

EventLoop::WatchId PollLoop::addWatch(int fd, unsigned events,
                                      std::function<void(unsigned)> callback) {
    const WatchId id = nextId_++;
    watches_.emplace(id, WatchEntry{fd, events, std::move(callback)});
    return id;
}

void PollLoop::setWatchEvents(WatchId id, unsigned events) {
    if (auto it = watches_.find(id); it != watches_.end()) {
        it->second.events = events;
    }
}

void PollLoop::removeWatch(WatchId id) {
    watches_.erase(id);
}

void PollLoop::post(Callback callback) {
    {
        std::lock_guard lock(postedMutex_);
        posted_.push_back(std::move(callback));
    }
    const std::uint64_t one = 1;
    // A full eventfd counter still leaves it readable, so a failed write is harmless.
    [[maybe_unused]] auto n = ::write(wakeFd_.get(), &one, sizeof one);
}

void PollLoop::endExternalWork() {
    --external_;
    post([] {});  // wake a loop that waits for this work in real time
}

bool PollLoop::hasPosted() {
    std::lock_guard lock(postedMutex_);
    return !posted_.empty();
}

int PollLoop::pollTimeout() {
    if (hasPosted() || quit_) {
        return 0;
    }
    if (timers_.empty()) {
        return clock_ == ClockKind::Virtual && external_ > 0 ? kExternalWorkSliceMs : -1;
    }
    Millis nextDue = timers_.begin()->second.due;
    for (const auto& [id, t] : timers_) {
        nextDue = std::min(nextDue, t.due);
    }
    const Millis wait = std::max<Millis>(0, nextDue - now());
    if (clock_ == ClockKind::Virtual) {
        return external_ > 0 ? kExternalWorkSliceMs : (wait == 0 ? 0 : -2);
    }
    return static_cast<int>(std::min<Millis>(wait, 1 << 30));
}

void PollLoop::processOne() {
    if (quit_) {
        return;
    }
    std::vector<pollfd> fds;
    std::vector<WatchId> ids;
    fds.reserve(watches_.size() + 1);
    ids.reserve(watches_.size());
    fds.push_back({wakeFd_.get(), POLLIN, 0});
    for (const auto& [id, w] : watches_) {
        short ev = 0;
        if (w.events & kReadable) {
            ev |= POLLIN;
        }
        if (w.events & kWritable) {
            ev |= POLLOUT;
        }
        if (ev != 0) {
            fds.push_back({w.fd, ev, 0});
            ids.push_back(id);
        }
    }

    int timeout = pollTimeout();
    const bool mayJump = timeout == -2;
    // Before jumping, give in-flight loopback traffic a moment to land (only
    // when descriptors are watched), so virtual time never overtakes a peer.
    const int realWait = mayJump ? (ids.empty() ? 0 : kSettleMs) : timeout;
    int n = ::poll(fds.data(), fds.size(), realWait);
    if (n < 0 && errno != EINTR) {
        throw std::system_error(errno, std::generic_category(), "poll");
    }
    if (n == 0 && mayJump) {
        // Nothing is ready: jump virtual time to the first due timer.
        Millis nextDue = timers_.begin()->second.due;
        for (const auto& [id, t] : timers_) {
            nextDue = std::min(nextDue, t.due);
        }
        virtualNow_ = std::max(virtualNow_, nextDue);
    }

    if (n > 0) {
        if (fds[0].revents != 0) {
            drainWakeup();
        }
        std::vector<unsigned> ready(ids.size(), 0);
        for (std::size_t i = 0; i < ids.size(); ++i) {
            const short re = fds[i + 1].revents;
            if (re & (POLLIN | POLLERR | POLLHUP | POLLNVAL)) {
                ready[i] |= kReadable;
            }
            if (re & (POLLOUT | POLLERR | POLLHUP | POLLNVAL)) {
                ready[i] |= kWritable;
            }
        }
        dispatchReady(ids, ready);
    }
    runDueTimers();
    runPosted();
}

void PollLoop::dispatchReady(const std::vector<WatchId>& ids, const std::vector<unsigned>& ready) {
    for (std::size_t i = 0; i < ids.size(); ++i) {
        // Earlier callbacks may have removed or changed this watch.
        auto it = watches_.find(ids[i]);
        if (it == watches_.end()) {
            continue;
        }
        const unsigned wanted = ready[i] & it->second.events;
        if (wanted != 0) {
            // A copy: the callback may end its own watch.
            auto callback = it->second.callback;
            guarded([&] { callback(wanted); });
        }
    }
}

void PollLoop::runDueTimers() {
    const Millis t = now();
    std::vector<std::pair<Millis, TimerId>> due;
    for (const auto& [id, timer] : timers_) {
        if (timer.due <= t) {
            due.emplace_back(timer.due, id);
        }
    }
    std::sort(due.begin(), due.end());
    for (const auto& [when, id] : due) {
        auto it = timers_.find(id);
        if (it == timers_.end()) {
            continue;
        }
        // Keep the timer's own phase; ticks missed while busy are dropped.
        while (it->second.due <= t) {
            it->second.due += it->second.interval;
        }
        auto callback = it->second.callback;
        guarded(callback);
    }
}

bool PollLoop::takePosted(Callback& callback) {
    std::lock_guard lock(postedMutex_);
    if (posted_.empty()) {
        return false;
    }
    callback = std::move(posted_.front());
    posted_.pop_front();
    return true;
}

// The posts waiting now, one at a time from the shared queue: a nested wait
// inside one of them runs the next ones, still in order, and posts made during
// the turn wait for the next one.
void PollLoop::runPosted() {
    std::size_t count = 0;
    {
        std::lock_guard lock(postedMutex_);
        count = posted_.size();
    }
    Callback callback;
    while (count-- > 0 && takePosted(callback)) {
        guarded(callback);
    }
}

void PollLoop::drainWakeup() {
    std::uint64_t count = 0;
    [[maybe_unused]] auto n = ::read(wakeFd_.get(), &count, sizeof count);
}

void PollLoop::run() {
    quit_ = false;
    while (!quit_) {
        processOne();
    }
}

void PollLoop::runFor(Millis duration) {
    bool elapsed = false;
    const TimerId id = addTimer(duration, [&elapsed] { elapsed = true; });
    while (!elapsed && !quit_) {
        processOne();
    }
    removeTimer(id);
}

bool PollLoop::runUntil(const std::function<bool()>& done, Millis limit) {
    bool elapsed = false;
    const TimerId id = addTimer(limit, [&elapsed] { elapsed = true; });
    while (!done() && !elapsed && !quit_) {
        processOne();
    }
    removeTimer(id);
    return done();
}

}  // namespace pontavi
