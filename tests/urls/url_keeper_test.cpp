#include "urls/url_keeper.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

#include "fakes/fake_clipboard.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_shell.h"

namespace pontavi {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::string>;

class UrlKeeperTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "keeper-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
        fileName = (dir / "URL.lst").string();
    }
    void TearDown() override {
        keeper.reset();
        fs::remove_all(dir);
    }
    UrlKeeper& make(std::function<int(const std::string&)> width = {}) {
        keeper = std::make_unique<UrlKeeper>(
            UrlKeeper::Controls{UrlLB, Button5, Button13, Button11, Button12, Button10, Copy1,
                                View1, Remove1},
            UrlKeeper::Services{clipboard, shell, dialogs, [this] { ++hidden; }, std::move(width)},
            fileName);
        return *keeper;
    }
    UrlKeeper& started() {
        make().start();
        return *keeper;
    }
    void select(std::initializer_list<std::size_t> rows) {
        for (auto row : rows) {
            UrlLB.setSelected(row, true);
        }
        UrlLB.OnClick();
    }
    void find(const std::string& text) {
        dialogs.inputAnswers.push_back(text);
        Button13.click();
    }
    std::string fileBytes() const {
        std::ifstream in(fileName, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    TMoreListBox UrlLB;
    Button Button5{"Button5", "&Add"};
    Button Button13{"Button13", "&Find"};
    Button Button11{"Button11", "&Copy"};
    Button Button12{"Button12", "&View"};
    Button Button10{"Button10", "&Remove"};
    MenuItem Copy1{"Copy1", "&Copy"};
    MenuItem View1{"View1", "&View"};
    MenuItem Remove1{"Remove1", "&Remove"};
    FakeClipboard clipboard;
    FakeShell shell;
    FakeDialogs dialogs;
    int hidden = 0;
    fs::path dir;
    std::string fileName;
    std::unique_ptr<UrlKeeper> keeper;
};

// ---- capture

TEST_F(UrlKeeperTest, CopiedAddressesGoOnTopNewestFirst) {
    started();
    clipboard.copyFromElsewhere("see http://host/page now");
    clipboard.copyFromElsewhere("http://host/a " + std::string(300, 'x'));
    clipboard.copyFromElsewhere("www.host1/a or http://host2/b");
    clipboard.copyFromElsewhere("ftp.host/pub");
    clipboard.copyFromElsewhere("www.host/x\r\nsecond line");
    clipboard.copyFromElsewhere("https://host/z");
    clipboard.copyFromElsewhere("HTTP://HOST");
    EXPECT_EQ(UrlLB.Items(), (Rows{"HTTP://HOST", "https://host/z", "www.host/x", "ftp.host/pub",
                                   "http://host2/b", "http://host/a", "http://host/page"}));
}

TEST_F(UrlKeeperTest, SameAddressCopiedTwiceIsKeptOnceButAddedTwiceIsTwoRows) {
    started();
    clipboard.copyFromElsewhere("http://host/page");
    clipboard.copyFromElsewhere("go to http://host/page");
    EXPECT_EQ(UrlLB.Count(), 1u);
    dialogs.inputAnswers = {"http://host/page", "http://host/page"};
    Button5.click();
    Button5.click();
    EXPECT_EQ(UrlLB.Count(), 3u);
    ASSERT_FALSE(dialogs.queries.empty());
    EXPECT_EQ(dialogs.queries[0].caption, "Add a URL");
    EXPECT_EQ(dialogs.queries[0].prompt, "Please type a URL");
    EXPECT_EQ(dialogs.queries[0].initial, "");
}

TEST_F(UrlKeeperTest, AddKeepsTheTextAsTypedAndCancelAddsNothing) {
    make();
    dialogs.inputAnswers = {"my notes", std::nullopt, ""};
    Button5.click();
    Button5.click();
    Button5.click();
    EXPECT_EQ(UrlLB.Items(), Rows{"my notes"});
}

TEST_F(UrlKeeperTest, PicturesAndTextWithoutMarkerAddNothing) {
    started();
    clipboard.setImage();
    clipboard.copyFromElsewhere("just some words");
    EXPECT_EQ(UrlLB.Count(), 0u);
}

TEST_F(UrlKeeperTest, ProgramsOwnClipboardTextPassesTheSameCapture) {
    started();
    clipboard.setText("192.168.7.20");        // the address copied at connect
    clipboard.setText("www.lookup.example");  // a name copied by the lookup page
    EXPECT_EQ(UrlLB.Items(), Rows{"www.lookup.example"});
}

TEST_F(UrlKeeperTest, TextOnTheClipboardAtStartIsExaminedOnce) {
    clipboard.copyFromElsewhere("http://before/start");
    make();
    EXPECT_EQ(UrlLB.Count(), 0u);
    keeper->start();
    EXPECT_TRUE(keeper->watching());
    EXPECT_EQ(UrlLB.Items(), Rows{"http://before/start"});
}

TEST_F(UrlKeeperTest, AfterStopCopiesAreNoLongerWatched) {
    started();
    keeper->stop();
    EXPECT_FALSE(keeper->watching());
    EXPECT_FALSE(clipboard.OnChanged);
    clipboard.copyFromElsewhere("http://after/stop");
    EXPECT_EQ(UrlLB.Count(), 0u);
}

TEST_F(UrlKeeperTest, DestroyedKeeperLeavesTheWatchAndTheControls) {
    started();
    keeper.reset();
    EXPECT_FALSE(clipboard.OnChanged);
    EXPECT_FALSE(Button5.OnClick);
    EXPECT_FALSE(UrlLB.OnClick);
}

// ---- find

TEST_F(UrlKeeperTest, FindStartsAtTopThenContinuesAndForgetsAfterTheLastMatch) {
    make();
    UrlLB.setItems({"http://a/1", "ftp.b", "http://a/2", "www.c"});
    find("http://a");
    EXPECT_EQ(UrlLB.ItemIndex(), 0);
    EXPECT_TRUE(UrlLB.Selected(0));
    EXPECT_EQ(keeper->LastFindText(), "http://a");
    EXPECT_TRUE(Button11.Enabled());

    find("http://a");
    EXPECT_EQ(dialogs.queries.back().initial, "http://a");
    EXPECT_EQ(UrlLB.ItemIndex(), 2);
    EXPECT_FALSE(UrlLB.Selected(0));
    EXPECT_TRUE(UrlLB.Selected(2));

    find("http://a");
    EXPECT_EQ(UrlLB.SelCount(), 0u);
    EXPECT_EQ(keeper->LastFindText(), "");
    find("x");
    EXPECT_EQ(dialogs.queries.back().initial, "");
    EXPECT_EQ(dialogs.queries.back().caption, "Find URL");
    EXPECT_EQ(dialogs.queries.back().prompt, "Please type a part of the text to find");
}

TEST_F(UrlKeeperTest, FindKeepsOtherSelectedRowsAndCancelChangesNothing) {
    make();
    UrlLB.setItems({"a", "b", "c", "b2"});
    select({0, 1});
    UrlLB.setItemIndex(1);
    find("b");
    EXPECT_EQ(UrlLB.ItemIndex(), 3);
    EXPECT_TRUE(UrlLB.Selected(0));
    EXPECT_FALSE(UrlLB.Selected(1));
    dialogs.inputAnswers.push_back(std::nullopt);
    Button13.click();
    EXPECT_EQ(UrlLB.SelCount(), 2u);
    EXPECT_EQ(keeper->LastFindText(), "b");
}

// ---- copy

TEST_F(UrlKeeperTest, CopyPutsEachSelectedRowInOrderAndAddsNothing) {
    started();
    UrlLB.setItems({"http://a", "www.b", "ftp.c", "http://d"});
    select({0, 2, 3});
    Copy1.click();
    EXPECT_EQ(clipboard.written, (Rows{"http://a", "ftp.c", "http://d"}));
    EXPECT_EQ(clipboard.text(), "http://d");
    EXPECT_EQ(UrlLB.Count(), 4u);
}

TEST_F(UrlKeeperTest, CopyOfALongCapturedRowPutsItWhole) {
    started();
    std::string row = "http://" + std::string(293, 'a');
    ASSERT_EQ(row.size(), 300u);
    clipboard.copyFromElsewhere(row);
    select({0});
    Button11.click();
    EXPECT_EQ(clipboard.text(), row);
    EXPECT_EQ(UrlLB.Items(), Rows{row});
}

TEST_F(UrlKeeperTest, CopyPutsTheSelectedTextsEvenWhenTheCaptureAddsRows) {
    started();
    UrlLB.setItems({"x", "see http://y now", "z"});
    select({1, 2});
    Button11.click();
    EXPECT_EQ(clipboard.written, (Rows{"see http://y now", "z"}));
    EXPECT_EQ(UrlLB.Items(), (Rows{"http://y", "x", "see http://y now", "z"}));
}

TEST_F(UrlKeeperTest, CommandsWithNothingSelectedDoNothing) {
    started();
    UrlLB.setItems({"http://a"});
    keeper->Button11Click();
    keeper->Button12Click();
    keeper->Button10Click();
    EXPECT_TRUE(clipboard.written.empty());
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_EQ(hidden, 0);
    EXPECT_EQ(UrlLB.Count(), 1u);
}

// ---- remove

TEST_F(UrlKeeperTest, RemoveTakesExactlyTheSelectedRows) {
    make();
    UrlLB.setItems({"a", "b", "c", "d", "e"});
    select({0, 2, 4});
    Remove1.click();
    EXPECT_EQ(UrlLB.Items(), (Rows{"b", "d"}));
    EXPECT_EQ(UrlLB.SelCount(), 0u);
    EXPECT_TRUE(Button10.Enabled());  // removal leaves the enabling alone
}

TEST_F(UrlKeeperTest, RemovingManyRowsKeepsTheOthersAndTheCurrentRow) {
    make();
    Rows rows;
    for (int i = 0; i < 100; ++i) {
        rows.push_back("r" + std::to_string(i));
    }
    UrlLB.setItems(rows);
    for (std::size_t i = 0; i < 100; i += 2) {
        UrlLB.setSelected(i, true);
    }
    UrlLB.setItemIndex(51);
    UrlLB.OnClick();
    Button10.click();
    ASSERT_EQ(UrlLB.Count(), 50u);
    EXPECT_EQ(UrlLB.Item(0), "r1");
    EXPECT_EQ(UrlLB.Item(49), "r99");
    EXPECT_EQ(UrlLB.Item(static_cast<std::size_t>(UrlLB.ItemIndex())), "r51");
    EXPECT_FALSE(UrlLB.HasRow("r50"));
}

// ---- enabling

TEST_F(UrlKeeperTest, CopyViewRemoveFollowTheSelection) {
    make();
    auto six = [&] {
        return std::vector<bool>{Button11.Enabled(), Button12.Enabled(), Button10.Enabled(),
                                 Copy1.Enabled(),    View1.Enabled(),    Remove1.Enabled()};
    };
    EXPECT_EQ(six(), std::vector<bool>(6, false));
    EXPECT_TRUE(Button5.Enabled());
    EXPECT_TRUE(Button13.Enabled());
    UrlLB.setItems({"a", "b"});
    select({1});
    EXPECT_EQ(six(), std::vector<bool>(6, true));
    UrlLB.ClearSelection();
    keeper->URLPopupPopup();
    EXPECT_EQ(six(), std::vector<bool>(6, false));
}

// ---- view

TEST_F(UrlKeeperTest, ViewOpensAWebAddressAfterHidingTheWindow) {
    make();
    UrlLB.setItems({"x", "www.x.org", "http://other"});
    select({1, 2});
    View1.click();
    EXPECT_EQ(shell.opened, Rows{"http://www.x.org"});
    EXPECT_EQ(hidden, 1);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(UrlKeeperTest, ViewRefusesWhatIsNoWebOrFtpAddress) {
    make();
    UrlLB.setItems({"file:///etc/passwd", "/usr/bin/xterm"});
    select({0});
    Button12.click();
    UrlLB.ClearSelection();
    select({1});
    Button12.click();
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_EQ(hidden, 0);
    EXPECT_EQ(dialogs.messages,
              (Rows{"Only web and FTP addresses can be opened: file:///etc/passwd",
                    "Only web and FTP addresses can be opened: /usr/bin/xterm"}));
}

TEST_F(UrlKeeperTest, ViewSaysSoWhenNoHandlerCanBeStarted) {
    make();
    shell.canStart = false;
    UrlLB.setItems({"ftp://host/pub"});
    select({0});
    Button12.click();
    EXPECT_EQ(dialogs.messages, Rows{"Cannot open ftp://host/pub"});
}

// ---- scroll width

TEST_F(UrlKeeperTest, ScrollWidthIsTheWidestRowAndFollowsRemovals) {
    make([](const std::string& s) { return static_cast<int>(s.size()) * 10; });
    dialogs.inputAnswers = {"aa", "aaaa", "aaa"};
    for (int i = 0; i < 3; ++i) {
        Button5.click();
    }
    EXPECT_EQ(UrlLB.ScrollWidth(), 40);
    select({1});  // "aaaa"
    Button10.click();
    EXPECT_EQ(UrlLB.ScrollWidth(), 30);
    UrlLB.setSelected(0, true);
    UrlLB.setSelected(1, true);
    Button10.click();
    EXPECT_EQ(UrlLB.ScrollWidth(), 0);
}

TEST_F(UrlKeeperTest, RowWidthIsKeptWithinSixteenBits) {
    make();
    EXPECT_EQ(keeper->UrlTextWidth("abc"), 24);
    EXPECT_EQ(keeper->UrlTextWidth(std::string(20000, 'w')), 65535);
    keeper->setTextWidth([](const std::string&) { return 70000; });
    EXPECT_EQ(keeper->UrlTextWidth("a"), 65535);
}

// ---- file

TEST_F(UrlKeeperTest, ListSurvivesSaveAndLoad) {
    std::ofstream(fileName, std::ios::binary) << "a\r\n\r\nb\r\n";
    make().load();
    EXPECT_EQ(UrlLB.Items(), (Rows{"a", "", "b"}));
    EXPECT_EQ(UrlLB.ScrollWidth(), 12);
    keeper->save();
    EXPECT_EQ(fileBytes(), "a\r\n\r\nb\r\n");
}

TEST_F(UrlKeeperTest, NoFileMeansAnEmptyList) {
    make().load();
    EXPECT_EQ(UrlLB.Count(), 0u);
    EXPECT_EQ(keeper->UrlFileName(), fileName);
}

TEST_F(UrlKeeperTest, SaveFailureNamesTheFile) {
    fileName = (dir / "missing" / "URL.lst").string();
    make();
    try {
        keeper->save();
        FAIL() << "save succeeded";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + fileName);
    }
}

// A list file that exists but cannot be read (a folder here: unreadable even
// for root) is never replaced by the rows captured since.
TEST_F(UrlKeeperTest, AnUnreadableFileIsNotOverwritten) {
    fs::create_directory(fileName);
    std::ofstream(dir / "URL.lst" / "inside") << "x";
    make();
    EXPECT_THROW(keeper->load(), std::runtime_error);
    EXPECT_TRUE(keeper->fileUnread());
    keeper->start();
    clipboard.copyFromElsewhere("see http://new.example/");
    EXPECT_EQ(UrlLB.Items(), Rows{"http://new.example/"});
    keeper->save();  // nothing to lose, nothing thrown
    EXPECT_TRUE(fs::is_directory(fileName));

    // Readable again (restored by its owner): its rows join the captured ones.
    fs::remove_all(fileName);
    std::ofstream(fileName, std::ios::binary) << "http://old.example/\r\nhttp://new.example/\r\n";
    keeper->save();
    EXPECT_FALSE(keeper->fileUnread());
    EXPECT_EQ(UrlLB.Items(), (Rows{"http://new.example/", "http://old.example/"}));
    EXPECT_EQ(fileBytes(), "http://new.example/\r\nhttp://old.example/\r\n");
}

TEST_F(UrlKeeperTest, AnUnreadableFileThatIsGoneIsWrittenAfresh) {
    fs::create_directory(fileName);
    make();
    EXPECT_THROW(keeper->load(), std::runtime_error);
    fs::remove(fileName);
    keeper->save();
    EXPECT_FALSE(keeper->fileUnread());
    EXPECT_EQ(fileBytes(), "");
    EXPECT_TRUE(fs::is_regular_file(fileName));
}

}  // namespace
}  // namespace pontavi
