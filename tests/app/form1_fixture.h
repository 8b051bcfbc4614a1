#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/form1.h"
#include "fakes/fake_clipboard.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_dialup.h"
#include "fakes/fake_help.h"
#include "fakes/fake_notifier.h"
#include "fakes/fake_process_starter.h"
#include "fakes/fake_resolver.h"
#include "fakes/fake_shell.h"
#include "fakes/fake_sound_player.h"
#include "fakes/fake_system_clock.h"
#include "fakes/fake_window_host.h"
#include "platform/linux/poll_loop.h"
#include "platform/linux/xdg_paths.h"

namespace pontavi {

// A TForm1 on a virtual-clock loop with every platform service faked; its
// program folder and settings file live in a fresh temporary folder.
class Form1Test : public ::testing::Test {
  protected:
    Form1Test() {
        char pattern[] = "/tmp/pontavi-form1-XXXXXX";
        home = ::mkdtemp(pattern);
        paths = std::make_unique<XdgPaths>([this](const std::string& name) {
            return name == "PONTAVI_HOME" ? std::optional<std::string>(home.string())
                                          : std::optional<std::string>();
        });
    }
    ~Form1Test() override {
        form.reset();
        std::filesystem::remove_all(home);
    }

    TForm1& create() {
        form.reset();
        FormServices services{loop, dialogs,   *paths, clipboard, shell,    resolver, dialUp, help,
                              host, processes, clock,  sound,     notifier, 0,        hasTray};
        services.startAtLogin = startAtLogin;
        form = std::make_unique<TForm1>(services);
        form->FormCreate();
        return *form;
    }
    // Ends the run the way the program does: Exit, then the window's end.
    void exitProgram() {
        form->Exit1Click();
        form->SessionEnd();
        form.reset();
    }

    std::string settingsText() const {
        std::ifstream in(paths->SettingsFile(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void writeSettings(const std::string& text) const {
        std::filesystem::create_directories(
            std::filesystem::path(paths->SettingsFile()).parent_path());
        std::ofstream(paths->SettingsFile(), std::ios::binary) << text;
    }

    std::filesystem::path home;
    PollLoop loop{PollLoop::ClockKind::Virtual};
    FakeDialogs dialogs;
    std::unique_ptr<XdgPaths> paths;
    FakeClipboard clipboard;
    FakeShell shell;
    FakeResolver resolver{loop};
    FakeDialUp dialUp;
    FakeHelp help;
    FakeWindowHost host;
    FakeProcessStarter processes;
    FakeSystemClock clock{loop};
    FakeSoundPlayer sound;
    FakeNotifier notifier;
    std::unique_ptr<TForm1> form;
    bool hasTray = true;
    StartAtLogin* startAtLogin = nullptr;
};

}  // namespace pontavi
