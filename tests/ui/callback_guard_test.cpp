#include "ui/callback_guard.h"

#include <QListView>
#include <QPushButton>
#include <QTest>

#include <stdexcept>
#include <string>
#include <vector>

#include "controls/button.h"
#include "controls/list_box.h"
#include "ui/binders/button_binder.h"
#include "ui/binders/control_binder.h"
#include "ui/binders/list_rearranger.h"
#include "ui/qt_event_loop.h"

namespace pontavi {

class CallbackGuardTest : public QObject {
    Q_OBJECT

  private slots:
    void reportsTheFailureAndGoesOn() {
        std::vector<std::string> reported;
        const CallbackGuard guard([&](const std::string& m) { reported.push_back(m); });
        bool after = false;
        guard([] { throw std::runtime_error("Cannot create file /x/URL.lst"); });
        guard([&] { after = true; });
        QCOMPARE(reported, (std::vector<std::string>{"Cannot create file /x/URL.lst"}));
        QVERIFY(after);
    }

    void withoutAReportTheFailurePropagates() {
        const CallbackGuard guard;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 guard([] { throw std::runtime_error("boom"); }));
    }

    // Each place Qt calls into the core reports through the guard it was given.
    void everyCallerUsesItsGuard() {
        std::vector<std::string> reported;
        const CallbackGuard guard([&](const std::string& m) { reported.push_back(m); });
        Button button("Button1", "&Add");
        button.OnClick = [] { throw std::runtime_error("from a button"); };
        QPushButton widget;
        ButtonBinder binder(button, &widget, guard);
        widget.click();

        ListBox list("TimeLB");
        list.setItems({"a", "b"});
        list.setItemIndex(1);
        Button up("Button7", "Move Up");
        Button down("Button8", "Move Down");
        up.OnClick = [] { throw std::runtime_error("from a move"); };
        QListView view;
        ListRearranger rearranger(&view, list, up, down, guard);
        QTest::keyClick(&view, Qt::Key_Up, Qt::ControlModifier);

        QtEventLoop loop(guard);
        loop.post([] { throw std::runtime_error("from the loop"); });
        loop.post([&] { loop.quit(); });
        loop.run();

        QCOMPARE(reported,
                 (std::vector<std::string>{"from a button", "from a move", "from the loop"}));
    }
};

}  // namespace pontavi

QTEST_MAIN(pontavi::CallbackGuardTest)
#include "callback_guard_test.moc"
