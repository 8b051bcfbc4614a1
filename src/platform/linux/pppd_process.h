#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "base/unique_fd.h"
#include "platform/event_loop.h"

namespace pontavi {

// Owns one started pppd: its process id and, where the kernel offers it, a
// pidfd that turns readable when the process ends, so the loop can reap it
// without blocking. A process still running when its owner goes is killed and
// reaped, so it can never linger as a zombie.
class PppdProcess {
  public:
    // Starts `program` (looked up on PATH, no shell) with `args` after
    // argv[0], with stdin and stdout on /dev/null so the child never takes
    // our terminal for its link. Throws std::system_error when it cannot start.
    static PppdProcess Spawn(const std::string& program, const std::vector<std::string>& args);

    PppdProcess(PppdProcess&& other) noexcept;
    PppdProcess& operator=(PppdProcess&& other) noexcept;
    PppdProcess(const PppdProcess&) = delete;
    PppdProcess& operator=(const PppdProcess&) = delete;
    ~PppdProcess();

    pid_t pid() const { return pid_; }
    // Readable once the process has ended; -1 when the kernel has no pidfds
    // and the owner must call reap() from time to time instead.
    int exitFd() const { return pidfd_.get(); }

    // Collects the exit status if the process has ended; never blocks.
    bool reap();
    bool ended() const { return status_.has_value(); }
    // The raw wait status; 0 when somebody else reaped the process first.
    int waitStatus() const { return status_.value_or(0); }

    // Signals the process unless it has already been reaped.
    void signal(int signo);
    // Waits at most `limit` for the end, blocking the caller; for shutdown only.
    bool waitFor(Millis limit);

  private:
    PppdProcess(pid_t pid, UniqueFd pidfd) : pid_(pid), pidfd_(std::move(pidfd)) {}
    void killAndReap();

    pid_t pid_ = -1;
    UniqueFd pidfd_;
    std::optional<int> status_;
};

}  // namespace pontavi
