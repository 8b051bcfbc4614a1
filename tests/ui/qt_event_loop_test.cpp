#include "ui/qt_event_loop.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTest>

#include <atomic>
#include <thread>
#include <vector>

#include "base/unique_fd.h"
#include "platform/timer.h"

namespace pontavi {

// Runs loop turns until done() or about five seconds have passed.
static bool turnUntil(QtEventLoop& loop, const std::function<bool()>& done) {
    const Millis limit = loop.now() + 5000;
    const auto guard = loop.addTimer(50, [] {});  // keeps processOne from waiting forever
    while (!done() && loop.now() < limit) {
        loop.processOne();
    }
    loop.removeTimer(guard);
    return done();
}

class QtEventLoopTest : public QObject {
    Q_OBJECT

  private slots:
    void repeatingTimerFiresUntilRemoved() {
        QtEventLoop loop;
        int ticks = 0;
        EventLoop::TimerId id = 0;
        id = loop.addTimer(5, [&] {
            if (++ticks == 3) {
                loop.removeTimer(id);  // from inside its own callback
            }
        });
        QVERIFY(turnUntil(loop, [&] { return ticks == 3; }));
        QCOMPARE(loop.timerCount(), std::size_t{0});
        QTest::qWait(30);
        QCOMPARE(ticks, 3);
    }

    void componentTimerRunsOnTheLoop() {
        QtEventLoop loop;
        Timer timer(loop, 10);
        int ticks = 0;
        timer.OnTimer = [&] {
            ++ticks;
            timer.setEnabled(false);
        };
        QVERIFY(turnUntil(loop, [&] { return ticks == 1; }));
        QTest::qWait(40);
        QCOMPARE(ticks, 1);
    }

    void clockAdvancesInMilliseconds() {
        QtEventLoop loop;
        const Millis start = loop.now();
        QTest::qWait(30);
        QVERIFY(loop.now() - start >= 25);
    }

    void postFromThreadsRunsOnLoopThreadInOrder() {
        QtEventLoop loop;
        std::vector<int> seen;
        std::atomic<bool> wrongThread{false};
        const auto loopThread = std::this_thread::get_id();
        std::thread worker([&] {
            for (int i = 0; i < 100; ++i) {
                loop.post([&, i] {
                    wrongThread = wrongThread || std::this_thread::get_id() != loopThread;
                    seen.push_back(i);
                });
            }
        });
        worker.join();
        QVERIFY(turnUntil(loop, [&] { return seen.size() == 100; }));
        QVERIFY(!wrongThread);
        for (int i = 0; i < 100; ++i) {
            QCOMPARE(seen[static_cast<std::size_t>(i)], i);
        }
    }

    void nestedProcessOneRunsLaterPosts() {
        QtEventLoop loop;
        bool inner = false;
        bool outerDone = false;
        loop.post([&] {
            loop.post([&] { inner = true; });
            outerDone = turnUntil(loop, [&] { return inner; });
        });
        QVERIFY(turnUntil(loop, [&] { return outerDone; }));
        QVERIFY(inner);
    }

    void watchReportsReadableAndWritable() {
        int fds[2];
        QCOMPARE(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, fds), 0);
        UniqueFd a(fds[0]);
        UniqueFd b(fds[1]);
        QtEventLoop loop;
        unsigned readyBits = 0;
        std::string got;
        IoWatch watch = loop.watch(a.get(), EventLoop::kWritable, [&](unsigned ready) {
            readyBits |= ready;
            if (ready & EventLoop::kReadable) {
                char buf[16];
                const auto n = ::read(a.get(), buf, sizeof buf);
                got.append(buf, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
            }
        });
        QVERIFY(turnUntil(loop, [&] { return (readyBits & EventLoop::kWritable) != 0; }));
        watch.setEvents(EventLoop::kReadable);
        readyBits = 0;
        QCOMPARE(::write(b.get(), "hi", 2), ssize_t{2});
        QVERIFY(turnUntil(loop, [&] { return got == "hi"; }));
        QCOMPARE(readyBits, unsigned{EventLoop::kReadable});
        watch.reset();
    }

    void hangUpReportsReadable() {
        int fds[2];
        QCOMPARE(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, fds), 0);
        UniqueFd a(fds[0]);
        UniqueFd b(fds[1]);
        QtEventLoop loop;
        bool sawEnd = false;
        IoWatch watch = loop.watch(a.get(), EventLoop::kReadable, [&](unsigned) {
            char c;
            sawEnd = ::read(a.get(), &c, 1) == 0;
        });
        b.reset();
        QVERIFY(turnUntil(loop, [&] { return sawEnd; }));
    }

    void unwatchInsideOwnCallbackThenClose() {
        int fds[2];
        QCOMPARE(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, fds), 0);
        UniqueFd a(fds[0]);
        UniqueFd b(fds[1]);
        QtEventLoop loop;
        int calls = 0;
        IoWatch watch;
        watch = loop.watch(a.get(), EventLoop::kReadable, [&](unsigned) {
            ++calls;
            watch.reset();
            a.reset();  // the owner closes right after unwatching
        });
        QCOMPARE(::write(b.get(), "x", 1), ssize_t{1});
        QVERIFY(turnUntil(loop, [&] { return calls == 1; }));
        QCOMPARE(loop.watchCount(), std::size_t{0});
        QTest::qWait(30);
        QCOMPARE(calls, 1);
    }

    void runEndsOnQuitFromCallback() {
        QtEventLoop loop;
        loop.addTimer(5, [&] { loop.quit(); });
        loop.run();
        QVERIFY(loop.quitting());
        loop.processOne();  // returns at once once quitting
    }
};

}  // namespace pontavi

QTEST_GUILESS_MAIN(pontavi::QtEventLoopTest)
#include "qt_event_loop_test.moc"
