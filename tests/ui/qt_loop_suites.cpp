// The event-loop contract and the loop-dependent socket-layer tests over
// QtEventLoop, the loop the program runs (GoogleTest, offscreen).
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <memory>

#include "net/sock_error.h"
#include "net/socket_loop_suite.h"
#include "platform/event_loop_conformance.h"
#include "ui/qt_event_loop.h"

namespace pontavi {
namespace {

struct QtLoop {
    static std::unique_ptr<EventLoop> make(CallbackGuard::Report report) {
        return std::make_unique<QtEventLoop>(CallbackGuard(std::move(report)));
    }
};

INSTANTIATE_TYPED_TEST_SUITE_P(QtEventLoop, EventLoopConformance, QtLoop);
INSTANTIATE_TYPED_TEST_SUITE_P(QtEventLoop, SocketLoopSuite, QtLoop);

using QtSocketQuit = SocketLoopSuite<QtLoop>;

// After quit() the layer ignores readiness; a box shown at exit runs Qt's own
// nested loop, which must not spin on a socket nobody will read.
TEST_F(QtSocketQuit, ReadinessIgnoredAfterQuitIsNoLongerWatched) {
    LineServer s(*this);
    UniqueFd peer = connectRaw(s.port);
    ASSERT_TRUE(runUntil([&] { return s.conns.size() == 1; }));
    loop.quit();
    sendRaw(peer, "6191, 23\r\n");
    int wakeUps = 0;
    QObject counter;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake,
                     &counter, [&] { ++wakeUps; });
    QEventLoop box;
    QTimer::singleShot(200, &box, &QEventLoop::quit);
    box.exec();
    EXPECT_LT(wakeUps, 50);
    EXPECT_TRUE(s.lines.empty());
}

}  // namespace
}  // namespace pontavi

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
