#include "launch/auto_launch_page.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "controls/check_box.h"
#include "controls/top_most.h"
#include "fakes/fake_dialogs.h"
#include "launch/launch_record.h"
#include "launch/program_file.h"

namespace pontavi {
namespace {

// The Auto-Launch page over its controls, with the add dialog scripted.
class AutoLaunchPageTest : public ::testing::Test {
  protected:
    AutoLaunchPageTest() {
        page.setShowAddForm([this](TAddAppsForm& form) {
            ++shown;
            topMostWhileShown = topMost.IsTopMost();
            EXPECT_EQ(form.Title.Text(), "");
            EXPECT_EQ(form.StyleCombo.ItemIndex(), 0);
            form.Title.setText(title);
            form.Executable.setText(executable);
            form.Parameters.setText(parameters);
            form.StyleCombo.setItemIndex(style);
            form.HelpClick();
            return ok;
        });
    }
    void list(std::vector<std::string> records) {
        AppsList = std::move(records);
        page.DisplayAppsList();
    }
    std::vector<std::string> titles() const {
        std::vector<std::string> t;
        for (const auto& r : AppsList) {
            t.push_back(ReadLaunchRecord(r).Title);
        }
        return t;
    }

    FakeDialogs raw;
    TopMost topMost{"TopMost1"};
    CheckBox onTop{"OnTop", "on top"};
    BracketedDialogs dialogs{raw, topMost, onTop};
    TFnpListBox fnp{"fnp"};
    Button add{"Button3", "&Add"}, up{"Button1", "Move &Up"}, down{"Button2", "Move &Down"},
        remove{"Button4", "&Remove"};
    std::vector<std::string> AppsList;
    std::set<std::string> files{"/bin/prog"};
    AutoLaunchPage page{{fnp, add, up, down, remove},
                        {dialogs,
                         [this](const std::string& p) {
                             return files.count(p) > 0 ? std::string() : p + " is missing";
                         },
                         [this](const std::string& topic) { helpTopics.push_back(topic); }},
                        AppsList};

