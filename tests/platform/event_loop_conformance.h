#pragma once

// The event-loop contract of platform/event_loop.h as one typed test suite.
// Each implementation instantiates it with a maker type, given the report of
// exceptions escaping callbacks:
//   struct Maker {
//       static std::unique_ptr<EventLoop> make(std::function<void(const std::string&)> report);
//   };
//   INSTANTIATE_TYPED_TEST_SUITE_P(Name, EventLoopConformance, Maker);

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/unique_fd.h"
#include "platform/event_loop.h"

namespace pontavi {

template <typename Maker>
class EventLoopConformance : public ::testing::Test {
  protected:
    EventLoopConformance()
        : loop_(Maker::make([this](const std::string& message) { errors.push_back(message); })),
          eventLoop(*loop_) {}

    // Loop turns until done() or `limit` ms on the loop's clock; a short
    // guard timer keeps processOne from blocking for good.
    bool turnUntil(const std::function<bool()>& done, Millis limit = 5000) {
        const Millis end = eventLoop.now() + limit;
        const auto guard = eventLoop.addTimer(10, [] {});
        while (!done() && eventLoop.now() < end && !eventLoop.quitting()) {
            eventLoop.processOne();
        }
        eventLoop.removeTimer(guard);
        return done();
    }

    static void socketPair(UniqueFd& a, UniqueFd& b) {
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds), 0);
        a = UniqueFd(fds[0]);
        b = UniqueFd(fds[1]);
    }

    std::unique_ptr<EventLoop> loop_;
    EventLoop& eventLoop;
    std::vector<std::string> errors;
};

TYPED_TEST_SUITE_P(EventLoopConformance);

TYPED_TEST_P(EventLoopConformance, TimerRepeatsUntilRemovedFromItsOwnCallback) {
    auto& loop = this->eventLoop;
    int ticks = 0;
    EventLoop::TimerId id = 0;
    id = loop.addTimer(5, [&] {
        if (++ticks == 3) {
            loop.removeTimer(id);
        }
    });
    ASSERT_TRUE(this->turnUntil([&] { return ticks == 3; }));
    this->turnUntil([] { return false; }, 40);
    EXPECT_EQ(ticks, 3);
}

// The monitor's tick waits for a lookup inside its own handler; the tick must
// keep running during that wait.
TYPED_TEST_P(EventLoopConformance, TimerFiresAgainDuringANestedWaitInItsOwnCallback) {
    auto& loop = this->eventLoop;
    int ticks = 0;
    int ticksSeenInsideTheWait = 0;
    bool waiting = false;
    const auto id = loop.addTimer(10, [&] {
        ++ticks;
        if (waiting) {
            return;
        }
        waiting = true;
        const int before = ticks;
        this->turnUntil([&] { return ticks >= before + 3; }, 3000);
        ticksSeenInsideTheWait = ticks - before;
        waiting = false;
    });
    ASSERT_TRUE(this->turnUntil([&] { return ticksSeenInsideTheWait > 0; }));
    EXPECT_GE(ticksSeenInsideTheWait, 3);
    loop.removeTimer(id);
}

TYPED_TEST_P(EventLoopConformance, PostsRunInOrderFromAnyThread) {
    auto& loop = this->eventLoop;
    std::vector<int> seen;
    const auto loopThread = std::this_thread::get_id();
    bool wrongThread = false;
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i) {
            loop.post([&, i] {
                wrongThread = wrongThread || std::this_thread::get_id() != loopThread;
                seen.push_back(i);
            });
        }
    });
    worker.join();
    loop.post([&] { seen.push_back(100); });
    ASSERT_TRUE(this->turnUntil([&] { return seen.size() == 101; }));
    EXPECT_FALSE(wrongThread);
    for (int i = 0; i <= 100; ++i) {
        EXPECT_EQ(seen[static_cast<std::size_t>(i)], i);
    }
}

TYPED_TEST_P(EventLoopConformance, ANestedWaitRunsPostsMadeBeforeAndDuringIt) {
    auto& loop = this->eventLoop;
    std::vector<std::string> order;
    bool outerDone = false;
    loop.post([&] {
        order.push_back("outer");
        loop.post([&] { order.push_back("inner"); });
        outerDone = this->turnUntil([&] { return order.size() == 3; });
    });
    loop.post([&] { order.push_back("second"); });
    ASSERT_TRUE(this->turnUntil([&] { return outerDone; }));
    EXPECT_EQ(order, (std::vector<std::string>{"outer", "second", "inner"}));
}

// An exception must not drop the rest of the batch: one of the later posts
// may be the socket layer's drain request.
TYPED_TEST_P(EventLoopConformance, AnExceptionFromAPostIsReportedAndTheBatchGoesOn) {
    auto& loop = this->eventLoop;
    std::vector<int> ran;
    loop.post([&] { ran.push_back(1); });
    loop.post([] { throw std::runtime_error("Error 10054 (Connection reset by peer) recieving"); });
    loop.post([&] { ran.push_back(3); });
    ASSERT_TRUE(this->turnUntil([&] { return ran.size() == 2; }));
    EXPECT_EQ(ran, (std::vector<int>{1, 3}));
    EXPECT_EQ(this->errors,
              (std::vector<std::string>{"Error 10054 (Connection reset by peer) recieving"}));
}

