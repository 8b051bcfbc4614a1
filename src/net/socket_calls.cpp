#include "net/socket_calls.h"

#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <algorithm>
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

SysResult<UniqueFd> CreateStreamSocket() {
    SysResult<UniqueFd> r;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        r.error = lastError();
        return r;
    }
    sendAtOnce(fd);
    r.value.reset(fd);
    return r;
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

SysResult<UniqueFd> Accept(int fd) {
    SysResult<UniqueFd> r;
    const int conn = ::accept4(fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (conn < 0) {
        r.error = (errno == EAGAIN || errno == EWOULDBLOCK) ? sockcode::kWouldBlock : lastError();
        return r;
    }
    sendAtOnce(conn);
    r.value.reset(conn);
    return r;
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

SysResult<std::size_t> UnreadBytes(int fd) {
    SysResult<std::size_t> r;
    int n = 0;
    if (::ioctl(fd, FIONREAD, &n) != 0) {
        r.error = lastError();
        return r;
    }
    r.value = n > 0 ? static_cast<std::size_t>(n) : 0;
    return r;
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
    return PeerName(fd).ok();
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

std::size_t PeersClosed(const std::vector<int>& fds) {
    std::vector<pollfd> polled;
    polled.reserve(fds.size());
    for (const int fd : fds) {
        polled.push_back(pollfd{.fd = fd, .events = POLLRDHUP, .revents = 0});
    }
    int ready = 0;
    do {
        ready = ::poll(polled.data(), polled.size(), 0);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) {
        return 0;
    }
    return static_cast<std::size_t>(std::count_if(
        polled.begin(), polled.end(),
        [](const pollfd& p) { return (p.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0; }));
}

SysResult<sockaddr_in> PeerName(int fd) {
    SysResult<sockaddr_in> r;
    socklen_t len = sizeof r.value;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&r.value), &len) != 0) {
        r.error = lastError();
    }
    return r;
}

SysResult<sockaddr_in> LocalName(int fd) {
    SysResult<sockaddr_in> r;
    socklen_t len = sizeof r.value;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&r.value), &len) != 0) {
        r.error = lastError();
    }
    return r;
}

}  // namespace pontavi::sockcall
