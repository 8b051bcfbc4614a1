#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include "ui/binders/button_binder.h"
#include "ui/binders/check_box_binder.h"
#include "ui/binders/combo_box_binder.h"
#include "ui/binders/label_binder.h"
#include "ui/binders/log_binder.h"
#include "ui/binders/memo_binder.h"
#include "ui/binders/menu_item_binder.h"
#include "ui/binders/page_control_binder.h"
#include "ui/binders/spin_edit_binder.h"
#include "ui/binders/status_bar_binder.h"
#include "ui/binders/string_grid_binder.h"
#include "ui/binders/text_box_binder.h"
#include "ui/binders/top_most_binder.h"

namespace pontavi {

class BindersTest : public QObject {
    Q_OBJECT

  private slots:
    void checkBoxBothWaysWithoutEcho() {
        CheckBox model(ControlInfo{.name = "CB1",
                                   .caption = "&Use The First Ident Only",
                                   .help = 150,
                                   .hint = "When activated, only the first ident."});
        QCheckBox box;
        CheckBoxBinder binder(model, &box);
        int handlerRuns = 0;
        model.OnClick = [&] { ++handlerRuns; };
        QCOMPARE(box.text(), QStringLiteral("&Use The First Ident Only"));
        QCOMPARE(box.toolTip(), QStringLiteral("When activated, only the first ident."));
        QVERIFY(box.whatsThis().contains(QStringLiteral("first ident")));

        model.setChecked(true);  // from code: the widget follows
        QVERIFY(box.isChecked());
        QCOMPARE(handlerRuns, 1);

        box.click();  // the user: the model follows, its handler runs once
        QVERIFY(!model.Checked());
        QCOMPARE(handlerRuns, 2);

        model.setEnabled(false);
        QVERIFY(!box.isEnabled());
    }

    void checkBoxShowsWhatTheHandlerDecided() {
        CheckBox model("CB1", "x");
        QCheckBox box;
        CheckBoxBinder binder(model, &box);
        model.OnClick = [&] { model.setChecked(true); };  // a forced mode
        model.setChecked(true);
        box.click();
        QVERIFY(model.Checked());
        QVERIFY(box.isChecked());
    }

    void buttonClickRunsHandlerOnlyWhenEnabled() {
        Button model(ControlInfo{.name = "Resolve", .caption = "&Resolve", .help = 162});
        QPushButton button;
        ButtonBinder binder(model, &button);
        int clicks = 0;
        model.OnClick = [&] { ++clicks; };
        button.click();
        QCOMPARE(clicks, 1);
        model.setCaption("&Again");
        QCOMPARE(button.text(), QStringLiteral("&Again"));
        model.setEnabled(false);
        button.click();
        QCOMPARE(clicks, 1);
        QVERIFY(button.whatsThis().contains(QStringLiteral("Looks up")));
    }

    void textBoxTypingIsUserEditAndCodeSetsText() {
        TextBox model("Edit1");
        QLineEdit edit;
        TextBoxBinder binder(model, &edit);
        int changes = 0;
        model.OnChange = [&] { ++changes; };
        model.setText("alice");
        QCOMPARE(edit.text(), QStringLiteral("alice"));
        QVERIFY(!model.Modified());
        QTest::keyClicks(&edit, "x");
        QCOMPARE(model.Text(), std::string("alicex"));
        QVERIFY(model.Modified());
        QCOMPARE(changes, 2);
    }

    void textBoxSelectionAndFocusRequests() {
        QWidget window;
        auto* edit = new QLineEdit(&window);
        auto* other = new QLineEdit(&window);
        TextBox model("DNSEdit");
        TextBoxBinder binder(model, edit);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        other->setFocus();
        model.setText("example.org");
        model.selectAll();
        model.setFocus();
        QCOMPARE(model.FocusRequests(), 1);
        QTRY_VERIFY(edit->hasFocus());
        QCOMPARE(edit->selectedText(), QStringLiteral("example.org"));
    }

