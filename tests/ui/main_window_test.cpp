#include "ui/main_window.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>

#include <vector>

namespace pontavi {

class MainWindowTest : public QObject {
    Q_OBJECT

  private:
    // A window with one page holding an edit box, shown and focused.
    struct Fixture {
        MainWindow window;
        QLineEdit* edit = nullptr;
        std::vector<int> keys;
        int closeRequests = 0;

        Fixture() {
            auto* page = new QWidget;
            auto* layout = new QVBoxLayout(page);
            edit = new QLineEdit;
            layout->addWidget(edit);
            window.pages()->addTab(page, QStringLiteral("Requests"));
            window.fitToPages();
            window.OnKeyUp = [this](int key) {
                keys.push_back(key);
                return true;
            };
            window.OnCloseRequest = [this] { ++closeRequests; };
        }
        bool showAndFocus() {
            window.ShowAt(200, 100);
            if (!QTest::qWaitForWindowExposed(&window)) {
                return false;
            }
            window.activateWindow();
            edit->setFocus();
            return QTest::qWaitFor([&] { return edit->hasFocus(); });
        }
    };

  private slots:
    void captionAndFrame() {
        MainWindow window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Pontavi!"));
        const auto flags = window.windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowContextHelpButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        window.fitToPages();
        QCOMPARE(window.minimumSize(), window.maximumSize());  // not resizable
        QVERIFY(window.width() >= 364 && window.height() >= 286);
    }

    void escAndF1ReachTheHandlerFromAnyControl() {
        Fixture f;
        QVERIFY(f.showAndFocus());
        QTest::keyClick(f.edit, Qt::Key_Escape);
        QTest::keyClick(f.edit, Qt::Key_F1);
        QCOMPARE(f.keys, (std::vector<int>{27, 112}));
        QTest::keyClick(f.edit, Qt::Key_A);
        QTest::keyClick(f.edit, Qt::Key_F1, Qt::ShiftModifier);  // What's This, not help
        QCOMPARE(f.keys.size(), std::size_t{2});
        QVERIFY(f.window.isVisible());  // Esc itself never closes the window
    }

    void keyReleasedWithoutItsPressIsIgnored() {
        Fixture f;
        QVERIFY(f.showAndFocus());
        QTest::keyRelease(f.edit, Qt::Key_Escape);
        QVERIFY(f.keys.empty());
    }

    void keysOfOtherWindowsAreNotTheWindows() {
        Fixture f;
        QVERIFY(f.showAndFocus());
        QLineEdit other;
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        QTest::keyClick(&other, Qt::Key_Escape);
        QVERIFY(f.keys.empty());
    }

    void closeBoxAsksAndIsRefused() {
        Fixture f;
        QVERIFY(f.showAndFocus());
        QVERIFY(!f.window.close());
        QCOMPARE(f.closeRequests, 1);
        QVERIFY(f.window.isVisible());
    }

    void hostShowsAtPlaceAndHides() {
        Fixture f;
        QVERIFY(!f.window.IsVisible());
        f.window.ShowAt(200, 100);
        QVERIFY(f.window.IsVisible());
        QCOMPARE(f.window.Left(), 200);
        QCOMPARE(f.window.Top(), 100);
        f.window.Hide();
        QVERIFY(!f.window.IsVisible());
        QVERIFY(!f.window.isVisible());
    }

    // Where no tray can hold the tray menu, the window carries it.
    void aMenuGoesOnTheWindowsMenuBar() {
        Fixture f;
        QVERIFY(f.window.findChild<QMenuBar*>() == nullptr);
        QMenu menu(QStringLiteral("&Pontavi"));
        QAction* exit = menu.addAction(QStringLiteral("&Exit"));
        int chosen = 0;
        connect(exit, &QAction::triggered, [&] { ++chosen; });
        f.window.addMenu(&menu);
        auto* bar = f.window.findChild<QMenuBar*>(QStringLiteral("WindowMenu"));
        QVERIFY(bar != nullptr);
        QCOMPARE(bar->actions().size(), 1);
        QCOMPARE(bar->actions()[0]->menu(), &menu);
        bar->actions()[0]->menu()->actions()[0]->trigger();
        QCOMPARE(chosen, 1);
    }

    void minimizedAsHiddenAndRestoreAsksToShow() {
        Fixture f;
        int showRequests = 0;
        f.window.OnShowRequest = [&] {
            ++showRequests;
            f.window.ShowAt(200, 100);
        };
        f.window.ShowAt(200, 100);
        f.window.Minimize();
        QVERIFY(!f.window.IsVisible());   // hidden as far as the core knows
        QVERIFY(f.window.isMinimized());  // but still on the taskbar
        f.window.showNormal();            // the user restores it
        QTRY_COMPARE(showRequests, 1);
        QVERIFY(f.window.IsVisible());
    }
};

}  // namespace pontavi

QTEST_MAIN(pontavi::MainWindowTest)
#include "main_window_test.moc"
