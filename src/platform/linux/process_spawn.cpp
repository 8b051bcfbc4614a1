#include "platform/linux/process_spawn.h"

#include <fcntl.h>
#include <sys/syscall.h>

#include <csignal>

extern char** environ;

namespace pontavi {

namespace {

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

ProcessSpawn::ProcessSpawn() {
    keepFirst(::posix_spawn_file_actions_init(&actions_));
    keepFirst(::posix_spawnattr_init(&attr_));
    sigset_t none;
    sigset_t defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int signo : {SIGHUP, SIGINT, SIGTERM, SIGPIPE, SIGCHLD}) {
        sigaddset(&defaults, signo);
    }
    keepFirst(::posix_spawnattr_setsigmask(&attr_, &none));
    keepFirst(::posix_spawnattr_setsigdefault(&attr_, &defaults));
    keepFirst(::posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF));
}

ProcessSpawn::~ProcessSpawn() {
    ::posix_spawn_file_actions_destroy(&actions_);
    ::posix_spawnattr_destroy(&attr_);
}

void ProcessSpawn::keepFirst(int rc) {
    if (error_ == 0) {
        error_ = rc;
    }
}

ProcessSpawn& ProcessSpawn::changeDirectory(const std::string& dir) {
    keepFirst(::posix_spawn_file_actions_addchdir_np(&actions_, dir.c_str()));
    return *this;
}

ProcessSpawn& ProcessSpawn::openNull(int fd, int flags) {
    keepFirst(::posix_spawn_file_actions_addopen(&actions_, fd, "/dev/null", flags, 0));
    return *this;
}

ProcessSpawn& ProcessSpawn::duplicate(int fd, int target) {
    keepFirst(::posix_spawn_file_actions_adddup2(&actions_, fd, target));
    return *this;
}

ProcessSpawn& ProcessSpawn::closeFrom(int lowest) {
    keepFirst(::posix_spawn_file_actions_addclosefrom_np(&actions_, lowest));
    return *this;
}

SpawnedChild ProcessSpawn::start(const std::string& program, const std::vector<std::string>& args,
                                 Lookup lookup, char* const* environment) {
    SpawnedChild child;
    if (error_ != 0) {
        child.error = error_;
        return child;
    }
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    char* const* env = environment != nullptr ? environment : environ;
    child.error =
        lookup == Lookup::Path
            ? ::posix_spawnp(&child.pid, program.c_str(), &actions_, &attr_, argv.data(), env)
            : ::posix_spawn(&child.pid, program.c_str(), &actions_, &attr_, argv.data(), env);
    if (child.error != 0) {
        child.pid = -1;
        return child;
    }
    // Without pidfds (kernels before 5.3) owners poll waitpid instead.
    child.pidfd.reset(OpenPidfd(child.pid));
    return child;
}

}  // namespace pontavi
