#include "platform/linux/poll_loop.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>
#include <vector>

#include "base/unique_fd.h"
#include "platform/timer.h"

namespace pontavi {
namespace {

TEST(PollLoopVirtualClock, JumpsToDueTimersInOrder) {
    PollLoop loop(PollLoop::ClockKind::Virtual);
    std::vector<std::pair<char, Millis>> fired;
    loop.addTimer(30'000, [&] { fired.emplace_back('a', loop.now()); });
    loop.addTimer(10'000, [&] { fired.emplace_back('b', loop.now()); });
    loop.runFor(30'000);
    ASSERT_EQ(fired.size(), 4u);
    EXPECT_EQ(fired[0], std::make_pair('b', Millis{10'000}));
    EXPECT_EQ(fired[1], std::make_pair('b', Millis{20'000}));
    // Equal due times fire in order of creation.
    EXPECT_EQ(fired[2], std::make_pair('a', Millis{30'000}));
    EXPECT_EQ(fired[3], std::make_pair('b', Millis{30'000}));
}

TEST(PollLoopVirtualClock, DoesNotJumpWhileDescriptorIsReady) {
    PollLoop loop(PollLoop::ClockKind::Virtual);
    int sv[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
    UniqueFd a(sv[0]), b(sv[1]);
    ASSERT_EQ(::write(b.get(), "x", 1), 1);
    Millis seenAt = -1;
    IoWatch watch = loop.watch(a.get(), EventLoop::kReadable, [&](unsigned ready) {
        EXPECT_EQ(ready, EventLoop::kReadable);
        char c;
        ASSERT_EQ(::read(a.get(), &c, 1), 1);
        seenAt = loop.now();
    });
    loop.addTimer(5000, [] {});
    loop.processOne();
    EXPECT_EQ(seenAt, 0);
    watch.reset();
}

TEST(PollLoopPost, RunsCallbacksFromOtherThreadsInOrder) {
    PollLoop loop;
    std::vector<int> got;
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i) {
            loop.post([&got, i] { got.push_back(i); });
        }
    });
    worker.join();
    EXPECT_TRUE(loop.runUntil([&] { return got.size() == 100; }, 5000));
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(got[i], i);
    }
}

TEST(PollLoopPost, ExternalWorkHoldsVirtualTime) {
    PollLoop loop(PollLoop::ClockKind::Virtual);
    bool timedOut = false;
    bool answered = false;
    loop.addTimer(1000, [&] { timedOut = !answered; });
    loop.beginExternalWork();
    std::thread worker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        loop.post([&] { answered = true; });
        loop.endExternalWork();
    });
    loop.runUntil([&] { return answered; }, 10'000);
    worker.join();
    EXPECT_TRUE(answered);
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(loop.now(), 0);
}

TEST(PollLoopQuit, RunReturnsAfterQuitFromCallback) {
    PollLoop loop(PollLoop::ClockKind::Virtual);
    int ticks = 0;
    loop.addTimer(100, [&] {
        if (++ticks == 3) {
            loop.quit();
        }
    });
    loop.run();
    EXPECT_EQ(ticks, 3);
    EXPECT_TRUE(loop.quitting());
}

TEST(TimerSemantics, EnablingStartsAFullInterval) {
    PollLoop loop(PollLoop::ClockKind::Virtual);
    Timer timer(loop, 1000, false);
    std::vector<Millis> fired;
    timer.OnTimer = [&] { fired.push_back(loop.now()); };
    loop.runFor(2500);
    EXPECT_TRUE(fired.empty());
    timer.setEnabled(true);
    loop.runFor(2000);
    EXPECT_EQ(fired, (std::vector<Millis>{3500, 4500}));
}

TEST(TimerSemantics, ChangingIntervalRestartsARunningTimer) {
    PollLoop loop(PollLoop::ClockKind::Virtual);
    Timer timer(loop, 1000);
    std::vector<Millis> fired;
    timer.OnTimer = [&] { fired.push_back(loop.now()); };
    loop.runFor(1500);
    timer.setInterval(3000);
    loop.runFor(3000);
    EXPECT_EQ(fired, (std::vector<Millis>{1000, 4500}));
}

TEST(TimerSemantics, SameIntervalOrStateChangesNothing) {
    PollLoop loop(PollLoop::ClockKind::Virtual);
    Timer timer(loop, 1000);
    std::vector<Millis> fired;
    timer.OnTimer = [&] { fired.push_back(loop.now()); };
    loop.runFor(600);
    timer.setInterval(1000);
    timer.setEnabled(true);
    loop.runFor(500);
    EXPECT_EQ(fired, (std::vector<Millis>{1000}));
}

TEST(TimerSemantics, HandlerMayDisableItsOwnTimer) {
    PollLoop loop(PollLoop::ClockKind::Virtual);
    Timer timer(loop, 100);
    int count = 0;
    timer.OnTimer = [&] {
        ++count;
        timer.setEnabled(false);
    };
    loop.runFor(1000);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(loop.timerCount(), 0u);
}

}  // namespace
}  // namespace pontavi
