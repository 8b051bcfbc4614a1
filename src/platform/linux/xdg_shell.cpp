#include "platform/linux/xdg_shell.h"

#include "platform/linux/desktop_entry_launcher.h"
#include "platform/linux/shell_link_reader.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>

extern char** environ;

namespace pontavi {
namespace {

// posix_spawn's attributes and file actions as owned objects.
class SpawnSetup {
  public:
    SpawnSetup() {
        posix_spawnattr_init(&attr_);
        posix_spawn_file_actions_init(&actions_);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attr_, &none);
        sigset_t defaults;
        sigfillset(&defaults);
        posix_spawnattr_setsigdefault(&attr_, &defaults);
        short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
#ifdef POSIX_SPAWN_SETSID
        flags |= POSIX_SPAWN_SETSID;
#endif
        posix_spawnattr_setflags(&attr_, flags);
        posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attr_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    const posix_spawnattr_t* attr() const {
        return &attr_;
    }
    const posix_spawn_file_actions_t* actions() const {
        return &actions_;
    }

  private:
    posix_spawnattr_t attr_;
    posix_spawn_file_actions_t actions_;
};

}  // namespace

XdgShell::XdgShell(EventLoop& loop, std::string opener, Millis reapInterval)
    : loop_(loop), opener_(std::move(opener)), reapInterval_(reapInterval) {}

XdgShell::~XdgShell() {
    if (reapTimer_ != 0) {
        loop_.removeTimer(reapTimer_);
    }
    reapFinished();
}

bool XdgShell::openUrl(const std::string& url) {
    if (url.empty() || url.front() == '-') {
        return false;
    }
    std::string program = opener_;
    std::string argument = url;
    char* argv[] = {program.data(), argument.data(), nullptr};
    SpawnSetup setup;
    pid_t pid = 0;
    if (posix_spawnp(&pid, program.c_str(), setup.actions(), setup.attr(), argv, environ) != 0) {
        return false;
    }
    children_.push_back(pid);
    if (reapTimer_ == 0) {
        reapTimer_ = loop_.addTimer(reapInterval_, [this] { reapFinished(); });
    }
    return true;
}

void XdgShell::reapFinished() {
    auto finished = [](pid_t pid) {
        int status = 0;
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        return r == pid || (r < 0 && errno == ECHILD);
    };
    children_.erase(std::remove_if(children_.begin(), children_.end(), finished), children_.end());
    if (children_.empty() && reapTimer_ != 0) {
        loop_.removeTimer(reapTimer_);
        reapTimer_ = 0;
    }
}

ShellLinkTarget XdgShell::ReadShellLink(const std::string& file) {
    return ReadShellLinkFile(file);
}

bool XdgShell::StartDesktopEntry(const std::string& file) {
    return LaunchDesktopEntry(file).empty();
}

}  // namespace pontavi
