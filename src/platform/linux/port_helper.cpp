#include "platform/linux/port_helper.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/linux/process_spawn.h"

namespace pontavi {
namespace {

constexpr int kHelperReplyFd = 3;

// The started helper: killed (if still running) and reaped on every path.
class HelperProcess {
  public:
    explicit HelperProcess(pid_t pid) : pid_(pid) {}
    ~HelperProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
        }
    }
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

  private:
    pid_t pid_;
};

// The helper's one message: its errno value and, on success, the socket.
UniqueFd ReceiveReply(int fd, int timeoutMs, int& error) {
    pollfd ready{fd, POLLIN, 0};
    int n = 0;
    do {
        n = ::poll(&ready, 1, timeoutMs);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
        error = n == 0 ? ETIMEDOUT : errno;
        return {};
    }
    std::int32_t reported = 0;
    iovec data{&reported, sizeof reported};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t got = 0;
    do {
        got = ::recvmsg(fd, &message, MSG_CMSG_CLOEXEC);
    } while (got < 0 && errno == EINTR);
    if (got != static_cast<ssize_t>(sizeof reported)) {
        error = got < 0 ? errno : EPROTO;  // the helper ended without a reply
        return {};
    }
    UniqueFd received;
    for (cmsghdr* h = CMSG_FIRSTHDR(&message); h != nullptr; h = CMSG_NXTHDR(&message, h)) {
        if (h->cmsg_level == SOL_SOCKET && h->cmsg_type == SCM_RIGHTS &&
            h->cmsg_len == CMSG_LEN(sizeof(int))) {
            int passed = -1;
            std::memcpy(&passed, CMSG_DATA(h), sizeof passed);
            received.reset(passed);
        }
    }
    if ((message.msg_flags & MSG_CTRUNC) != 0 || reported != 0 || !received) {
        error = reported != 0 ? reported : EPROTO;
        return {};
    }
    return received;
}

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::string OwnFolder() {
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) {
        return {};
    }
    std::string path(buffer, static_cast<std::size_t>(n));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

std::string PortHelper::Find(const std::vector<std::string>& candidates) {
    for (const auto& candidate : candidates) {
        if (!candidate.empty() && IsExecutableFile(candidate)) {
            return candidate;
        }
    }
    return {};
}

std::vector<std::string> PortHelper::Candidates(const std::string& installedPath) {
    std::vector<std::string> out;
    const std::string folder = OwnFolder();
    if (!folder.empty()) {
        out.push_back(folder + "/" + kHelperName);
        out.push_back(folder + "/../libexec/pontavi/" + kHelperName);
    }
    out.push_back(installedPath);
    return out;
}

UniqueFd PortHelper::Listen(int port, int& error) {
    if (helperPath_.empty()) {
        error = ENOENT;
        return {};
    }
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        error = errno;
        return {};
    }
    UniqueFd ours(pair[0]);
    UniqueFd theirs(pair[1]);

    // dup2 onto 3 clears close-on-exec there; every other descriptor of the
    // program stays behind.
    ProcessSpawn spawn;
    spawn.duplicate(theirs.get(), kHelperReplyFd)
        .openNull(0, O_RDONLY)
        .openNull(1, O_WRONLY)
        .openNull(2, O_WRONLY)
        .closeFrom(kHelperReplyFd + 1);
    char* noEnvironment[] = {nullptr};
    const SpawnedChild child = spawn.start(helperPath_, {std::to_string(port)},
                                           ProcessSpawn::Lookup::AsGiven, noEnvironment);
    if (!child.ok()) {
        error = child.error;
        return {};
    }
    const pid_t pid = child.pid;
    HelperProcess helper(pid);
    theirs.reset();  // so a helper that dies unanswered reads as the end of the pair
    UniqueFd listener = ReceiveReply(ours.get(), timeoutMs_, error);
    if (!listener) {
        return {};
    }
    // The socket layer works on non-blocking descriptors only.
    const int flags = ::fcntl(listener.get(), F_GETFL);
    if (flags < 0 || ::fcntl(listener.get(), F_SETFL, flags | O_NONBLOCK) != 0) {
        error = errno;
        return {};
    }
    error = 0;
    return listener;
}

std::string PortHelper::HowToAllow(int port) const {
    if (helperPath_.empty()) {
        return "Port " + std::to_string(port) + " needs the helper " + kHelperName +
               " beside the program; see the README";
    }
    return "To allow port " + std::to_string(port) + ": sudo setcap cap_net_bind_service=+ep " +
           helperPath_;
}

}  // namespace pontavi
