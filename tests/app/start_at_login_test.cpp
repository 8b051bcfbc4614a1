#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "app/form1_fixture.h"
#include "platform/linux/xdg_autostart.h"

namespace pontavi {
namespace {

// The box writes and removes the real autostart entry, and each start shows
// what the entry says, not what the settings remember.
TEST_F(Form1Test, StartAtLoginBoxFollowsTheAutostartEntry) {
    const std::string entry = (home / "autostart" / "pontavi.desktop").string();
    XdgAutostart autostart(entry, "/opt/dial up/pontavi");
    startAtLogin = &autostart;
    const auto exec = [&] {
        std::ifstream in(entry);
        std::string line;
        while (std::getline(in, line) && line.rfind("Exec=", 0) != 0) {
        }
        return line;
    };
    const struct {
        const char* step;
        std::function<void(TForm1&)> act;
        bool entryAfter;
    } steps[] = {
        {"first start: off", [](TForm1&) {}, false},
        {"tick", [](TForm1& f) { f.StartAtLoginCB.setChecked(true); }, true},
        {"next start keeps it", [](TForm1&) {}, true},
        {"untick", [](TForm1& f) { f.StartAtLoginCB.setChecked(false); }, false},
        {"tick again", [](TForm1& f) { f.StartAtLoginCB.setChecked(true); }, true},
        {"removed by hand", [&](TForm1&) { std::filesystem::remove(entry); }, false},
    };
    for (const auto& s : steps) {
        s.act(create());
        exitProgram();
        EXPECT_EQ(std::filesystem::exists(entry), s.entryAfter) << s.step;
        if (s.entryAfter) {
            EXPECT_EQ(exec(), "Exec=\"/opt/dial up/pontavi\"") << s.step;
        }
        EXPECT_EQ(create().StartAtLoginCB.Checked(), s.entryAfter) << s.step;
        exitProgram();
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

}  // namespace
}  // namespace pontavi