    std::string title = "Prog", executable = "/bin/prog", parameters = "-x";
    int style = 1;
    bool ok = true;
    int shown = 0;
    std::vector<std::string> helpTopics;
    bool topMostWhileShown = true;
};

TEST_F(AutoLaunchPageTest, AddAppendsRecordAndRowAndStepsBackFromOnTop) {
    list({"A?/bin/a??0"});
    onTop.setChecked(true);
    topMost.setTopMost(true);
    add.click();
    EXPECT_FALSE(topMostWhileShown);
    EXPECT_TRUE(topMost.IsTopMost());
    EXPECT_EQ(AppsList.back(), "Prog?/bin/prog?-x?1");
    EXPECT_EQ(fnp.Items(), (std::vector<std::string>{"A", "Prog"}));
    EXPECT_EQ(helpTopics, std::vector<std::string>{"LaunchPage_Add"});
}

TEST_F(AutoLaunchPageTest, AddChecksAreSilent) {
    struct Case {
        bool ok;
        std::string title, executable, parameters;
    };
    const Case cases[] = {
        {false, "Prog", "/bin/prog", ""},               // Cancel, Esc, close box
        {true, "", "/bin/prog", ""},                    // no title
        {true, "Prog", "", ""},                         // no program
        {true, "Pr?g", "/bin/prog", ""},                // a "?" would shift the fields
        {true, "Prog", "/bin/prog", "a?b"},             //
        {true, std::string(31, 't'), "/bin/prog", ""},  // more than 30
    };
    for (const auto& c : cases) {
        ok = c.ok;
        title = c.title;
        executable = c.executable;
        parameters = c.parameters;
        add.click();
    }
    EXPECT_TRUE(AppsList.empty());
    EXPECT_EQ(fnp.Count(), 0u);
    EXPECT_TRUE(raw.messages.empty());
    title = std::string(30, 't');
    ok = true;
    parameters = "";
    add.click();
    EXPECT_EQ(titles(), std::vector<std::string>{std::string(30, 't')});
    executable = "/bin/missing";  // what cannot be started is refused with its reason
    add.click();
    EXPECT_EQ(raw.messages,
              std::vector<std::string>{"Not added to Auto-Launch: /bin/missing is missing"});
    EXPECT_EQ(AppsList.size(), 1u);
}

TEST_F(AutoLaunchPageTest, MovesKeepRowsAndRecordsInStep) {
    list({"A?/a??0", "B?/b??0", "C?/c??0"});
    fnp.setItemIndex(0);
    up.click();  // nothing at the top
    EXPECT_EQ(fnp.ItemIndex(), 0);
    down.click();
    EXPECT_EQ(fnp.ItemIndex(), 1);
    down.click();
    EXPECT_EQ(fnp.ItemIndex(), 2);
    down.click();  // nothing at the bottom
    EXPECT_EQ(titles(), (std::vector<std::string>{"B", "C", "A"}));
    EXPECT_EQ(fnp.Items(), titles());
    up.click();
    EXPECT_EQ(titles(), (std::vector<std::string>{"B", "A", "C"}));
    EXPECT_EQ(fnp.Items(), titles());
    fnp.setItemIndex(-1);
    up.click();
    down.click();
    EXPECT_EQ(titles(), (std::vector<std::string>{"B", "A", "C"}));
}

TEST_F(AutoLaunchPageTest, RemoveDeletesTheSelectedEntryAndMovesTheSelection) {
    list({"A?/a??0", "B?/b??0", "C?/c??0"});
    fnp.setItemIndex(1);
    down.click();  // A C B, B selected
    remove.click();
    EXPECT_EQ(titles(), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(fnp.Items(), titles());
    EXPECT_EQ(fnp.ItemIndex(), 1);  // the new last row
    fnp.setItemIndex(0);
    remove.click();
    EXPECT_EQ(fnp.ItemIndex(), 0);
    remove.click();
    EXPECT_TRUE(AppsList.empty());
    EXPECT_EQ(fnp.ItemIndex(), -1);
    remove.click();  // nothing selected, nothing happens
}

TEST_F(AutoLaunchPageTest, RecordWithoutMarkShowsAnEmptyRow) {
    list({"no marks", "T?/p??0"});
    EXPECT_EQ(fnp.Items(), (std::vector<std::string>{"", "T"}));
}

TEST(AddAppsFormTest, WhatCannotStartIsRefusedWithItsReasonAndTitlesCountCharacters) {
    char pattern[] = "/tmp/pontavi add-XXXXXX";
    const std::string dir = ::mkdtemp(pattern);
    std::ofstream(dir + "/plain") << "data\n";
    const std::pair<std::string, std::string> cases[] = {
        {"bin/sh", "\"bin/sh\" is not a full path"},
        {dir, "\"" + dir + "\" is a folder, not a program"},
        {dir + "/plain", "is not executable"},
        {"/dev/null", "is not a program file"},
        {"/bin/sh", ""},
    };
    FakeDialogs raw;
    TAddAppsForm form(raw);
    form.Title.setText("Téléchargés, élève, été café");  // 28 characters, 36 bytes
    for (const auto& [path, refusal] : cases) {
        form.Executable.setText(path);
        const auto outcome = form.Record(ProgramFileProblem);
        EXPECT_EQ(outcome.record.empty(), !refusal.empty()) << path;
        EXPECT_EQ(outcome.refusal.empty(), refusal.empty()) << path;
        EXPECT_NE(outcome.refusal.find(refusal), std::string::npos) << outcome.refusal;
    }
    std::filesystem::remove_all(dir);
}

TEST(AddAppsFormTest, BrowseTakesExistingProgramsOnly) {
    FakeDialogs raw;
    TAddAppsForm form(raw);
    form.FormShow();
    raw.fileAnswers = {std::nullopt, "/etc/passwd", "/no/such.exe", "/bin/sh"};
    form.Executable.setText("kept");
    for (int i = 0; i < 3; ++i) {
        form.BitBtn2Click();
        EXPECT_EQ(form.Executable.Text(), "kept");
    }
    form.BitBtn2Click();
    EXPECT_EQ(form.Executable.Text(), "/bin/sh");
}

}  // namespace
}  // namespace pontavi
