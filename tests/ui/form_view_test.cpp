#include "ui/form_view.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "app/form1.h"
#include "fakes/fake_clipboard.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_dialup.h"
#include "fakes/fake_help.h"
#include "fakes/fake_notifier.h"
#include "fakes/fake_process_starter.h"
#include "fakes/fake_resolver.h"
#include "fakes/fake_shell.h"
#include "fakes/fake_sound_player.h"
#include "fakes/fake_system_clock.h"
#include "platform/linux/xdg_paths.h"
#include "ui/main_window.h"
#include "ui/qt_event_loop.h"
#include "ui/tray.h"

namespace pontavi {

namespace {

// The real window and view over the real core, on fakes of the platform.
struct Program {
    QTemporaryDir home;
    QtEventLoop loop;
    MainWindow window;
    FakeDialogs dialogs;
    XdgPaths paths{[this](const std::string& name) -> std::optional<std::string> {
        if (name == "PONTAVI_HOME") {
            return home.path().toStdString();
        }
        return std::nullopt;
    }};
    FakeClipboard clipboard;
    FakeShell shell;
    FakeResolver resolver{loop};
    FakeDialUp dialUp;
    FakeHelp help;
    FakeProcessStarter processes;
    FakeSystemClock clock{loop};
    FakeSoundPlayer sound;
    FakeNotifier notifier;
    TForm1 form{FormServices{loop, dialogs, paths, clipboard, shell, resolver, dialUp, help, window,
                             processes, clock, sound, notifier, 0}};
    FormView view{window, form};
    Tray tray{form.TrayIcon1, form.PopupMenu1()};

    Program() { form.FormCreate(); }
    ~Program() { form.SessionEnd(); }

    template <typename W>
    W* widget(const char* name) const {
        return window.findChild<W*>(QString::fromLatin1(name));
    }
    void clickTray() { emit tray.icon()->activated(QSystemTrayIcon::Trigger); }
    bool showAndFocus(QWidget* w) {
        if (!window.isVisible()) {
            clickTray();
        }
        if (!QTest::qWaitForWindowExposed(&window)) {
            return false;
        }
        window.activateWindow();
        w->setFocus();
        return QTest::qWaitFor([w] { return w->hasFocus(); });
    }
};

QStringList groupTitles(const QWidget* page) {
    QStringList titles;
    for (const auto* box : page->findChildren<QGroupBox*>()) {
        titles << box->title();
    }
    return titles;
}

}  // namespace

class FormViewTest : public QObject {
    Q_OBJECT

  private slots:
    void ninePagesInOrder() {
        Program p;
        QTabWidget* tabs = p.window.pages();
        const QStringList captions = {"Requests",     "Options",    "Messages",
                                      "Online Timer", "DNS Lookup", "Edit Idents",
                                      "Auto-Launch",  "Net Time",   "URL"};
        const QStringList names = {"RequestsPage", "OptionsPage", "MailPage",
                                   "TimerPage",    "DNSPage",     "IdentsPage",
                                   "LaunchPage",   "TimePage",    "URLPage"};
        QCOMPARE(tabs->count(), 9);
        for (int i = 0; i < 9; ++i) {
            QCOMPARE(tabs->tabText(i), captions[i]);
            QCOMPARE(tabs->widget(i)->objectName(), names[i]);
        }
        QCOMPARE(p.window.windowTitle(), QStringLiteral("Pontavi!"));
    }

