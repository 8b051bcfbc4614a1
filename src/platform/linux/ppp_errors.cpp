#include "platform/linux/ppp_errors.h"

#include <array>
#include <cstring>

namespace pontavi {

namespace {

// Indexed by pppd's exit status.
constexpr std::array<const char*, 22> kPppdExitTexts = {
    "The link ended normally",
    "pppd met a fatal error",
    "The dial-up entry has an option error",
    "pppd needs root privileges to run",
    "The kernel has no PPP support",
    "pppd was ended by a signal",
    "The serial port could not be locked",
    "The serial port could not be opened",
    "The connect script failed",
    "The pty command failed",
    "PPP negotiation failed",
    "The peer failed to authenticate itself",
    "The link was idle for too long",
    "The connect-time limit was reached",
    "The peer is calling back",
    "The peer is not responding",
    "The modem hung up",
    "A serial loopback was detected",
    "The modem init script failed",
    "Authentication to the peer failed",
    "The traffic limit was reached",
    "The calling number is not authorised",
};

}  // namespace

std::string PppErrorText(int code) {
    if (code >= 0 && code < static_cast<int>(kPppdExitTexts.size())) {
        return kPppdExitTexts[static_cast<std::size_t>(code)];
    }
    if (code == ppp_error::kBadEntryName) {
        return "The dial-up entry name is not valid";
    }
    if (code == ppp_error::kNoSuchEntry) {
        return "The dial-up entry does not exist";
    }
    if (code > ppp_error::kStartFailedBase) {
        return std::string("pppd could not be started: ") +
               std::strerror(code - ppp_error::kStartFailedBase);
    }
    return "Unknown dial-up error " + std::to_string(code);
}

}  // namespace pontavi
