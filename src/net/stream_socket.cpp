#include "net/stream_socket.h"

#include <sys/socket.h>

#include "net/sock_error.h"
#include "net/socket_calls.h"

namespace pontavi {

std::size_t TStreamSocket::Recv(void* data, std::size_t count) {
    if (!Connected() && State() != TSocketState::ssClosing) {
        throw ESockError("Socket not open");
    }
    const sockcall::IoResult r = ReceiveBytes(data, count);
    if (r.error != 0 && r.error != sockcode::kWouldBlock) {
        setLastError(r.error);
        RaiseSockError("Error %d (%s) recieving", r.error);
    }
    setLastError(0);
    DataTaken(r.count);
    return r.count;
}

std::size_t TStreamSocket::Send(const void* data, std::size_t count) {
    if (!Connected() || count == 0) {
        return 0;
    }
    const sockcall::IoResult r = SendBytes(data, count);
    if (r.error == sockcode::kWouldBlock) {
        WantWrite();
        return 0;
    }
    if (r.error != 0) {
        setLastError(r.error);
        RaiseSockError("Error %d (%s) sending", r.error);
    }
    setLastError(0);
    if (r.count < count) {
        WantWrite();
    }
    return r.count;
}

void TStreamSocket::SetSocketType(int type) {
    if (type != SOCK_STREAM) {
        throw ESockError("Invalid type for a Stream socket");
    }
}

}  // namespace pontavi
