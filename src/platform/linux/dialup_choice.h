#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/dialup_service.h"
#include "platform/event_loop.h"
#include "platform/linux/interface_source.h"
#include "platform/linux/ppp_dialup.h"

namespace pontavi {

// Which dial-up service the phone book and the links come from.
enum class DialUpKind { Pppd, NetworkManager };

// PONTAVI_DIALUP ("pppd" or "networkmanager") forces one; otherwise
// NetworkManager when it is running (asked only then), pppd when not. Other
// values are ignored.
DialUpKind ChooseDialUp(const char* forced, const std::function<bool()>& networkManagerRunning);

// Whether NetworkManager owns its name on the system bus (asked once, with a
// short time limit).
bool NetworkManagerRunning();

// The chosen backend. The pppd one always exists: beside NetworkManager it
// still reports the links of a pppd started by hand.
class DialUpBackends {
  public:
    DialUpBackends(EventLoop& loop, InterfaceSource& interfaces, DialUpKind kind);
    ~DialUpBackends();

    DialUpService& service();
    // The line the Requests log shows at start.
    std::string Description() const;

  private:
    DialUpKind kind_;
    PppDialUp ppp_;
    std::unique_ptr<DialUpService> networkManager_;
};

}  // namespace pontavi
