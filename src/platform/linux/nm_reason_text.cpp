#include "platform/linux/nm_reason_text.h"

#include <array>
#include <string_view>
#include <utility>

namespace pontavi {

std::string NmActiveReasonText(unsigned reason) {
    static constexpr std::array<std::string_view, 15> kTexts = {
        "unknown reason",
        "no reason given",
        "deactivated by the user",
        "the device was disconnected",
        "the service stopped",
        "the IP configuration was invalid",
        "the connection attempt timed out",
        "the service did not start in time",
        "the service failed to start",
        "the secrets (PIN, password) were not provided",
        "the login failed",
        "the connection profile was removed",
        "a connection it depends on failed",
        "the device could not be created",
        "the device was removed",
    };
    if (reason < kTexts.size()) {
        return std::string(kTexts[reason]);
    }
    return "NetworkManager reason " + std::to_string(reason);
}

std::string NmDeviceReasonText(unsigned reason) {
    // The reasons a modem, a PPPoE line or a Bluetooth phone gives; the rest
    // (Wi-Fi, bridges, ...) are named by number.
    static constexpr std::array<std::pair<unsigned, std::string_view>, 33> kTexts = {{
        {4, "the device configuration failed"},
        {5, "no IP configuration was available"},
        {6, "the IP configuration expired"},
        {7, "the secrets (PIN, password) were not provided"},
        {12, "the PPP service failed to start"},
        {13, "the PPP service disconnected"},
        {14, "the PPP service failed"},
        {23, "the modem is busy"},
        {24, "the modem has no dial tone"},
        {25, "the modem found no carrier"},
        {26, "the modem's dial timed out"},
        {27, "the modem's dial failed"},
        {28, "the modem could not be initialised"},
        {29, "the mobile network refused the APN"},
        {30, "the modem is not searching for a network"},
        {31, "the mobile network denied registration"},
        {32, "the mobile network registration timed out"},
        {33, "the mobile network registration failed"},
        {34, "the SIM PIN check failed"},
        {36, "the device was removed"},
        {37, "the system is sleeping"},
        {38, "the connection profile was removed"},
        {39, "disconnected by the user"},
        {40, "the carrier changed"},
        {43, "the modem was not found"},
        {44, "the Bluetooth connection failed"},
        {45, "no SIM card is inserted"},
        {46, "the SIM PIN is required"},
        {47, "the SIM PUK is required"},
        {48, "the SIM card is wrong"},
        {52, "ModemManager is not available"},
        {57, "the modem failed"},
        {59, "the SIM PIN was incorrect"},
    }};
    for (const auto& [code, text] : kTexts) {
        if (code == reason) {
            return std::string(text);
        }
    }
    return "NetworkManager device reason " + std::to_string(reason);
}

}  // namespace pontavi
