#pragma once

#include <string>
#include <vector>

#include "platform/dialup_service.h"

namespace pontavi {

// The text of AutoConnectEntry that means "never dial for mail".
inline constexpr const char* kNoAutoConnect = "No Auto-Connect";

// The dial-up state the main window shares between the connection monitor,
// the auto-connect dialler, the mail checker and the launch sequence.
struct ConnectionState {
    // The first dial-up connection was up at the last monitor tick.
    bool NetConnected = false;
    // The current dial or connection was started by the program to check mail.
    bool AutoDialed = false;
    // The phone book entry dialled for mail checks, or kNoAutoConnect.
    std::string AutoConnectEntry = kNoAutoConnect;
    // Minutes (of 55 s) between auto-connect dials.
    int AutoConnectInterval = 60;
    // The handle of the program's last dial; 0 for none.
    ConnectionHandle DialHandle = 0;
    // The phone book's entry names, rebuilt at every monitor tick.
    std::vector<std::string> RasEntryList;
    // The launch sequence's next program; -1 when no sequence runs.
    int AppsIndex = -1;
};

}  // namespace pontavi
