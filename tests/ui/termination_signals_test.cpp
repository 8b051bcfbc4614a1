#include "ui/termination_signals.h"

#include <QTest>

#include <csignal>
#include <vector>

#include "ui/qt_event_loop.h"

namespace pontavi {

class TerminationSignalsTest : public QObject {
    Q_OBJECT

  private slots:
    void signalsArriveAsLoopEvents() {
        QtEventLoop loop;
        std::vector<int> seen;
        TerminationSignals signalWatch(loop, [&](int signal) {
            seen.push_back(signal);
            if (seen.size() == 2) {
                loop.quit();
            }
        });
        ::raise(SIGHUP);
        ::raise(SIGTERM);
        QVERIFY(seen.empty());  // nothing ran inside the handler
        loop.addTimer(5000, [&] { loop.quit(); });
        loop.run();
        QCOMPARE(seen, (std::vector<int>{SIGHUP, SIGTERM}));
    }

    void previousHandlerComesBack() {
        QtEventLoop loop;
        struct sigaction before = {};
        ::sigaction(SIGINT, nullptr, &before);
        {
            TerminationSignals signalWatch(loop, [](int) {});
        }
        struct sigaction after = {};
        ::sigaction(SIGINT, nullptr, &after);
        QVERIFY(before.sa_handler == after.sa_handler);
    }
};

}  // namespace pontavi

QTEST_GUILESS_MAIN(pontavi::TerminationSignalsTest)
#include "termination_signals_test.moc"
