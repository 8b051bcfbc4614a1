#include "ui/add_apps_dialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <string>
#include <vector>

#include "fakes/fake_dialogs.h"
#include "launch/add_apps_form.h"

namespace pontavi {

class AddAppsDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void typingKeepsTheRecordsRules() {
        FakeDialogs dialogs;
        TAddAppsForm form(dialogs);
        form.FormShow();
        AddAppsDialog dialog(form, nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Add To Auto-Launch"));
        auto* title = dialog.findChild<QLineEdit*>(QStringLiteral("Title"));
        auto* parameters = dialog.findChild<QLineEdit*>(QStringLiteral("Parameters"));
        QVERIFY(title && parameters);
        QTest::keyClicks(title, QStringLiteral("Wh?at ") + QString(30, QLatin1Char('x')));
        QCOMPARE(form.Title.Text(), "What " + std::string(25, 'x'));
        QTest::keyClicks(parameters, QStringLiteral("-a ?b"));
        QCOMPARE(form.Parameters.Text(), std::string("-a b"));
        auto* style = dialog.findChild<QComboBox*>(QStringLiteral("StyleCombo"));
        QCOMPARE(style->count(), 3);
        style->setCurrentIndex(2);
        emit style->activated(2);  // what a choice in the drop-down sends
        QCOMPARE(form.StyleCombo.ItemIndex(), 2);
    }

    void browseAndHelpReachTheForm() {
        FakeDialogs dialogs;
        dialogs.fileAnswers = {"/bin/sh"};
        TAddAppsForm form(dialogs);
        std::vector<std::string> topics;
        form.OnHelp = [&](const std::string& t) { topics.push_back(t); };
        AddAppsDialog dialog(form, nullptr);
        for (auto* b : dialog.findChildren<QPushButton*>()) {
            if (b->text() == QStringLiteral("&Browse")) {
                b->click();
            }
        }
        QCOMPARE(form.Executable.Text(), std::string("/bin/sh"));
        QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("Executable"))->text(),
                 QStringLiteral("/bin/sh"));
        QTest::keyClick(&dialog, Qt::Key_F1);
        QCOMPARE(topics, std::vector<std::string>{"LaunchPage_Add"});
    }
};

}  // namespace pontavi

QTEST_MAIN(pontavi::AddAppsDialogTest)
#include "add_apps_dialog_test.moc"
