#include "platform/linux/desktop_entry_launcher.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace pontavi {
namespace {

namespace fs = std::filesystem;

// Desktop entries whose Exec line runs a script that writes its arguments,
// one per line, to a file.
class DesktopEntryLauncherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // No session bus: GIO must not try to start one for the test.
        ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
        std::string tmpl = (fs::temp_directory_path() / "desktop-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
        recorder = (dir / "record args").string();
        std::ofstream(recorder) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '"
                                << (dir / "args").string() << ".tmp'\nmv '"
                                << (dir / "args").string() << ".tmp' '" << (dir / "args").string()
                                << "'\n";
        ::chmod(recorder.c_str(), 0755);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string entry(const std::string& name, const std::string& body) {
        const fs::path file = dir / name;
        std::ofstream(file) << body;
        return file.string();
    }
    // The recorded arguments; waits (bounded) for the detached program.
    std::string args() const {
        for (int i = 0; i < 500 && !fs::exists(dir / "args"); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::ifstream in(dir / "args");
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path dir;
    std::string recorder;
};

TEST_F(DesktopEntryLauncherTest, ExecLineIsUnquotedAndItsFieldCodesExpanded) {
    const std::string file =
        entry("mail.desktop",
              "[Desktop Entry]\nType=Application\nName=Mail Reader\nIcon=mail-client\n"
              "Exec=\"" +
                  recorder + "\" %u --name %c \"a \\\\\"quoted\\\\\" \\\\$HOME\" 100%% %k %F %i\n");
    ASSERT_EQ(LaunchDesktopEntry(file), "");
    EXPECT_EQ(args(),
              "--name\nMail Reader\na \"quoted\" $HOME\n100%\n" + file + "\n--icon\nmail-client\n");
}

TEST_F(DesktopEntryLauncherTest, FilesThatStartNothingAreRefused) {
    struct Case {
        std::string name, body;
    };
    const Case cases[] = {
        {"link.desktop", "[Desktop Entry]\nType=Link\nName=Site\nURL=http://x.org\n"},
        {"noexec.desktop", "[Desktop Entry]\nType=Application\nName=Nothing\n"},
        {"garbage.desktop", "\x01\x02 not a key file [[[\n"},
        {"tryexec.desktop",
         "[Desktop Entry]\nType=Application\nName=Gone\nTryExec=/nonexistent/prog\n"
         "Exec=/nonexistent/prog\n"},
    };
    for (const Case& c : cases) {
        EXPECT_NE(LaunchDesktopEntry(entry(c.name, c.body)), "") << c.name;
    }
    EXPECT_NE(LaunchDesktopEntry((dir / "missing.desktop").string()), "");
    ::mkfifo((dir / "pipe.desktop").c_str(), 0600);
    EXPECT_NE(LaunchDesktopEntry((dir / "pipe.desktop").string()), "");
    EXPECT_FALSE(fs::exists(dir / "args"));
}

}  // namespace
}  // namespace pontavi
