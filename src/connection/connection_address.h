#pragma once

#include <string>

#include "platform/dialup_service.h"

namespace pontavi {

// The address the connect actions copy to the clipboard: the first dial-up
// connection's own IPv4 address, in dotted form. The local host name would
// resolve to loopback here, so the link itself is asked. Throws
// std::runtime_error when there is no connection or it has no IPv4 address
// (it went down, or is not an IPv4 link).
std::string ConnectionAddress(DialUpService& dialUp);

}  // namespace pontavi
