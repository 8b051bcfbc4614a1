#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/form1_fixture.h"

namespace pontavi {
namespace {

using Lines = std::vector<std::string>;

// "Run Mail Program" on the Messages page, over the fake shell and process
// starter: the shortcut's target starts with its argument text; a shortcut
// that cannot be read is shown and starts nothing; the ".LNK" spelling is
// started as it is.
TEST_F(Form1Test, RunMailProgramStartsTheShortcutsTargetOrShowsWhyNot) {
    struct Case {
        std::string file;
        bool unreadable;
        Lines programs;
        Lines messages;
    };
    const Case cases[] = {
        {"Mail.lnk", false, {"/opt/mail/reader"}, {}},
        {"Broken.lnk", true, {}, {"Erreur en lecture."}},
        {"Mail.LNK", false, {(home / "Mail.LNK").string()}, {}},
    };
    for (const Case& c : cases) {
        const std::string path = (home / c.file).string();
        std::ofstream(path) << "shortcut";
        shell.links[path] = {"/opt/mail/reader", "-inbox \"new\""};
        if (c.unreadable) {
            shell.unreadable.insert(path);
        }
        writeSettings("[\"Mail\"]\n\"MailProgram\"=\"" + path + "\"\n\"AutoRun\"=\"1\"\n");
        processes.starts.clear();
        dialogs.messages.clear();
        TForm1& f = create();
        f.BitBtn1.click();

        Lines programs;
        for (const ProcessRequest& r : processes.starts) {
            programs.push_back(r.program);
        }
        EXPECT_EQ(programs, c.programs) << c.file;
        EXPECT_EQ(dialogs.messages, c.messages) << c.file;
        if (c.file == "Mail.lnk" && !processes.starts.empty()) {
            EXPECT_EQ(processes.starts[0].parameters, "-inbox \"new\"");
        }
    }
}

}  // namespace
}  // namespace pontavi
