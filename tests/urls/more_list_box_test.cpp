#include "urls/more_list_box.h"

#include <gtest/gtest.h>

namespace pontavi {
namespace {

TEST(MoreListBox, FindTextSearchesFromTheTopCaseSensitive) {
    TMoreListBox list;
    list.setItems({"http://a/x", "http://b/X", "http://c/x"});
    EXPECT_EQ(list.FindText("/x"), 0);
    EXPECT_EQ(list.FindText("/X"), 1);
    EXPECT_EQ(list.FindText("zzz"), -1);
}

TEST(MoreListBox, FindNextTextStartsAfterTheCurrentRowAndDoesNotWrap) {
    TMoreListBox list;
    list.setItems({"a1", "b", "a2", "c"});
    EXPECT_EQ(list.FindNextText("a"), 0);  // no current row: from the top
    list.setItemIndex(0);
    EXPECT_EQ(list.FindNextText("a"), 2);
    list.setItemIndex(2);
    EXPECT_EQ(list.FindNextText("a"), -1);
}

TEST(MoreListBox, ClearSelectionUnselectsEveryRow) {
    TMoreListBox list;
    list.setItems({"a", "b", "c"});
    list.setSelected(0, true);
    list.setSelected(2, true);
    list.ClearSelection();
    EXPECT_EQ(list.SelCount(), 0u);
}

TEST(MoreListBox, RowIndexFollowsEveryChange) {
    TMoreListBox list;
    list.setItems({"a", "b", "a"});
    EXPECT_TRUE(list.HasRow("a"));
    list.remove(0);
    EXPECT_TRUE(list.HasRow("a"));  // the second "a" is still there
    list.remove(1);
    EXPECT_FALSE(list.HasRow("a"));
    list.insert(0, "c");
    list.setItem(1, "d");
    EXPECT_TRUE(list.HasRow("c"));
    EXPECT_TRUE(list.HasRow("d"));
    EXPECT_FALSE(list.HasRow("b"));
    list.clear();
    EXPECT_FALSE(list.HasRow("c"));
}

TEST(MoreListBox, ChangesThroughTheBaseClassKeepTheIndex) {
    TMoreListBox list;
    ListBox& base = list;
    base.add("x");
    EXPECT_TRUE(list.HasRow("x"));
    base.remove(0);
    EXPECT_FALSE(list.HasRow("x"));
}

}  // namespace
}  // namespace pontavi
