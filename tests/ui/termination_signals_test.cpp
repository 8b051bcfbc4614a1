#include "ui/termination_signals.h"

#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <vector>

#include "ui/qt_event_loop.h"

namespace pontavi {

class TerminationSignalsTest : public QObject {
    Q_OBJECT

  private slots:
    void theFirstSignalArrivesAsALoopEvent() {
        QtEventLoop loop;
        std::vector<int> seen;
        TerminationSignals signalWatch(loop, [&](int signal) {
            seen.push_back(signal);
            loop.quit();
        });
        ::raise(SIGHUP);
        QVERIFY(seen.empty());  // nothing ran inside the handler
        loop.addTimer(5000, [&] { loop.quit(); });
        loop.run();
        QCOMPARE(seen, (std::vector<int>{SIGHUP}));
    }

    // A second signal is never swallowed, whether or not the loop has handled
    // the first: it ends the process with the signal's default action.
    void aSecondSignalEndsTheProcess() {
        for (const int second : {SIGTERM, SIGINT, SIGHUP}) {
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                QtEventLoop loop;
                TerminationSignals signalWatch(loop, [](int) {});
                ::raise(SIGTERM);
                ::raise(second);
                ::_exit(0);  // reached only if the second signal was ignored
            }
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFSIGNALED(status));
            QCOMPARE(WTERMSIG(status), second);
        }
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
