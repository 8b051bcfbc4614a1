#include <gtest/gtest.h>

#include "controls/bracketed_dialogs.h"
#include "controls/check_box.h"
#include "controls/list_box.h"
#include "controls/memo.h"
#include "controls/string_grid.h"
#include "controls/tray_icon.h"
#include "fakes/fake_dialogs.h"

namespace pontavi {
namespace {

TEST(CheckBoxModel, SettingFromCodeRunsHandlerOnlyOnChange) {
    CheckBox box("CB1", "&Use The First Ident Only");
    int clicks = 0;
    box.OnClick = [&] { ++clicks; };
    box.setChecked(false);
    EXPECT_EQ(clicks, 0);
    box.setChecked(true);
    box.setChecked(true);
    EXPECT_EQ(clicks, 1);
    box.setChecked(false);
    EXPECT_EQ(clicks, 2);
}

TEST(TrayIconModel, TipKeepsFirst62Characters) {
    TrayIcon tray("TrayIcon1");
    tray.setToolTip(std::string(70, 'x'));
    EXPECT_EQ(tray.ToolTip().size(), 62u);
}

TEST(MemoModel, UserEditSplitsLinesAndMarksModified) {
    Memo memo("IdentMemo");
    memo.setLines({"a"});
    EXPECT_FALSE(memo.Modified());
    memo.userEdit("x\r\ny\nz\r\r\n");
    EXPECT_EQ(memo.Lines(), (std::vector<std::string>{"x", "y", "z", ""}));
    EXPECT_TRUE(memo.Modified());
}

TEST(ListBoxModel, InsertRemoveKeepSelectionAndCurrentRowInStep) {
    ListBox list("UrlLB", true);
    std::vector<ListBox::RowsChange::Kind> changes;
    list.OnRowsChanged = [&](const ListBox::RowsChange& c) { changes.push_back(c.kind); };
    list.add("b");
    list.insert(0, "a");
    list.add("c");
    list.setSelected(2, true);
    list.setItemIndex(1);
    list.remove(0);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"b", "c"}));
    EXPECT_TRUE(list.Selected(1));
    EXPECT_FALSE(list.Selected(0));
    EXPECT_EQ(list.ItemIndex(), 0);
    EXPECT_EQ(list.SelCount(), 1u);
    list.clearSelection();
    EXPECT_EQ(list.SelCount(), 0u);
    EXPECT_EQ(changes.front(), ListBox::RowsChange::kInserted);
    EXPECT_EQ(changes.back(), ListBox::RowsChange::kSelectionCleared);
}

TEST(BracketedDialogsTest, WindowStepsBackWhileABoxIsOpen) {
    FakeDialogs fake;
    TopMost topMost("TopMost1");
    CheckBox onTop("OnTop", "Always stay on top of other applications");
    onTop.OnClick = [&] { topMost.setTopMost(onTop.Checked()); };
    BracketedDialogs dialogs(fake, topMost, onTop);

    onTop.setChecked(true);
    bool topMostWhileOpen = true;
    fake.whileOpen = [&] { topMostWhileOpen = topMost.IsTopMost(); };
    dialogs.ShowMessage("hello");
    EXPECT_FALSE(topMostWhileOpen);
    EXPECT_TRUE(topMost.IsTopMost());

    onTop.setChecked(false);
    fake.inputAnswers.push_back("x");
    EXPECT_EQ(dialogs.InputQuery("c", "p", ""), "x");
    EXPECT_FALSE(topMost.IsTopMost());
}

// The errors report returns at once: the window keeps its place on top (the
// view puts the report above it), nothing to step back from and return to.
TEST(BracketedDialogsTest, TheModelessErrorsReportLeavesTheWindowOnTop) {
    FakeDialogs fake;
    TopMost topMost("TopMost1");
    CheckBox onTop("OnTop", "Always stay on top of other applications");
    onTop.OnClick = [&] { topMost.setTopMost(onTop.Checked()); };
    BracketedDialogs dialogs(fake, topMost, onTop);
    onTop.setChecked(true);
    std::vector<bool> topMostSeen;
    topMost.OnStateChanged = [&] { topMostSeen.push_back(topMost.IsTopMost()); };
    bool topMostWhileShown = false;
    fake.whileOpen = [&] { topMostWhileShown = topMost.IsTopMost(); };
    Memo errors("ErrorBox");
    Memo servers("ServerBox");
    errors.setLines({"Connection Timed Out"});
    servers.setLines({"Home"});
    dialogs.ShowErrorsReport(errors, servers);
    ASSERT_EQ(fake.errorReports.size(), 1u);
    EXPECT_EQ(fake.errorReports[0].errors, (std::vector<std::string>{"Connection Timed Out"}));
    EXPECT_TRUE(topMostWhileShown);
    EXPECT_TRUE(topMost.IsTopMost());
    EXPECT_TRUE(topMostSeen.empty());
}

}  // namespace
}  // namespace pontavi

namespace pontavi {
namespace {

TEST(MemoModel, LogKeepsNewestLinesAndCountsAppends) {
    Memo log("Memo1");
    log.setMaxLines(4);
    const auto revision = log.Revision();
    for (int i = 0; i < 5; ++i) {
        log.addLine(std::to_string(i));
    }
    EXPECT_EQ(log.Lines().size(), 5u);  // within the quarter of slack
    log.addLine("5");
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"2", "3", "4", "5"}));
    EXPECT_EQ(log.Appended(), 6u);
    EXPECT_EQ(log.Revision(), revision);
    log.clear();
    EXPECT_NE(log.Revision(), revision);
}

// Fault caught: cycles run without a view (the probe) piling up changes, and
// rows dropped and grown again losing their mark or keeping stale ones.
TEST(StringGridModel, ChangesListEachLiveRowOnceAndNeverOutgrowTheGrid) {
    StringGrid grid("StringGrid1", 3, 2);
    grid.TakeChanges();
    for (int cycle = 0; cycle < 3; ++cycle) {
        grid.setRowCount(0);
        grid.setRowCount(4);
        for (const int row : {1, 2, 3, 2}) {
            grid.setCell(0, row, "c" + std::to_string(cycle));
            grid.setCell(1, row, "r" + std::to_string(row));
        }
    }
    grid.setRowCount(3);
    const GridChanges changes = grid.TakeChanges();
    EXPECT_EQ(changes.keptRows, 0);
    EXPECT_EQ(changes.rows, (std::vector<int>{1, 2}));
    grid.setCell(1, 2, "r2");  // unchanged text: no change
    grid.setCell(2, 1, "Box");
    EXPECT_EQ(grid.TakeChanges().rows, (std::vector<int>{1}));
    EXPECT_EQ(grid.TakeChanges().keptRows, 3);
}

}  // namespace
}  // namespace pontavi
