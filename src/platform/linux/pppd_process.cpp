#include "platform/linux/pppd_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <time.h>

#include <cerrno>
#include <csignal>
#include <system_error>
#include <utility>

#include "platform/linux/process_spawn.h"

namespace pontavi {

PppdProcess PppdProcess::Spawn(const std::string& program, const std::vector<std::string>& args) {
    // pppd relies on SIGTERM and SIGHUP to end a link; stdin and stdout on
    // /dev/null keep it off our terminal.
    ProcessSpawn spawn;
    spawn.openNull(0, O_RDONLY).openNull(1, O_WRONLY);
    SpawnedChild child = spawn.start(program, args, ProcessSpawn::Lookup::Path);
    if (!child.ok()) {
        throw std::system_error(child.error, std::generic_category(), program);
    }
    return PppdProcess(child.pid, std::move(child.pidfd));
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
