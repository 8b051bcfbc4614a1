#include "ui/qt_dialogs.h"

#include "ui/errors_report_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace pontavi {

namespace {

// Runs `answer` on the modal dialog once it is up (the box runs its own loop).
void whenModal(std::function<void(QWidget*)> answer) {
    QTimer::singleShot(0, [answer = std::move(answer)] {
        QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
        answer(QApplication::activeModalWidget());
    });
}

QStringList labels(QWidget* w) {
    QStringList texts;
    for (auto* label : w->findChildren<QLabel*>()) {
        texts << label->text();
    }
    return texts;
}

}  // namespace

class QtDialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void filterPairsBecomeQtFilters() {
        QCOMPARE(QtDialogs::qtFilter("Programs|*.exe;*.com;*.bat"),
                 QStringLiteral("Programs (*.exe *.com *.bat);;All files (*)"));
        QCOMPARE(QtDialogs::qtFilter("Sound File|*.wav|Other|*.au"),
                 QStringLiteral("Sound File (*.wav);;Other (*.au);;All files (*)"));
        QCOMPARE(QtDialogs::qtFilter(""), QStringLiteral("All files (*)"));
        // The one program chooser: programs first, Windows names on request.
        QCOMPARE(
            QtDialogs::qtFilter(kProgramChooserFilter),
            QStringLiteral("Programs (*);;Windows programs (*.exe *.com *.bat);;All files (*)"));
    }

    void messageBoxShowsTextWithOk() {
        QtDialogs dialogs;
        QString shown;
        whenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box != nullptr);
            shown = box->text();
            QCOMPARE(box->windowTitle(), QStringLiteral("Pontavi!"));
            box->button(QMessageBox::Ok)->click();
        });
        dialogs.ShowMessage("Unable to connect to any Time Servers");
        QCOMPARE(shown, QStringLiteral("Unable to connect to any Time Servers"));
    }

    void inputQueryAnswersAndCancels() {
        QtDialogs dialogs;
        whenModal([](QWidget* w) {
            auto* box = qobject_cast<QInputDialog*>(w);
            QVERIFY(box != nullptr);
            QCOMPARE(box->windowTitle(), QStringLiteral("Find URL"));
            QCOMPARE(box->labelText(), QStringLiteral("Please type a part of the text to find"));
            QCOMPARE(box->textValue(), QStringLiteral("host"));
            box->setTextValue(QStringLiteral("example"));
            box->accept();
        });
        QCOMPARE(dialogs.InputQuery("Find URL", "Please type a part of the text to find", "host"),
                 std::optional<std::string>("example"));
        whenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
        QCOMPARE(dialogs.InputQuery("Add a URL", "Please type a URL", ""), std::nullopt);
    }

    // The report is modeless: the call returns at once, without a loop of
    // its own, and leaves the window up for the user to read.
    void errorsReportShowsBothBoxesAndReturnsAtOnce() {
        Memo errors{"ErrorBox"};
        Memo servers{"ServerBox"};
        errors.setLines({"Connection Timed Out", "[AUTH] Bad password"});
        servers.setLines({"Home", "Work"});
        QtDialogs dialogs;
        QVERIFY(dialogs.errorsReport() == nullptr);
        bool otherEventsServed = false;
        QTimer::singleShot(0, [&] { otherEventsServed = true; });
        dialogs.ShowErrorsReport(errors, servers);
        QVERIFY(!otherEventsServed);  // a nested loop would have run the timer
        ErrorsReportDialog* w = dialogs.errorsReport();
        QVERIFY(w != nullptr);
        QVERIFY(w->isVisible());
        QVERIFY(!w->isModal());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QCOMPARE(w->windowTitle(), QStringLiteral("Mail Errors Report"));
        const QStringList texts = labels(w);
        QVERIFY(texts.contains(QStringLiteral(
            "We got the following error when trying to connect to your mail server(s) :")));
        QVERIFY(texts.contains(QStringLiteral("Error :")));
        QVERIFY(texts.contains(QStringLiteral("Mail Server :")));
        QStringList boxTexts;
        for (auto* box : w->findChildren<QPlainTextEdit*>()) {
            boxTexts << box->toPlainText();
            QVERIFY(box->isReadOnly());
            QCOMPARE(box->lineWrapMode(), QPlainTextEdit::NoWrap);
            // A click into a box leaves the keyboard on "&Ok".
            QCOMPARE(box->focusPolicy(), Qt::NoFocus);
        }
        QCOMPARE(boxTexts, (QStringList{QStringLiteral("Connection Timed Out\n[AUTH] Bad password"),
                                        QStringLiteral("Home\nWork")}));
        QCOMPARE(w->okButton()->text(), QStringLiteral("&Ok"));
        QTRY_VERIFY(otherEventsServed);  // the program's loop goes on meanwhile
    }

    // A later report while one is open is added to that window, newest last:
    // one window at most. Every way of closing only hides it; the next starts afresh.
    void aLaterReportReusesTheOneWindow() {
        QtDialogs dialogs;
        Memo errors{"ErrorBox"};
        Memo servers{"ServerBox"};
        errors.setLines({"Connection Timed Out"});
        servers.setLines({"Home"});
        dialogs.ShowErrorsReport(errors, servers);
        ErrorsReportDialog* first = dialogs.errorsReport();
        QVERIFY(first != nullptr && first->isVisible());

        errors.setLines({"[AUTH] Bad password", "Connection Refused"});
        servers.setLines({"Work", "Other"});
        dialogs.ShowErrorsReport(errors, servers);
        QCOMPARE(dialogs.errorsReport(), first);
        QVERIFY(first->isVisible());
        QCOMPARE(first->errorBox()->toPlainText(),
                 QStringLiteral("Connection Timed Out\n[AUTH] Bad password\nConnection Refused"));
        QCOMPARE(first->serverBox()->toPlainText(), QStringLiteral("Home\nWork\nOther"));
        int reports = 0;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            reports += qobject_cast<ErrorsReportDialog*>(top) != nullptr ? 1 : 0;
        }
        QCOMPARE(reports, 1);

        const std::function<void(ErrorsReportDialog*)> closings[] = {
            [](ErrorsReportDialog* w) { w->okButton()->click(); },
            [](ErrorsReportDialog* w) { QTest::keyClick(w, Qt::Key_Escape); },
            [](ErrorsReportDialog* w) { w->close(); },
        };
        for (const auto& closeIt : closings) {
            closeIt(first);
            QVERIFY(!first->isVisible());
            QCOMPARE(dialogs.errorsReport(), first);  // hidden, kept for the next report
            dialogs.ShowErrorsReport(errors, servers);
            QVERIFY(first->isVisible());
            QCOMPARE(first->serverBox()->toPlainText(), QStringLiteral("Work\nOther"));
        }
        // Bounded: the oldest rows go.
        errors.setLines(std::vector<std::string>(ErrorsReportDialog::kMaxRows, "Old"));
        dialogs.ShowErrorsReport(errors, servers);
        QCOMPARE(first->errorBox()->blockCount(), ErrorsReportDialog::kMaxRows);
        QVERIFY(!first->errorBox()->toPlainText().contains(QStringLiteral("Refused")));
    }

    // A main window kept on top must not hide the report.
    void theReportStaysAboveAWindowKeptOnTop() {
        QWidget window;
        window.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        window.show();
        QtDialogs dialogs(&window);
        Memo errors{"ErrorBox"};
        Memo servers{"ServerBox"};
        errors.setLines({"Connection Timed Out"});
        servers.setLines({"Home"});
        dialogs.ShowErrorsReport(errors, servers);
        QVERIFY(dialogs.errorsReport()->isVisible());
        QVERIFY(dialogs.errorsReport()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

        window.setWindowFlag(Qt::WindowStaysOnTopHint, false);
        dialogs.ShowErrorsReport(errors, servers);
        QVERIFY(dialogs.errorsReport()->isVisible());
        QVERIFY(!dialogs.errorsReport()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }

    void aboutBoxNamesProgramAndVersion() {
        QtDialogs dialogs;
        QStringList texts;
        QString button;
        whenModal([&](QWidget* w) {
            texts = labels(w);
            auto* buttons = w->findChild<QDialogButtonBox*>();
            button = buttons->buttons().first()->text();
            buttons->buttons().first()->click();
        });
        dialogs.About();
        QVERIFY(texts.contains(QStringLiteral("Pontavi!")));
        QVERIFY(texts.contains(QStringLiteral("Version 1.5 Final")));
        QCOMPARE(button, QStringLiteral("OK"));
    }
};

}  // namespace pontavi

QTEST_MAIN(pontavi::QtDialogsTest)
#include "qt_dialogs_test.moc"
