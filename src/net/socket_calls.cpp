#include "net/socket_calls.h"

#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cerrno>

#include "net/sock_error.h"

namespace pontavi::sockcall {

namespace {

int lastError() {
    return SockErrorFromErrno(errno);
}

IoResult ioFailure() {
    IoResult r;
    r.error = (errno == EAGAIN || errno == EWOULDBLOCK) ? sockcode::kWouldBlock : lastError();
    return r;
}

// The program talks in short request/reply lines, each flushed on its own:
// with Nagle's algorithm a second reply would wait for the peer's delayed ACK.
void sendAtOnce(int fd) {
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

}  // namespace

int CreateStreamSocket(UniqueFd& out) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        return lastError();
    }
    sendAtOnce(fd);
    out.reset(fd);
    return 0;
}

int Connect(int fd, const sockaddr_in& address) {
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        return 0;
    }
    if (errno == EINPROGRESS || errno == EAGAIN || errno == EINTR) {
        return sockcode::kWouldBlock;
    }
    return lastError();
}

int Bind(int fd, const sockaddr_in& address) {
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return lastError();
    }
    return 0;
}

int Listen(int fd, int backlog) {
    return ::listen(fd, backlog) == 0 ? 0 : lastError();
}

int Accept(int fd, UniqueFd& out) {
    const int conn = ::accept4(fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (conn < 0) {
        return (errno == EAGAIN || errno == EWOULDBLOCK) ? sockcode::kWouldBlock : lastError();
    }
    sendAtOnce(conn);
    out.reset(conn);
    return 0;
}

IoResult Recv(int fd, void* buffer, std::size_t size) {
    const ssize_t n = ::recv(fd, buffer, size, MSG_DONTWAIT);
    if (n < 0) {
        return ioFailure();
    }
    IoResult r;
    r.count = static_cast<std::size_t>(n);
    r.eof = n == 0 && size > 0;
    return r;
}

IoResult PeekOne(int fd) {
    char byte;
    const ssize_t n = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n < 0) {
        return ioFailure();
    }
    IoResult r;
    r.count = static_cast<std::size_t>(n);
    r.eof = n == 0;
    return r;
}

IoResult Send(int fd, const void* buffer, std::size_t size) {
    const ssize_t n = ::send(fd, buffer, size, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n < 0) {
        return ioFailure();
    }
    IoResult r;
    r.count = static_cast<std::size_t>(n);
    return r;
}

int UnreadBytes(int fd, std::size_t& count) {
    int n = 0;
    if (::ioctl(fd, FIONREAD, &n) != 0) {
        count = 0;
        return lastError();
    }
    count = n > 0 ? static_cast<std::size_t>(n) : 0;
    return 0;
}

int PendingError(int fd) {
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) {
        return lastError();
    }
    return SockErrorFromErrno(err);
}

bool HasPeer(int fd) {
    sockaddr_in peer{};
    return PeerName(fd, peer) == 0;
}

bool PeerHasClosed(int fd) {
    tcp_info info{};
    socklen_t len = sizeof info;
    if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &len) != 0) {
        return true;
    }
    switch (info.tcpi_state) {
        case TCP_ESTABLISHED:
        case TCP_FIN_WAIT1:
        case TCP_FIN_WAIT2:
        case TCP_SYN_SENT:
        case TCP_SYN_RECV:
            return false;
        default:  // CLOSE_WAIT, LAST_ACK, CLOSING, TIME_WAIT, CLOSE
            return true;
    }
}

int PeerName(int fd, sockaddr_in& out) {
    socklen_t len = sizeof out;
    return ::getpeername(fd, reinterpret_cast<sockaddr*>(&out), &len) == 0 ? 0 : lastError();
}

int LocalName(int fd, sockaddr_in& out) {
    socklen_t len = sizeof out;
    return ::getsockname(fd, reinterpret_cast<sockaddr*>(&out), &len) == 0 ? 0 : lastError();
}

}  // namespace pontavi::sockcall
