#pragma once

#include <netinet/in.h>

#include <cstddef>

#include "base/unique_fd.h"

namespace pontavi::sockcall {

// Each system call the socket layer makes, wrapped once. Errors come back as
// Windows Sockets codes (see sock_error.h); nothing here throws.

// The outcome of moving bytes: `count` moved, or `eof` (the peer closed its
// side), or `error` (sockcode::kWouldBlock when nothing can move now).
struct IoResult {
    std::size_t count = 0;
    int error = 0;
    bool eof = false;
};

// A non-blocking, close-on-exec IPv4 stream socket.
int CreateStreamSocket(UniqueFd& out);
// Starts a non-blocking connect; "in progress" is reported as kWouldBlock.
int Connect(int fd, const sockaddr_in& address);
// Binds with address reuse, so a restart is not refused by old connections
// lingering in TIME_WAIT (an active listener still refuses the bind).
int Bind(int fd, const sockaddr_in& address);
int Listen(int fd, int backlog);
// Accepts one waiting connection as a non-blocking socket. Both kinds of
// socket send small writes at once (no Nagle delay).
int Accept(int fd, UniqueFd& out);

IoResult Recv(int fd, void* buffer, std::size_t size);
// Looks at the next byte without taking it.
IoResult PeekOne(int fd);
// Never raises SIGPIPE.
IoResult Send(int fd, const void* buffer, std::size_t size);

// Bytes waiting to be received; returns the error code (0 on success).
int UnreadBytes(int fd, std::size_t& count);
// The pending error of the socket (SO_ERROR), cleared by reading it.
int PendingError(int fd);
// True when the connection has been established (a peer address exists).
bool HasPeer(int fd);
// True when the peer has closed or reset the connection, whatever is still
// unread: used for sockets whose reading is paused.
bool PeerHasClosed(int fd);

int PeerName(int fd, sockaddr_in& out);
int LocalName(int fd, sockaddr_in& out);

}  // namespace pontavi::sockcall
