// pontavi-bind113: the one file of the project that carries a capability
// (cap_net_bind_service). It opens the listening socket of the Ident port for
// the program, which may not bind a port below 1024 itself, and exits.
//
// usage: pontavi-bind113 113        (started by the program, never by hand)
//
// Descriptor 3 must be a Unix stream socket (the program's end of a socket
// pair). On it the helper sends one message: a 4-byte errno value, 0 on
// success, and on success the listening socket itself (SCM_RIGHTS). Exit
// status 0 on success, 1 on a failed bind, 2 on a bad call.
//
// Deliberately small: no Qt, no library of the project, nothing read from
// the environment or from files, one fixed port, a socket on 0.0.0.0 and
// nothing else, so the capability can do no more than that.

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

constexpr int kReplyFd = 3;
constexpr std::uint16_t kIdentPort = 113;
constexpr int kBacklog = 128;  // as the Ident listener binds itself: room for reconnect bursts

bool IsStreamSocket(int fd) {
    struct stat st {};
    int type = 0;
    socklen_t length = sizeof type;
    return ::fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode) &&
           ::getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) == 0 && type == SOCK_STREAM;
}

// Returns the listening socket, or -1 with errno set.
int OpenListener() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        return -1;
    }
    const int on = 1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(kIdentPort);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, kBacklog) != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

bool Reply(std::int32_t error, int listener) {
    iovec data{&error, sizeof error};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    if (listener >= 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = SOL_SOCKET;
        header->cmsg_type = SCM_RIGHTS;
        header->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(header), &listener, sizeof listener);
    }
    ssize_t sent = 0;
    do {
        sent = ::sendmsg(kReplyFd, &message, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(sizeof error);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], "113") != 0 || !IsStreamSocket(kReplyFd)) {
        return 2;
    }
    const int listener = OpenListener();
    const std::int32_t error = listener >= 0 ? 0 : errno;
    const bool sent = Reply(error, listener);
    return sent && listener >= 0 ? 0 : 1;
}
