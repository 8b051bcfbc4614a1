#include "platform/linux/spawn_process_starter.h"

#include <glib.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <memory>

extern char** environ;

namespace pontavi {

namespace {

// posix_spawn's attribute and file-action objects, released on every path.
class SpawnSetup {
  public:
    SpawnSetup() {
        ::posix_spawn_file_actions_init(&actions_);
        ::posix_spawnattr_init(&attr_);
        // A GUI process may block or ignore signals; the program must not
        // inherit that.
        sigset_t none;
        sigset_t defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        for (int signo : {SIGHUP, SIGINT, SIGTERM, SIGPIPE, SIGCHLD}) {
            sigaddset(&defaults, signo);
        }
        ::posix_spawnattr_setsigmask(&attr_, &none);
        ::posix_spawnattr_setsigdefault(&attr_, &defaults);
        ::posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSetup() {
        ::posix_spawn_file_actions_destroy(&actions_);
        ::posix_spawnattr_destroy(&attr_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    int changeDirectory(const std::string& dir) {
        return ::posix_spawn_file_actions_addchdir_np(&actions_, dir.c_str());
    }
    const posix_spawn_file_actions_t* actions() const { return &actions_; }
    const posix_spawnattr_t* attr() const { return &attr_; }

  private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attr_;
};

int openPidfd(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

struct GStrvFree {
    void operator()(gchar** v) const { g_strfreev(v); }
};

}  // namespace

bool SplitParameters(const std::string& text, std::vector<std::string>& words) {
    if (text.find_first_not_of(" \t\n") == std::string::npos) {
        words.clear();
        return true;
    }
    // GLib's shell-style tokenizer: quoting and escapes only, no expansion.
    gint count = 0;
    gchar** raw = nullptr;
    GError* error = nullptr;
    if (!g_shell_parse_argv(text.c_str(), &count, &raw, &error)) {
        const bool empty = error != nullptr && error->code == G_SHELL_ERROR_EMPTY_STRING;
        g_clear_error(&error);
        if (empty) {
            words.clear();
        }
        return empty;
    }
    std::unique_ptr<gchar*, GStrvFree> argv(raw);
    words.assign(raw, raw + count);
    return true;
}

SpawnProcessStarter::~SpawnProcessStarter() = default;

int SpawnProcessStarter::Start(const ProcessRequest& request) {
    reapEnded();
    std::vector<std::string> words{request.program};
    std::vector<std::string> params;
    if (request.program.empty()) {
        return ENOENT;
    }
    if (!SplitParameters(request.parameters, params)) {
        return EINVAL;
    }
    words.insert(words.end(), params.begin(), params.end());
    std::vector<char*> argv;
    for (auto& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    SpawnSetup setup;
    if (!request.workingDirectory.empty()) {
        if (const int rc = setup.changeDirectory(request.workingDirectory); rc != 0) {
            return rc;
        }
    }
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, request.program.c_str(), setup.actions(), setup.attr(),
                                 argv.data(), environ);
    if (rc != 0) {
        return rc;
    }
    if (request.wait) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return 0;
    }
    watchChild(pid);
    return 0;
}

void SpawnProcessStarter::watchChild(pid_t pid) {
    Child child{UniqueFd(openPidfd(pid)), IoWatch()};
    if (child.pidfd) {
        child.watch = loop_.watch(child.pidfd.get(), EventLoop::kReadable, [this, pid](unsigned) {
            auto it = children_.find(pid);
            if (it == children_.end()) {
                return;
            }
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == 0) {
                return;  // not ended after all
            }
            children_.erase(it);  // its watch ends with it
        });
    }
    // Without pidfds (kernels before 5.3) ended programs are collected at the
    // next start.
    children_.emplace(pid, std::move(child));
}

void SpawnProcessStarter::reapEnded() {
    for (auto it = children_.begin(); it != children_.end();) {
        int status = 0;
        if (!it->second.watch && ::waitpid(it->first, &status, WNOHANG) != 0) {
            it = children_.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace pontavi
