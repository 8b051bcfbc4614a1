#include <QApplication>
#include <QTest>
#include <QTimer>

#include "ui/program_end.h"
#include "ui/qt_dialogs.h"
#include "ui/qt_event_loop.h"

namespace pontavi {

// Ending leaves every Qt event loop for good: a program of its own.
class ProgramEndReportTest : public QObject {
    Q_OBJECT

  private slots:
    // The errors report is left open (it has no loop of its own): a signal
    // still ends the session and the program's loop; nothing waits for it.
    void anOpenErrorsReportDoesNotHoldTheEnd() {
        QWidget window;
        QtDialogs dialogs(&window);
        Memo errors{"ErrorBox"};
        Memo servers{"ServerBox"};
        errors.setLines({"Connection Timed Out"});
        servers.setLines({"Home"});
        QtEventLoop loop;
        int ends = 0;
        bool reportOpenAtEnd = false;
        ProgramEnd end(loop, [&] {
            ++ends;
            reportOpenAtEnd = dialogs.errorsReport()->isVisible();
        });
        loop.post([&] {
            dialogs.ShowErrorsReport(errors, servers);
            QTimer::singleShot(0, [&] { end.request(); });
        });
        loop.run();  // returns once the end was requested
        QCOMPARE(ends, 1);
        QVERIFY(reportOpenAtEnd);
        QVERIFY(end.requested());
        QVERIFY(loop.quitting());
    }
};

}  // namespace pontavi

QTEST_MAIN(pontavi::ProgramEndReportTest)
#include "program_end_report_test.moc"
