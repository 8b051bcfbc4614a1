#include "nettime/time_server_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_dialogs.h"

namespace pontavi {
namespace {

class TimeServerPageTest : public ::testing::Test {
  protected:
    FakeDialogs dialogs;
    TFnpListBox TimeLB{"TimeLB"};
    Button add{"Button6", "&Add"}, up{"Button7", "Move &Up"}, down{"Button8", "Move &Down"},
        remove{"Button9", "&Remove"};
    std::vector<std::string> list;
    TimeServerPage page{{TimeLB, add, up, down, remove}, dialogs, list};
};

TEST_F(TimeServerPageTest, AddPutsTheRowFirstAndTheEntryLast) {
    list = {"old.example"};
    TimeLB.setItems(list);
    dialogs.inputAnswers = {"new.example", "", std::nullopt};
    add.click();
    add.click();  // empty answer
    add.click();  // cancel
    ASSERT_EQ(dialogs.queries.size(), 3u);
    EXPECT_EQ(dialogs.queries[0].caption, "Add a time server");
    EXPECT_EQ(dialogs.queries[0].prompt, "Please type a server name");
    EXPECT_EQ(TimeLB.Items(), (std::vector<std::string>{"new.example", "old.example"}));
    EXPECT_EQ(list, (std::vector<std::string>{"old.example", "new.example"}));
}

TEST_F(TimeServerPageTest, MovesChangeOnlyTheRows) {
    list = {"a", "b", "c"};
    TimeLB.setItems(list);
    TimeLB.setItemIndex(2);
    up.click();
    EXPECT_EQ(TimeLB.Items(), (std::vector<std::string>{"a", "c", "b"}));
    EXPECT_EQ(TimeLB.ItemIndex(), 1);
    down.click();
    down.click();
    EXPECT_EQ(TimeLB.Items(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(TimeLB.ItemIndex(), 2);
    EXPECT_EQ(list, (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(TimeServerPageTest, RemoveTakesTheSamePositionFromBoth) {
    list = {"a", "b", "c"};
    TimeLB.setItems(list);
    TimeLB.setItemIndex(2);
    remove.click();
    EXPECT_EQ(list, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(TimeLB.Items(), list);
    EXPECT_EQ(TimeLB.ItemIndex(), 1);
    TimeLB.setItemIndex(-1);
    remove.click();
    EXPECT_EQ(list.size(), 2u);
}

}  // namespace
}  // namespace pontavi