    void batchedTextBoxShowsTheLastChangeAfterTheTurnOrWhenShown() {
        TextBox model("Edit1");
        QWidget window;  // hidden at first, as the main window usually is
        auto* edit = new QLineEdit(&window);
        TextBoxBinder binder(model, edit);
        int afterActions = 0;
        binder.setAfterAction([&] { ++afterActions; });
        binder.batchSyncs();
        for (const char* ident : {"alice", "bob", "carol"}) {
            model.setText(ident);
        }
        QCOMPARE(edit->text(), QString());  // nothing until the turn ends
        QTRY_COMPARE(edit->text(), QStringLiteral("carol"));
        model.setText("dave");
        model.setEnabled(false);
        window.show();  // shown before the turn ends: up to date at once
        QCOMPARE(edit->text(), QStringLiteral("dave"));
        QVERIFY(!edit->isEnabled());
        model.setText("erin");
        binder.syncIfPending();  // as the view does after a user's action
        QCOMPARE(edit->text(), QStringLiteral("erin"));
        // Typing reaches the model at once, and the box keeps it.
        model.setEnabled(true);
        QTRY_VERIFY(edit->isEnabled());
        QTest::keyClicks(edit, "y");
        QCOMPARE(model.Text(), std::string("eriny"));
        QCOMPARE(afterActions, 1);
        QCoreApplication::processEvents();
        QCOMPARE(edit->text(), QStringLiteral("eriny"));
    }

    void readOnlyTextBoxStaysReadOnly() {
        TextBox model("DNSResult");
        QLineEdit edit;
        TextBoxBinder binder(model, &edit, true);
        QVERIFY(edit.isReadOnly());
    }

    static QStringList shown(const QListView& view) {
        QStringList rows;
        for (int i = 0; i < view.model()->rowCount(); ++i) {
            rows << view.model()->index(i, 0).data().toString();
        }
        return rows;
    }

    void logShowsAppendedLinesAfterTheTurn() {
        Memo model("Memo1");
        QListView view;
        LogBinder binder(model, &view);
        view.show();
        model.addLine("Ident Request From : 127.0.0.1");
        model.addLine("Reply: 1, 2 : USERID : UNIX : bob");
        model.addLine("");
        // Lines added in one turn show together after it.
        QCOMPARE(view.model()->rowCount(), 0);
        QTRY_COMPARE(shown(view), (QStringList{"Ident Request From : 127.0.0.1",
                                               "Reply: 1, 2 : USERID : UNIX : bob", ""}));
        model.setLines({"fresh"});
        QTRY_COMPARE(shown(view), QStringList{"fresh"});
        model.addLine("more");
        QTRY_COMPARE(shown(view), (QStringList{"fresh", "more"}));
        model.clear();
        QTRY_COMPARE(shown(view), QStringList{});
    }

    void hiddenLogCatchesUpWhenShown() {
        Memo model("Memo1");
        QWidget window;  // hidden, as the main window is most of the time
        auto* view = new QListView(&window);
        LogBinder binder(model, view);
        model.addLine("a");
        model.addLine("b");
        QTest::qWait(150);
        QCOMPARE(view->model()->rowCount(), 0);
        window.show();
        QTRY_COMPARE(shown(*view), (QStringList{"a", "b"}));
    }

    void logFollowsTheModelsLineLimit() {
        Memo model("Memo1");
        model.setMaxLines(4);  // trimmed past 4 + 1 lines
        QListView view;
        LogBinder binder(model, &view);
        view.show();
        for (int i = 0; i < 5; ++i) {
            model.addLine(std::to_string(i));
        }
        QTRY_COMPARE(shown(view), (QStringList{"0", "1", "2", "3", "4"}));
        model.addLine("5");
        model.addLine("6");
        QTRY_COMPARE(shown(view), (QStringList{"2", "3", "4", "5", "6"}));
    }

