#pragma once

#include <string>

#include "base/unique_fd.h"

namespace pontavi {

// Listening sockets on ports below 1024, which the program itself may not
// bind: a helper program that alone holds the privilege opens them and hands
// them over. The program never carries a privilege of its own.
class PrivilegedPorts {
  public:
    virtual ~PrivilegedPorts() = default;

    // A listening IPv4 TCP socket on 0.0.0.0:`port`; an invalid descriptor
    // when there is none, with `error` set to the reason (an errno value:
    // ENOENT without a helper, EACCES for a helper without the privilege).
    virtual UniqueFd Listen(int port, int& error) = 0;
    // One line for the user: how to allow the port on this installation.
    virtual std::string HowToAllow(int port) const = 0;
};

}  // namespace pontavi