    void captionsGroupsHintsAndHelp() {
        Program p;
        QTabWidget* tabs = p.window.pages();
        auto* cb1 = p.widget<QCheckBox>("CB1");
        QCOMPARE(cb1->text(), QStringLiteral("&Use The First Ident Only"));
        QCOMPARE(
            cb1->toolTip(),
            QStringLiteral("When activated, only the first ident in the list will be replied."));
        QVERIFY(p.widget<QLineEdit>("Edit1")->toolTip().startsWith(QStringLiteral("If you enter")));
        QCOMPARE(groupTitles(tabs->widget(RequestsPage)), QStringList{" Next Ident "});
        QCOMPARE(groupTitles(tabs->widget(TimerPage)),
                 (QStringList{"Time used this session", "Total time spent on the 'Net"}));
        QCOMPARE(groupTitles(tabs->widget(DNSPage)),
                 (QStringList{" Host Name or IP Address to convert", " Lookup Result "}));
        QCOMPARE(p.widget<QCheckBox>("OnTop")->text(),
                 QStringLiteral("Always stay on top of other applications"));
        QVERIFY(p.widget<QLineEdit>("DNSResult")->isReadOnly());
        QCOMPARE(p.widget<QListView>("Memo1")->editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(!p.widget<QLineEdit>("CopyIPEdit"));           // the hidden box has no widget
        QVERIFY(!p.widget<QWidget>("BitBtn2")->isEnabled());   // no mail check at start
        QVERIFY(!p.widget<QWidget>("Button11")->isEnabled());  // nothing selected to copy
        // Every control with a help context says what it does.
        QVERIFY(!p.widget<QWidget>("SpinEdit1")->whatsThis().isEmpty());
        QVERIFY(!p.widget<QWidget>("UrlLB")->whatsThis().isEmpty());
    }

    void trayMenuItemsAndCaptions() {
        Program p;
        const auto actions = p.tray.menu()->actions();
        QStringList texts;
        for (const auto* a : actions) {
            texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
        }
        QCOMPARE(texts, (QStringList{"&Help", "&About", "-", "&Options", "&Check Mail Now",
                                     "Co&nnect && Check Mail", "&Use The First Ident Only", "-",
                                     "&Exit"}));
        QVERIFY(!actions[4]->isEnabled());  // Check Mail Now, not connected
        QVERIFY(actions[6]->isChecked());   // the first ident only, by default
        QCOMPARE(p.tray.icon()->toolTip(), QStringLiteral("Pontavi! - Not Connected"));
        QVERIFY(p.tray.icon()->isVisible() ||
                !QSystemTrayIcon::isSystemTrayAvailable());  // Active, where a tray exists
    }

    void firstTrayClickShowsRequestsAtDefaultPlace() {
        Program p;
        QVERIFY(!p.window.isVisible());
        p.clickTray();
        QVERIFY(p.window.isVisible());
        QCOMPARE(p.window.pos(), QPoint(200, 100));
        QCOMPARE(p.window.pages()->currentIndex(), int{RequestsPage});
        p.clickTray();
        QVERIFY(!p.window.isVisible());
    }

    void escHidesFromAnyControl() {
        Program p;
        auto* memo = p.widget<QPlainTextEdit>("IdentMemo");
        p.window.pages()->setCurrentIndex(IdentsPage);
        QVERIFY(p.showAndFocus(memo));
        QTest::keyClick(memo, Qt::Key_Escape);
        QVERIFY(!p.window.isVisible());
        QVERIFY(!p.form.Visible());
    }

    void f1HidesAndOpensThePagesTopic() {
        Program p;
        auto* host = p.widget<QLineEdit>("DNSEdit");
        p.clickTray();
        p.window.pages()->setCurrentIndex(DNSPage);
        QVERIFY(p.showAndFocus(host));
        QTest::keyClick(host, Qt::Key_F1);
        QVERIFY(!p.window.isVisible());
        QCOMPARE(p.help.opened, std::vector<std::string>{"DNSPage"});
    }

    void closeBoxHidesSavesAndKeepsTheProgram() {
        Program p;
        p.clickTray();
        QVERIFY(p.window.isVisible());
        QVERIFY(!p.window.close());
        QVERIFY(!p.window.isVisible());
        QVERIFY(!p.loop.quitting());
        QVERIFY(QFile::exists(p.home.filePath(QStringLiteral("registry.ini"))));
        p.clickTray();  // and it comes back
        QVERIFY(p.window.isVisible());
    }

    void editedIdentsReachNextIdentOnRequestsPage() {
        Program p;
        p.clickTray();
        p.window.pages()->setCurrentIndex(IdentsPage);
        auto* memo = p.widget<QPlainTextEdit>("IdentMemo");
        memo->setPlainText(QStringLiteral("alice\nbob"));  // as typing does
        p.window.pages()->setCurrentIndex(RequestsPage);
        QCOMPARE(p.widget<QLineEdit>("Edit1")->text(), QStringLiteral("alice"));
    }

    void dnsPageTakesTheFocusToTheHostBox() {
        Program p;
        p.clickTray();
        QVERIFY(QTest::qWaitForWindowExposed(&p.window));
        p.window.activateWindow();
        p.window.pages()->setCurrentIndex(DNSPage);
        QTRY_VERIFY(p.widget<QLineEdit>("DNSEdit")->hasFocus());
    }

    void urlCapturedFromClipboardShowsAtTop() {
        Program p;
        p.clipboard.copyFromElsewhere("see http://host/page now");
        auto* list = p.widget<QListView>("UrlLB");
        QCOMPARE(list->model()->rowCount(), 1);
        QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("http://host/page"));
        list->selectionModel()->select(list->model()->index(0, 0), QItemSelectionModel::Select);
        QVERIFY(p.widget<QWidget>("Button11")->isEnabled());  // Copy, through UrlLBClick
        const auto popup = p.view.urlPopup()->actions();
        QCOMPARE(popup.size(), 3);
        QCOMPARE(popup[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
        QCOMPARE(popup[2]->shortcut(), QKeySequence(Qt::Key_Delete));
        QVERIFY(popup[2]->isEnabled());
    }
};

}  // namespace pontavi

QTEST_MAIN(pontavi::FormViewTest)
#include "form_view_test.moc"
