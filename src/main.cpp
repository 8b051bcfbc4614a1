// The process entry: one copy per user, the real platform services, the main
// window and its view, then the event loop until "&Exit" or a session end.

#include <QApplication>
#include <QDir>
#include <QSystemTrayIcon>

#include <time.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "app/form1.h"
#include "net/system_resolver.h"
#include "platform/linux/lock_file_instance.h"
#include "platform/linux/ppp_dialup.h"
#include "platform/linux/system_interfaces.h"
#include "platform/linux/xdg_paths.h"
#include "platform/linux/xdg_shell.h"
#include "ui/form_view.h"
#include "ui/main_window.h"
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

// Milliseconds since the kernel started this process, dynamic linking
// included (its start time in /proc/self/stat counts clock ticks since boot),
// or -1 when that cannot be read.
long long msSinceProcessStart() {
    std::ifstream statFile("/proc/self/stat");
    const std::string stat{std::istreambuf_iterator<char>(statFile), {}};
    const auto nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos) {
        return -1;
    }
    std::istringstream fields(stat.substr(nameEnd + 1));
    std::string skipped;
    for (int field = 3; field < 22; ++field) {  // state .. itrealvalue
        fields >> skipped;
    }
    unsigned long long startTicks = 0;
    timespec now{};
    const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    if (!(fields >> startTicks) || ticksPerSecond <= 0 ||
        ::clock_gettime(CLOCK_BOOTTIME, &now) != 0) {
        return -1;
    }
    return now.tv_sec * 1000LL + now.tv_nsec / 1000000 -
           static_cast<long long>(startTicks * 1000 /
                                  static_cast<unsigned long long>(ticksPerSecond));
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

int run(QApplication& app) {
    using namespace pontavi;
    QtEventLoop loop;
    MainWindow window;
    QtDialogs dialogs(&window);
    const auto report = [&dialogs](const std::string& message) { dialogs.ShowMessage(message); };
    loop.OnError = report;

    XdgPaths paths;
    QtClipboard clipboard;
    XdgShell shell(loop);
    SystemResolver resolver(loop);
    SystemInterfaces interfaces;
    PppDialUp dialUp(loop, PppPaths::FromEnvironment(), interfaces);
    QtHelp help(helpFolder());

    TForm1 form(
        FormServices{loop, dialogs, paths, clipboard, shell, resolver, dialUp, help, window});
    FormView view(window, form, report);
    Tray tray(form.TrayIcon1, form.PopupMenu1(), report);
    window.TrayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };

    SessionEnder sessionEnd(form);
    TerminationSignals terminationSignals(loop, [&](int) {
        sessionEnd();
        loop.quit();
    });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [&] { sessionEnd(); });

    try {
        form.FormCreate();
    } catch (const std::exception& e) {
        report(e.what());
    }
    // Without a tray the window is the only way in.
    if (!QSystemTrayIcon::isSystemTrayAvailable() && !form.Visible()) {
        form.TrayIcon1Click();
    }
    // Opt-in measure for the start-up benchmark: the first turn of the loop.
    if (std::getenv("PONTAVI_REPORT_STARTUP") != nullptr) {
        loop.post([] { std::fprintf(stderr, "startup-ms %lld\n", msSinceProcessStart()); });
    }
    loop.run();
    sessionEnd();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    // Before any window exists: a second copy ends without a trace.
    pontavi::LockFileInstance instance(
        pontavi::LockFileInstance::LockPath("Pontavi!", pontavi::SystemEnvironment));
    if (!instance.acquire()) {
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pontavi"));
    QApplication::setApplicationDisplayName(QStringLiteral("Pontavi!"));
    QApplication::setDesktopFileName(QStringLiteral("pontavi"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(pontavi::trayImage(pontavi::TrayImage::IconNotConnected));
    return run(app);
}
