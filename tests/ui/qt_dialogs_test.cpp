#include "ui/qt_dialogs.h"

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

    void errorsReportShowsBothBoxesAndClosesWithOk() {
        Memo errors{"ErrorBox"};
        Memo servers{"ServerBox"};
        errors.setLines({"Connection Timed Out", "[AUTH] Bad password"});
        servers.setLines({"Home", "Work"});
        QtDialogs dialogs;
        QString title;
        QStringList texts;
        QList<QPlainTextEdit*> boxes;
        QStringList boxTexts;
        whenModal([&](QWidget* w) {
            title = w->windowTitle();
            texts = labels(w);
            boxes = w->findChildren<QPlainTextEdit*>();
            for (auto* box : boxes) {
                boxTexts << box->toPlainText();
                QVERIFY(box->isReadOnly());
                QCOMPARE(box->lineWrapMode(), QPlainTextEdit::NoWrap);
                // A click into a box leaves the keyboard on "&Ok".
                QCOMPARE(box->focusPolicy(), Qt::NoFocus);
            }
            auto* ok = w->findChild<QPushButton*>();
            QCOMPARE(ok->text(), QStringLiteral("&Ok"));
            ok->click();
        });
        dialogs.ShowErrorsReport(errors, servers);
        QCOMPARE(title, QStringLiteral("Mail Errors Report"));
        QVERIFY(texts.contains(QStringLiteral(
            "We got the following error when trying to connect to your mail server(s) :")));
        QVERIFY(texts.contains(QStringLiteral("Error :")));
        QVERIFY(texts.contains(QStringLiteral("Mail Server :")));
        QCOMPARE(boxTexts, (QStringList{QStringLiteral("Connection Timed Out\n[AUTH] Bad password"),
                                        QStringLiteral("Home\nWork")}));
        QVERIFY(QApplication::activeModalWidget() == nullptr);
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
