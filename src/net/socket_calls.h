#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <vector>

#include "base/unique_fd.h"

// Error style of the socket layer: these wrappers never throw and take no
// out-parameters. A call that yields a value returns SysResult<T>; a call with
// nothing to yield returns the plain error code (0 on success). Errors are
// Windows Sockets codes (see sock_error.h). Only the socket classes above
// this file raise ESockError.

namespace pontavi::sockcall {

// A value, or the error code that kept the call from producing it.
template <class T>
struct SysResult {
    T value{};
    int error = 0;
    bool ok() const { return error == 0; }
};

// The outcome of moving bytes: `count` moved, or `eof` (the peer closed its
// side), or `error` (sockcode::kWouldBlock when nothing can move now).
struct IoResult {
    std::size_t count = 0;
    int error = 0;
    bool eof = false;
};

// A non-blocking, close-on-exec IPv4 stream socket.
SysResult<UniqueFd> CreateStreamSocket();
// Starts a non-blocking connect; "in progress" is reported as kWouldBlock.
int Connect(int fd, const sockaddr_in& address);
// Binds with address reuse, so a restart is not refused by old connections
// lingering in TIME_WAIT (an active listener still refuses the bind).
int Bind(int fd, const sockaddr_in& address);
int Listen(int fd, int backlog);
// Accepts one waiting connection as a non-blocking socket. Both kinds of
// socket send small writes at once (no Nagle delay).
SysResult<UniqueFd> Accept(int fd);

IoResult Recv(int fd, void* buffer, std::size_t size);
// Looks at the next byte without taking it.
IoResult PeekOne(int fd);
// Never raises SIGPIPE.
IoResult Send(int fd, const void* buffer, std::size_t size);

// Bytes waiting to be received.
SysResult<std::size_t> UnreadBytes(int fd);
// The pending error of the socket (SO_ERROR), cleared by reading it.
int PendingError(int fd);
// True when the connection has been established (a peer address exists).
bool HasPeer(int fd);
// True when the peer has closed or reset the connection, whatever is still
// unread: used for sockets whose reading is paused.
bool PeerHasClosed(int fd);
// How many of the connections given have been closed or reset by their
// peers, asked in one call however many there are.
std::size_t PeersClosed(const std::vector<int>& fds);

SysResult<sockaddr_in> PeerName(int fd);
SysResult<sockaddr_in> LocalName(int fd);

}  // namespace pontavi::sockcall
