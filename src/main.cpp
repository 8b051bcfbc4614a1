// The process entry: one copy per user, the real platform services, the main
// window and its view, then the event loop until "&Exit" or a session end.

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QSessionManager>
#include <QSystemTrayIcon>

#include <time.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/form1.h"
#include "net/system_resolver.h"
#include "platform/linux/canberra_sound_player.h"
#include "platform/linux/dbus_notifier.h"
#include "platform/linux/dialup_choice.h"
#include "platform/linux/lock_file_instance.h"
#include "platform/linux/port_helper.h"
#include "platform/linux/show_request_socket.h"
#include "platform/linux/spawn_process_starter.h"
#include "platform/linux/system_interfaces.h"
#include "platform/linux/timedated_clock.h"
#include "platform/linux/xdg_autostart.h"
#include "platform/linux/xdg_paths.h"
#include "platform/linux/xdg_shell.h"
#include "ui/callback_guard.h"
#include "ui/form_view.h"
#include "ui/main_window.h"
#include "ui/program_end.h"
#include "ui/qt_clipboard.h"
#include "ui/qt_dialogs.h"
#include "ui/qt_event_loop.h"
#include "ui/qt_help.h"
#include "ui/termination_signals.h"
#include "ui/tray.h"
#include "ui/tray_images.h"

namespace {

// The installed help beside the program (<prefix>/share/pontavi/help), else
// the topics of the source tree the program was built from.
QString helpFolder() {
    const QDir installed(QCoreApplication::applicationDirPath() +
                         QStringLiteral("/../share/pontavi/help"));
    if (installed.exists(QStringLiteral("index.html"))) {
        return installed.absolutePath();
    }
    return QStringLiteral(PONTAVI_SOURCE_HELP_DIR);
}

// Milliseconds on the boot-time clock, the clock the kernel counts a
// process's start time on, so the start-up benchmark can subtract the two.
long long bootTimeMs() {
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

// The session's end runs once, whichever way the program ends.
class SessionEnder {
  public:
    explicit SessionEnder(pontavi::TForm1& form) : form_(form) {}
    void operator()() {
        if (!done_) {
            done_ = true;
            form_.SessionEnd();
        }
    }

  private:
    pontavi::TForm1& form_;
    bool done_ = false;
};

int run(QApplication& app, pontavi::ShowRequestListener& showRequests) {
    using namespace pontavi;
    MainWindow window;
    QtDialogs dialogs(&window);
    // A failure escaping any handler Qt called is shown, and the program goes on.
    const CallbackGuard guard(
        [&dialogs](const std::string& message) { dialogs.ShowMessage(message); });
    QtEventLoop loop(guard);

    XdgPaths paths;
    QtClipboard clipboard;
    XdgShell shell(loop);
    SystemResolver resolver(loop);
    SystemInterfaces interfaces;
    DialUpBackends dialUp(loop, interfaces,
                          ChooseDialUp(std::getenv("PONTAVI_DIALUP"), NetworkManagerRunning));
    QtHelp help(helpFolder());
    SpawnProcessStarter processes(loop);
    TimedatedClock clock(loop);
    CanberraSoundPlayer sound;
    DBusNotifier notifier;

    PortHelper portHelper(PortHelper::Find(PortHelper::Candidates(PONTAVI_INSTALLED_PORT_HELPER)));

    // The autostart entry starts this very file, wherever it was started from.
    XdgAutostart autostart(XdgAutostart::EntryPath(SystemEnvironment),
                           QCoreApplication::applicationFilePath().toStdString());
    FormServices services{loop,
                          dialogs,
                          paths,
                          clipboard,
                          shell,
                          resolver,
                          dialUp.service(),
                          help,
                          window,
                          processes,
                          clock,
                          sound,
                          notifier,
                          113,
                          QSystemTrayIcon::isSystemTrayAvailable(),
                          &portHelper};
    services.startAtLogin = &autostart;
    TForm1 form(services);
    FormView view(window, form, guard);
    Tray tray(form.TrayIcon1, form.PopupMenu1(), guard);
    if (form.TrayMenuInWindow()) {
        tray.menu()->setTitle(QStringLiteral("&Pontavi"));
        window.addMenu(tray.menu());
    }

    SessionEnder sessionEnd(form);
    // A signal or the session's end, at any moment: boxes close, what was
    // read is saved, the program ends. A second signal ends it at once.
    ProgramEnd programEnd(loop, [&] { sessionEnd(); });
    TerminationSignals terminationSignals(loop, [&](int) { programEnd.request(); });
    // A logout the user may still cancel: save, and stay reachable.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app,
                     [&](QSessionManager&) { form.SessionSave(); });

    form.Memo1.addLine(dialUp.Description());
    guard([&form] { form.FormCreate(); });
    // Later starts that came during start-up wait in the socket's backlog.
    const IoWatch showWatch = showRequests.start(loop, [&form] { form.ShowRequested(); });
    // Opt-in measure for the start-up benchmark: the first turn of the loop.
    if (std::getenv("PONTAVI_REPORT_STARTUP") != nullptr) {
        loop.post([] { std::fprintf(stderr, "first-turn-boottime-ms %lld\n", bootTimeMs()); });
    }
    if (!programEnd.requested()) {
        loop.run();
    }
    sessionEnd();
    return 0;
}

// --help, --version or an unknown option: answered before anything starts.
// Returns the exit status, or nothing when the program is to run.
std::optional<int> answerCommandLine(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + std::min(argc, 1), argv + argc);
    const pontavi::CommandLine commandLine = pontavi::ParseCommandLine(args);
    if (commandLine.action == pontavi::CommandLine::Action::Run) {
        return std::nullopt;
    }
    const auto reply = pontavi::ReplyTo(commandLine, PONTAVI_VERSION);
    std::fputs(reply.text.c_str(), reply.toStderr ? stderr : stdout);
    return reply.exitStatus;
}

}  // namespace

int main(int argc, char** argv) {
    if (const auto status = answerCommandLine(argc, argv)) {
        return *status;
    }
    std::setlocale(LC_ALL, "");
    // Before any window exists: a second copy asks the running one to show
    // its window, and ends.
    pontavi::LockFileInstance instance(
        pontavi::LockFileInstance::LockPath("Pontavi!", pontavi::SystemEnvironment));
    const std::string showSocket = pontavi::ShowRequestListener::PathBeside(instance.path());
    if (!instance.acquire()) {
        pontavi::SendShowRequest(showSocket);
        return 0;
    }
    // A lock file that could not be opened enforces nothing: no socket either.
    pontavi::ShowRequestListener showRequests(instance.held() ? showSocket : std::string());
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pontavi"));
    QApplication::setApplicationDisplayName(QStringLiteral("Pontavi!"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.pontavi.Pontavi"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(pontavi::trayImage(pontavi::TrayImage::IconNotConnected));
    return run(app, showRequests);
}
