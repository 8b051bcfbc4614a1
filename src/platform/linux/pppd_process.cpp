#include "platform/linux/pppd_process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>

#include <cerrno>
#include <csignal>
#include <system_error>
#include <utility>

extern char** environ;

namespace pontavi {

namespace {

// posix_spawn's attribute and file-action objects, released on every path.
class SpawnSetup {
  public:
    SpawnSetup() {
        ::posix_spawn_file_actions_init(&actions_);
        ::posix_spawnattr_init(&attr_);
    }
    ~SpawnSetup() {
        ::posix_spawn_file_actions_destroy(&actions_);
        ::posix_spawnattr_destroy(&attr_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // The child must not inherit a blocked signal mask or ignored signals
    // from a GUI process: pppd relies on SIGTERM and SIGHUP to end a link.
    void resetSignals() {
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
    void nullStdio() {
        ::posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
        ::posix_spawn_file_actions_addopen(&actions_, 1, "/dev/null", O_WRONLY, 0);
    }

    const posix_spawn_file_actions_t* actions() const { return &actions_; }
    const posix_spawnattr_t* attr() const { return &attr_; }

  private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attr_;
};

// Called through syscall(): some C libraries lack the wrapper or declare it
// without C linkage.
int OpenPidfd(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

}  // namespace

PppdProcess PppdProcess::Spawn(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    SpawnSetup setup;
    setup.resetSignals();
    setup.nullStdio();
    pid_t pid = -1;
    const int rc =
        ::posix_spawnp(&pid, program.c_str(), setup.actions(), setup.attr(), argv.data(), environ);
    if (rc != 0) {
        throw std::system_error(rc, std::generic_category(), program);
    }
    // Without pidfds (kernels before 5.3) the owner polls reap() instead.
    return PppdProcess(pid, UniqueFd(OpenPidfd(pid)));
}

PppdProcess::PppdProcess(PppdProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      pidfd_(std::move(other.pidfd_)),
      status_(std::exchange(other.status_, std::nullopt)) {}

PppdProcess& PppdProcess::operator=(PppdProcess&& other) noexcept {
    if (this != &other) {
        killAndReap();
        pid_ = std::exchange(other.pid_, -1);
        pidfd_ = std::move(other.pidfd_);
        status_ = std::exchange(other.status_, std::nullopt);
    }
    return *this;
}

PppdProcess::~PppdProcess() {
    killAndReap();
}

void PppdProcess::killAndReap() {
    if (pid_ <= 0 || ended()) {
        return;
    }
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    status_ = status;
}

bool PppdProcess::reap() {
    if (ended() || pid_ <= 0) {
        return ended();
    }
    int status = 0;
    const pid_t rc = ::waitpid(pid_, &status, WNOHANG);
    if (rc == pid_) {
        status_ = status;
    } else if (rc < 0 && errno == ECHILD) {
        status_ = 0;  // reaped elsewhere; its status is lost
    }
    return ended();
}

void PppdProcess::signal(int signo) {
    if (pid_ > 0 && !ended()) {
        ::kill(pid_, signo);
    }
}

bool PppdProcess::waitFor(Millis limit) {
    constexpr Millis kSliceMs = 10;
    for (Millis waited = 0; !reap() && waited < limit; waited += kSliceMs) {
        if (pidfd_) {
            pollfd fd{pidfd_.get(), POLLIN, 0};
            ::poll(&fd, 1, static_cast<int>(kSliceMs));
        } else {
            const timespec slice{0, kSliceMs * 1'000'000};
            ::nanosleep(&slice, nullptr);
        }
    }
    return ended();
}

}  // namespace pontavi