    void editorMemoTypingMarksModified() {
        Memo model("IdentMemo");
        QPlainTextEdit edit;
        MemoBinder binder(model, &edit);
        model.setLines({"alice", "bob"});
        QCOMPARE(edit.toPlainText(), QStringLiteral("alice\nbob"));
        QVERIFY(!model.Modified());
        edit.moveCursor(QTextCursor::End);
        QTest::keyClicks(&edit, "by");
        QCOMPARE(model.Lines(), (std::vector<std::string>{"alice", "bobby"}));
        QVERIFY(model.Modified());
        QCOMPARE(edit.textCursor().position(), edit.toPlainText().size());  // cursor untouched
    }

    void spinEditKeepsLimits() {
        SpinEdit model("SpinEdit1", 3, 1800, 5);
        QSpinBox spin;
        SpinEditBinder binder(model, &spin);
        QCOMPARE(spin.minimum(), 3);
        QCOMPARE(spin.maximum(), 1800);
        QCOMPARE(spin.value(), 5);
        int changes = 0;
        model.OnChange = [&] { ++changes; };
        spin.setValue(60);  // as the user's arrows do
        QCOMPARE(model.Value(), 60);
        model.setValue(9000);
        QCOMPARE(spin.value(), 1800);
        QCOMPARE(changes, 2);
    }

    void comboBoxChoiceByUser() {
        ComboBox model("StartSectionCombo", {"Requests", "Options", "Messages"});
        QComboBox combo;
        ComboBoxBinder binder(model, &combo);
        QCOMPARE(combo.count(), 3);
        QCOMPARE(combo.currentIndex(), -1);
        model.setItemIndex(2);
        QCOMPARE(combo.currentIndex(), 2);
        int changes = 0;
        model.OnChange = [&] { ++changes; };
        combo.setCurrentIndex(1);  // from code: not a user choice
        QCOMPARE(model.ItemIndex(), 2);
        emit combo.activated(1);
        QCOMPARE(model.ItemIndex(), 1);
        QCOMPARE(changes, 1);
    }

    void statusBarPanelsFollowModel() {
        StatusBar model(ControlInfo{.name = "MailStatus", .help = 143},
                        {{"Status: IDLE", 220}, {"Last Check: Never", 120}});
        QStatusBar bar;
        StatusBarBinder binder(model, &bar, 1.0);
        QCOMPARE(binder.panelLabel(0)->text(), QStringLiteral("Status: IDLE"));
        QCOMPARE(binder.panelLabel(0)->width(), 220);
        QCOMPARE(binder.panelLabel(1)->width(), 120);
        model.setPanelText(1, "Last Check: 10:00:00 PM");
        QCOMPARE(binder.panelLabel(1)->text(), QStringLiteral("Last Check: 10:00:00 PM"));
        // Not clipped: the panel is at least as wide as its text needs.
        QVERIFY(binder.panelLabel(1)->width() >= binder.panelLabel(1)->sizeHint().width());
        QCOMPARE(binder.panelLabel(0)->width(), 220);
    }