TYPED_TEST_P(EventLoopConformance, ExceptionsFromTimersAndWatchesAreReported) {
    auto& loop = this->eventLoop;
    UniqueFd a, b;
    this->socketPair(a, b);
    int timerRuns = 0;
    const auto id = loop.addTimer(5, [&] {
        ++timerRuns;
        throw std::runtime_error("tick");
    });
    IoWatch watch = loop.watch(a.get(), EventLoop::kWritable, [&](unsigned) {
        watch.setEvents(0);
        throw std::runtime_error("watch");
    });
    ASSERT_TRUE(this->turnUntil([&] { return timerRuns >= 2 && this->errors.size() >= 3; }));
    loop.removeTimer(id);
    EXPECT_EQ(std::count(this->errors.begin(), this->errors.end(), "watch"), 1);
    EXPECT_GE(std::count(this->errors.begin(), this->errors.end(), "tick"), 2);
}

TYPED_TEST_P(EventLoopConformance, WatchesAreLevelTriggered) {
    auto& loop = this->eventLoop;
    UniqueFd a, b;
    this->socketPair(a, b);
    ASSERT_EQ(::write(b.get(), "x", 1), 1);
    int reports = 0;
    unsigned lastReady = 0;
    IoWatch watch = loop.watch(a.get(), EventLoop::kReadable, [&](unsigned ready) {
        ++reports;
        lastReady = ready;  // nothing is read: the byte stays waiting
    });
    ASSERT_TRUE(this->turnUntil([&] { return reports >= 3; }));
    EXPECT_EQ(lastReady, unsigned{EventLoop::kReadable});

    watch.setEvents(0);
    const int before = reports;
    this->turnUntil([] { return false; }, 50);
    EXPECT_EQ(reports, before);

    // Both kinds, in one report or in two.
    unsigned seen = 0;
    watch = loop.watch(a.get(), EventLoop::kReadable | EventLoop::kWritable,
                       [&](unsigned ready) { seen |= ready; });
    EXPECT_TRUE(
        this->turnUntil([&] { return seen == (EventLoop::kReadable | EventLoop::kWritable); }));
}

TYPED_TEST_P(EventLoopConformance, AHangUpReportsReadable) {
    auto& loop = this->eventLoop;
    UniqueFd a, b;
    this->socketPair(a, b);
    bool sawEnd = false;
    IoWatch watch = loop.watch(a.get(), EventLoop::kReadable, [&](unsigned ready) {
        char c;
        sawEnd = (ready & EventLoop::kReadable) && ::read(a.get(), &c, 1) == 0;
        if (sawEnd) {
            watch.reset();
        }
    });
    b.reset();
    ASSERT_TRUE(this->turnUntil([&] { return sawEnd; }));
    EXPECT_FALSE(watch.active());
}

TYPED_TEST_P(EventLoopConformance, AWatchEndsWithItsHandleEvenInsideItsCallback) {
    auto& loop = this->eventLoop;
    UniqueFd a, b;
    this->socketPair(a, b);
    ASSERT_EQ(::write(b.get(), "x", 1), 1);
    int calls = 0;
    IoWatch watch;
    watch = loop.watch(a.get(), EventLoop::kReadable, [&](unsigned) {
        ++calls;
        watch = IoWatch();  // the owner drops the watch,
        a.reset();          // then closes the descriptor
    });
    ASSERT_TRUE(this->turnUntil([&] { return calls == 1; }));
    {
        // A handle going out of scope ends its watch as well.
        IoWatch scoped = loop.watch(b.get(), EventLoop::kWritable, [&](unsigned) { ++calls; });
    }
    this->turnUntil([] { return false; }, 50);
    EXPECT_EQ(calls, 1);
}

// quit() inside a nested wait ends the wait (it checks quitting()) and then
// run(); processOne() handles nothing any more.
TYPED_TEST_P(EventLoopConformance, QuitInsideANestedWaitEndsTheWaitAndRun) {
    auto& loop = this->eventLoop;
    bool waitEnded = false;
    bool ranAfterQuit = false;
    loop.post([&] {
        loop.addTimer(10, [&] { loop.quit(); });
        while (!loop.quitting()) {
            loop.processOne();
        }
        waitEnded = true;
        loop.post([&] { ranAfterQuit = true; });
        loop.processOne();  // returns at once
    });
    loop.run();
    EXPECT_TRUE(waitEnded);
    EXPECT_TRUE(loop.quitting());
    EXPECT_FALSE(ranAfterQuit);
}

REGISTER_TYPED_TEST_SUITE_P(EventLoopConformance, TimerRepeatsUntilRemovedFromItsOwnCallback,
                            TimerFiresAgainDuringANestedWaitInItsOwnCallback,
                            PostsRunInOrderFromAnyThread, ANestedWaitRunsPostsMadeBeforeAndDuringIt,
                            AnExceptionFromAPostIsReportedAndTheBatchGoesOn,
                            ExceptionsFromTimersAndWatchesAreReported, WatchesAreLevelTriggered,
                            AHangUpReportsReadable, AWatchEndsWithItsHandleEvenInsideItsCallback,
                            QuitInsideANestedWaitEndsTheWaitAndRun);

}  // namespace pontavi
