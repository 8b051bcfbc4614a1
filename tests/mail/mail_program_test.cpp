#include "mail/mail_program.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "fakes/fake_dialogs.h"
#include "fakes/fake_shell.h"

namespace pontavi {
namespace {

using Lines = std::vector<std::string>;

class MailProgramTest : public ::testing::Test {
  protected:
    MailProgramRunner runner() {
        return MailProgramRunner({shell, dialogs,
                                  [this](const std::string& p) { return files.count(p) != 0; },
                                  [this] { return visible; },
                                  [this] {
                                      visible = false;
                                      ++hides;
                                  },
                                  [this](const std::string& program, const Lines& params) {
                                      started.push_back({program, params});
                                  }});
    }
    struct Start {
        std::string program;
        Lines params;
        bool operator==(const Start&) const = default;
    };

    FakeShell shell;
    FakeDialogs dialogs;
    std::set<std::string> files;
    bool visible = false;
    int hides = 0;
    std::vector<Start> started;
};

TEST_F(MailProgramTest, ProgramsShortcutsAndDesktopEntries) {
    shell.links["/home/u/Mail.lnk"] = {"C:\\Mail\\mail.exe", "-check \"inbox\""};
    struct Case {
        std::string program;
        std::vector<Start> started;
        Lines desktopStarts;
    };
    const Case cases[] = {
        {"/usr/bin/mutt", {{"/usr/bin/mutt", {}}}, {}},
        {"/home/u/Mail.lnk", {{"C:\\Mail\\mail.exe", {"-check \"inbox\""}}}, {}},
        // Only ".lnk" in lower case names a shortcut; the file itself starts.
        {"/home/u/Mail.LNK", {{"/home/u/Mail.LNK", {}}}, {}},
        {"/home/u/mail.desktop", {}, {"/home/u/mail.desktop"}},
    };
    for (const Case& c : cases) {
        files = {"/usr/bin/mutt", "/home/u/Mail.lnk", "/home/u/Mail.LNK", "/home/u/mail.desktop"};
        started.clear();
        shell.desktopEntriesStarted.clear();
        std::string program = c.program;
        runner().BitBtn1Click(program, true);
        EXPECT_EQ(started, c.started) << c.program;
        EXPECT_EQ(shell.desktopEntriesStarted, c.desktopStarts) << c.program;
        EXPECT_EQ(program, c.program);
    }
}

TEST_F(MailProgramTest, BrokenShortcutThrowsAndStartsNothing) {
    files = {"/home/u/broken.lnk"};
    shell.unreadable = {"/home/u/broken.lnk"};
    std::string program = "/home/u/broken.lnk";
    EXPECT_THROW(runner().BitBtn1Click(program, true), ShortcutError);
    std::string missing = "/home/u/gone.lnk";  // the chooser is cancelled
    try {
        runner().BitBtn1Click(missing, true);
        ADD_FAILURE() << "no error";
    } catch (const ShortcutError& e) {
        EXPECT_STREQ(e.what(), Shell::kLinkNotFound);
    }
    EXPECT_TRUE(started.empty());
}

TEST_F(MailProgramTest, MissingProgramOffersTheChooser) {
    files = {"/usr/bin/mutt"};
    dialogs.fileAnswers = {std::nullopt, std::string("/usr/bin/nothing"),
                           std::string("/usr/bin/mutt")};
    std::string program;
    runner().BitBtn1Click(program, true);  // cancelled
    runner().BitBtn1Click(program, true);  // a file that does not exist
    EXPECT_EQ(program, "");
    EXPECT_TRUE(started.empty());
    runner().BitBtn1Click(program, true);
    EXPECT_EQ(program, "/usr/bin/mutt");
    EXPECT_EQ(started, (std::vector<Start>{{"/usr/bin/mutt", {}}}));
}

TEST_F(MailProgramTest, WindowIsHiddenOnlyWithoutAutoRun) {
    files = {"/usr/bin/mutt"};
    std::string program = "/usr/bin/mutt";
    visible = true;
    runner().BitBtn1Click(program, true);
    EXPECT_EQ(hides, 0);
    runner().BitBtn1Click(program, false);
    EXPECT_EQ(hides, 1);
    runner().BitBtn1Click(program, false);  // already hidden
    EXPECT_EQ(hides, 1);
    EXPECT_EQ(started.size(), 3u);
}

}  // namespace
}  // namespace pontavi