    void stringGridShowsEachTurnsRowsWhole() {
        StringGrid model("StringGrid1", 3, 2);
        model.setCell(0, 0, "From:");
        model.setCell(1, 0, "Subject:");
        model.TakeChanges();  // taken before the table existed: the first sync reads all
        QTableWidget table;
        StringGridBinder binder(model, &table);
        const auto cell = [&](int row, int col) {
            const QTableWidgetItem* item = table.item(row, col);
            return item != nullptr ? item->text() : QString();
        };
        QCOMPARE(table.horizontalHeaderItem(1)->text(), QStringLiteral("Subject:"));
        QCOMPARE(table.rowCount(), 1);
        // Rows filled in one turn reach the table after it, in order, each
        // cell with its last text.
        model.setRowCount(4);
        for (const int r : {1, 2, 3}) {
            model.setCell(0, r, "s" + std::to_string(r));
            model.setCell(2, r, "Box");
        }
        model.setCell(0, 2, "bob@example.org");
        QCOMPARE(table.rowCount(), 1);
        QTRY_COMPARE(table.rowCount(), 3);
        QCOMPARE(cell(0, 0), QStringLiteral("s1"));
        QCOMPARE(cell(1, 0), QStringLiteral("bob@example.org"));
        QCOMPARE(cell(2, 0), QStringLiteral("s3"));
        QCOMPARE(cell(2, 2), QStringLiteral("Box"));
        QCOMPARE(cell(1, 1), QString());
        // Emptied and grown again within one turn, as a new cycle does: no
        // row keeps what the last cycle showed.
        model.setRowCount(0);
        model.setRowCount(3);
        model.setCell(0, 0, "From:");
        model.setCell(1, 2, "Later");
        binder.syncIfPending();
        QCOMPARE(table.rowCount(), 2);
        QCOMPARE(cell(0, 0), QString());
        QCOMPARE(cell(0, 2), QString());
        QCOMPARE(cell(1, 1), QStringLiteral("Later"));
        QCOMPARE(table.horizontalHeaderItem(0)->text(), QStringLiteral("From:"));
        QCOMPARE(table.horizontalHeaderItem(1)->text(), QString());
        model.setRowCount(1);
        binder.syncIfPending();
        QCOMPARE(table.rowCount(), 0);
    }

    void labelShowsCaptionAsPlainText() {
        Label model("SessionTimePanel", "00:00:00");
        QLabel label;
        LabelBinder binder(model, &label);
        QCOMPARE(label.text(), QStringLiteral("00:00:00"));
        model.setCaption("<b>01:00:00</b>");
        QCOMPARE(label.textFormat(), Qt::PlainText);
        QCOMPARE(label.text(), QStringLiteral("<b>01:00:00</b>"));
    }

    void menuItemCheckMarkBelongsToModel() {
        MenuItem model("First1", "&Use The First Ident Only");
        QAction action;
        MenuItemBinder binder(model, &action);
        int clicks = 0;
        model.OnClick = [&] { ++clicks; };  // leaves the mark as it is
        model.setChecked(true);
        QVERIFY(action.isChecked());
        action.trigger();
        QCOMPARE(clicks, 1);
        QVERIFY(action.isChecked());
        model.setEnabled(false);
        QVERIFY(!action.isEnabled());

        MenuItem separator("N1", "-");
        QAction line;
        MenuItemBinder lineBinder(separator, &line);
        QVERIFY(line.isSeparator());
        QVERIFY(line.text().isEmpty());
    }

    void pageControlBothWays() {
        PageControl model("PageControl1", 3, 2);
        QTabWidget tabs;
        for (int i = 0; i < 3; ++i) {
            tabs.addTab(new QWidget, QString::number(i));
        }
        PageControlBinder binder(model, &tabs);
        QCOMPARE(tabs.currentIndex(), 2);
        int changes = 0;
        model.OnChange = [&] { ++changes; };
        tabs.setCurrentIndex(0);  // what a click on the tab does
        QCOMPARE(model.ActivePage(), 0);
        QCOMPARE(changes, 1);
        model.setActivePage(1);  // by code: shown, no handler
        QCOMPARE(tabs.currentIndex(), 1);
        QCOMPARE(changes, 1);
    }

    void topMostSetsStayOnTopHint() {
        TopMost model("TopMost1");
        QWidget window;
        TopMostBinder binder(model, &window);
        QVERIFY(!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        window.move(120, 80);
        window.show();
        model.setTopMost(true);
        QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(window.isVisible());
        model.setTopMost(false);
        QVERIFY(!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }

    void binderReleasesModelWhenDestroyed() {
        CheckBox model("OnTop", "x");
        {
            QCheckBox box;
            CheckBoxBinder binder(model, &box);
            QVERIFY(static_cast<bool>(model.OnStateChanged));
        }
        QVERIFY(!model.OnStateChanged);
        model.setChecked(true);  // no dangling view
    }
};

}  // namespace pontavi

QTEST_MAIN(pontavi::BindersTest)
#include "binders_test.moc"
