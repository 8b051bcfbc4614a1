#include "ui/mail_settings_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <functional>

#include "fakes/fake_dialogs.h"
#include "mail/mail_form.h"
#include "ui/qt_dialogs.h"

namespace pontavi {

namespace {

void whenModal(std::function<void(QWidget*)> answer) {
    QTimer::singleShot(0, [answer = std::move(answer)] {
        QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
        answer(QApplication::activeModalWidget());
    });
}

}  // namespace

class MailSettingsDialogTest : public QObject {
    Q_OBJECT

  private slots:
    // The real dialog over its model: the fields show the first entry, typing
    // and switching reach the records, OK applies and closes with OK.
    void editSwitchAndOk() {
        std::vector<std::string> names{"Home", "Work"};
        std::vector<MailServerRecord> records{{"Home", "pop.home", "ann", "pw1"},
                                              {"Work", "pop.work", "bob", "pw2"}};
        int mailInterval = 5;
        bool autoRun = false, playWav = false, notify = true;
        std::string program, wav, entry = "No Auto-Connect", chosenProgram, chosenWav;
        int dialInterval = 60;
        const std::vector<std::string> ras{"ISP"};
        FakeDialogs prompts;
        TMailForm form({names, records, mailInterval, autoRun, program, playWav, wav, notify, entry,
                        dialInterval, chosenProgram, chosenWav, ras},
                       {prompts,
                        {},
                        {},
                        {},
                        [](const std::string&) { return false; },
                        [](const std::string&) { return false; }});
        QtDialogs dialogs;
        whenModal([&](QWidget* w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("Mail Settings"));
            auto* server = w->findChild<QLineEdit*>(QStringLiteral("MailServer"));
            auto* password = w->findChild<QLineEdit*>(QStringLiteral("Password"));
            auto* selector = w->findChild<QComboBox*>(QStringLiteral("ComboBox1"));
            auto* rasCombo = w->findChild<QComboBox*>(QStringLiteral("RasEntriesCombo"));
            QVERIFY(server && password && selector && rasCombo);
            QCOMPARE(server->text(), QStringLiteral("pop.home"));
            QCOMPARE(password->echoMode(), QLineEdit::Password);
            QCOMPARE(selector->count(), 2);
            QCOMPARE(rasCombo->itemText(1), QStringLiteral("No Auto-Connect"));
            QCOMPARE(rasCombo->currentIndex(), 1);
            QStringList groups;
            for (auto* g : w->findChildren<QGroupBox*>()) {
                groups << g->title();
            }
            QCOMPARE(groups,
                     (QStringList{"Mail Server Address", "Mail UserName", "Mail Password"}));
            // Up/Down, the wheel and typing in the selector keep the edits
            // and the Security choice in their entry, as the list does.
            auto* security = w->findChild<QComboBox*>(QStringLiteral("Security"));
            QApplication::setKeyboardInputInterval(1);
            const std::function<void(int)> switches[] = {
                [&](int to) { QTest::keyClick(selector, to == 1 ? Qt::Key_Down : Qt::Key_Up); },
                [&](int to) {
                    QWheelEvent wheel({5, 5}, selector->mapToGlobal(QPointF(5, 5)), {},
                                      {0, to == 1 ? -120 : 120}, Qt::NoButton, Qt::NoModifier,
                                      Qt::NoScrollPhase, false);
                    QApplication::sendEvent(selector, &wheel);
                },
                [&](int to) {
                    QTest::qWait(5);  // a search of its own, not "WH"
                    QTest::keyClicks(selector, to == 1 ? "W" : "H");
                },
            };
            int n = 0;
            for (const auto& switchTo : switches) {
                const QString typed = QStringLiteral("pop.%1").arg(++n);
                server->selectAll();
                QTest::keyClicks(server, typed);
                emit security->activated(1);
                switchTo(1);
                QCOMPARE(server->text(), QStringLiteral("pop.work"));
                QCOMPARE(security->currentIndex(), 0);
                switchTo(0);
                QCOMPARE(server->text(), typed);
                QCOMPARE(security->currentIndex(), 1);
            }
            server->selectAll();
            QTest::keyClicks(server, "pop.changed");
            selector->setCurrentIndex(1);
            emit selector->activated(1);
            auto* ok = w->findChild<QPushButton*>(QStringLiteral("BitBtn2"));
            QCOMPARE(ok->text(), QStringLiteral("&Ok"));
            QVERIFY(ok->isDefault());
            ok->click();
        });
        QCOMPARE(dialogs.ShowModal(form), ModalResult::Ok);
        QCOMPARE(QString::fromStdString(records[0].Server), QStringLiteral("pop.changed"));
        QCOMPARE(QString::fromStdString(records[1].Server), QStringLiteral("pop.work"));
    }

    void escapeIsCancel() {
        std::vector<std::string> names;
        std::vector<MailServerRecord> records;
        int mailInterval = 5, dialInterval = 60;
        bool autoRun = false, playWav = false, notify = true;
        std::string program, wav, entry = "No Auto-Connect", chosenProgram, chosenWav;
        const std::vector<std::string> ras;
        FakeDialogs prompts;
        TMailForm form({names, records, mailInterval, autoRun, program, playWav, wav, notify, entry,
                        dialInterval, chosenProgram, chosenWav, ras},
                       {prompts,
                        {},
                        {},
                        {},
                        [](const std::string&) { return false; },
                        [](const std::string&) { return false; }});
        QtDialogs dialogs;
        whenModal([&](QWidget* w) {
            auto* server = w->findChild<QLineEdit*>(QStringLiteral("MailServer"));
            QVERIFY(!server->isEnabled());
            QTest::keyClick(w, Qt::Key_Escape);
        });
        QCOMPARE(dialogs.ShowModal(form), ModalResult::Cancel);
    }
};

}  // namespace pontavi

QTEST_MAIN(pontavi::MailSettingsDialogTest)
#include "mail_settings_dialog_test.moc"
