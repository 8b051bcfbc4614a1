#include "ident/ident_chooser.h"

#include <gtest/gtest.h>

namespace pontavi {
namespace {

class IdentChooserTest : public ::testing::Test {
  protected:
    void start(std::vector<std::string> idents, bool firstOnly) {
        identList = std::move(idents);
        First1.setChecked(firstOnly);
        chooser.bind();
        CB1.setChecked(First1.Checked());
        chooser.showFirstIdent();
    }
    std::string replyAndRefill() {
        std::string ident = chooser.currentIdent();
        chooser.refill();
        return ident;
    }

    CheckBox CB1{"CB1", "&Use The First Ident Only"};
    MenuItem First1{"First1", "&Use The First Ident Only"};
    TextBox Edit1{"Edit1"};
    Memo IdentMemo{"IdentMemo"};
    std::vector<std::string> identList;
    IdentChooser chooser{{CB1, First1, Edit1, IdentMemo}, identList};
};

TEST_F(IdentChooserTest, RotationWithTwoIdentsStaysOnTheSecond) {
    start({"P", "Q"}, false);
    EXPECT_EQ(replyAndRefill(), "P");
    EXPECT_EQ(replyAndRefill(), "Q");
    EXPECT_EQ(replyAndRefill(), "Q");
}

TEST_F(IdentChooserTest, TypedNameIsUsedOnceInFirstOnlyMode) {
    start({"P", "Q"}, true);
    Edit1.userEdit("typed");
    EXPECT_EQ(replyAndRefill(), "typed");
    EXPECT_EQ(Edit1.Text(), "P");
}

TEST_F(IdentChooserTest, FewerThanTwoIdentsForceFirstOnlyMode) {
    start({"Only"}, true);
    CB1.setChecked(false);
    EXPECT_TRUE(CB1.Checked());
    EXPECT_TRUE(First1.Checked());
}

TEST_F(IdentChooserTest, First1AndCB1MirrorEachOther) {
    start({"P", "Q", "R"}, true);
    First1.click();
    EXPECT_FALSE(First1.Checked());
    EXPECT_FALSE(CB1.Checked());
    EXPECT_EQ(Edit1.Text(), "Q");  // entry IdentIndex (1)
    CB1.setChecked(true);
    EXPECT_TRUE(First1.Checked());
    EXPECT_EQ(Edit1.Text(), "P");
}

TEST_F(IdentChooserTest, CB1CommitsTheEditedIdentsPage) {
    start({"P", "Q"}, true);
    IdentMemo.setLines(identList);
    IdentMemo.userEdit("X\r\nY\r\nZ");
    CB1.setChecked(false);
    EXPECT_EQ(identList, (std::vector<std::string>{"X", "Y", "Z"}));
    EXPECT_EQ(Edit1.Text(), "Y");
}

TEST_F(IdentChooserTest, RequestsPageResetsEdit1ToTheFirstIdent) {
    start({"P", "Q", "R"}, false);
    replyAndRefill();
    EXPECT_EQ(Edit1.Text(), "R");
    chooser.requestsPageShown();
    EXPECT_EQ(Edit1.Text(), "P");
    EXPECT_EQ(chooser.IdentIndex(), 2);
}

// Rotation with a single entry (saved mode off) and an emptied list must not
// read past the list: the reply keeps the ident Edit1 shows.
TEST_F(IdentChooserTest, SingleOrNoIdentKeepsAnsweringWithWhatEdit1Shows) {
    identList = {"Solo"};
    First1.setChecked(false);
    chooser.bind();
    chooser.showFirstIdent();
    EXPECT_EQ(replyAndRefill(), "Solo");
    EXPECT_EQ(replyAndRefill(), "Solo");

    IdentMemo.setLines({"Solo"});
    IdentMemo.userEdit("");
    chooser.commitIdentMemo();
    ASSERT_TRUE(identList.empty());
    EXPECT_EQ(replyAndRefill(), "Solo");
    CB1.setChecked(true);
    First1.click();
    EXPECT_EQ(Edit1.Text(), "Solo");
}

}  // namespace
}  // namespace pontavi
