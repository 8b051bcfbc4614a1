#include "ui/program_end.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "ui/qt_event_loop.h"

namespace pontavi {

// Ending leaves every Qt event loop of the thread for good, so each case
// runs in a program of its own (this file) and in this order.
class ProgramEndTest : public QObject {
    Q_OBJECT

  private slots:
    // A signal arriving while a box waits for a person: the box closes, the
    // end runs once, the core's loop quits, and a box opened afterwards (a
    // failed save's message) returns at once instead of waiting.
    void anOpenBoxClosesAndNoLaterBoxWaits() {
        QtEventLoop loop;
        int ends = 0;
        qint64 laterBoxMs = -1;
        ProgramEnd end(loop, [&] {
            ++ends;
            QMessageBox later(QMessageBox::NoIcon, QStringLiteral("Pontavi!"),
                              QStringLiteral("a later box"));
            QElapsedTimer clock;
            clock.start();
            later.exec();
            laterBoxMs = clock.elapsed();
        });
        QTimer::singleShot(100, [&] {
            end.request();
            end.request();  // a second request does nothing
        });
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Pontavi!"),
                        QStringLiteral("waiting for a person"));
        QElapsedTimer clock;
        clock.start();
        box.exec();
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(ends, 1);
        QVERIFY(laterBoxMs >= 0 && laterBoxMs < 1000);  // returned at once
        QVERIFY(end.requested());
        QVERIFY(loop.quitting());
        loop.run();  // returns at once: nothing waits any more
    }

    // The session manager's quit is the session's end (Qt would otherwise
    // ask the windows, and the main window refuses every close).
    void theApplicationsQuitIsTheEnd() {
        QtEventLoop loop;
        int ends = 0;
        ProgramEnd end(loop, [&] { ++ends; });
        QEvent quit(QEvent::Quit);
        QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
        QCOMPARE(ends, 1);
        QVERIFY(end.requested());
    }
};

}  // namespace pontavi

QTEST_MAIN(pontavi::ProgramEndTest)
#include "program_end_test.moc"
