#pragma once

#include <string>

namespace pontavi {

// Error codes of the pppd dial-up backend. 1 to 21 are pppd's own exit
// statuses; the rest are refusals made before pppd is started.
namespace ppp_error {
inline constexpr int kTerminatedBySignal = 5;  // pppd's status for SIGTERM/SIGINT/SIGHUP
inline constexpr int kBadEntryName = 623;      // a name that must never reach pppd
inline constexpr int kNoSuchEntry = 624;       // no such file in the peers folder
inline constexpr int kStartFailedBase = 1000;  // + errno of the failed start of pppd
}  // namespace ppp_error

// A short text for any of the codes above (at most 100 characters).
std::string PppErrorText(int code);

}  // namespace pontavi
