#pragma once

#include <string>

namespace pontavi {

// Short texts for NetworkManager's reasons why an active connection or its
// device went down, as a user reads them in an error message. Codes are
// NetworkManager's own numbers (NMActiveConnectionStateReason and
// NMDeviceStateReason); unknown ones get their number.
std::string NmActiveReasonText(unsigned reason);
std::string NmDeviceReasonText(unsigned reason);

}  // namespace pontavi
