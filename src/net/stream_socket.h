#pragma once

#include "net/socket_base.h"

namespace pontavi {

// An unbuffered stream connection: OnRead announces data, the handler takes
// it with Recv.
class TStreamSocket : public TSocketBase {
  public:
    using TSocketBase::TSocketBase;

    // Bytes taken, at most count; 0 when nothing waits. Raises "Socket not
    // open" when not connected and "Error %d (%s) recieving" on failure.
    std::size_t Recv(void* data, std::size_t count) override;
    // Bytes the system accepted; 0 when it would block (OnWrite follows when
    // writable again) or when not connected. Raises "Error %d (%s) sending".
    std::size_t Send(const void* data, std::size_t count) override;

    // Only stream sockets exist: any other type raises
    // "Invalid type for a Stream socket".
    void SetSocketType(int type);
};

}  // namespace pontavi
