#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pontavi {

// One network interface as the kernel names it.
struct NetInterface {
    unsigned index = 0;
    std::string name;
};

// What the link state of one interface looks like at this moment.
struct InterfaceStatus {
    bool up = false;         // administratively up
    bool running = false;    // has carrier
    bool hasIpv4 = false;    // an IPv4 address is assigned
    std::uint32_t ipv4 = 0;  // that (local) address, host byte order; 0 without one
};

// Where the dial-up backend learns about network interfaces; the system's
// own in production, a scripted one in tests.
class InterfaceSource {
  public:
    virtual ~InterfaceSource() = default;

    // Every interface, in ascending index order (the kernel's order); nullopt
    // when they cannot be listed.
    virtual std::optional<std::vector<NetInterface>> List() = 0;

    // The state of one interface; nullopt when it has gone or cannot be read.
    virtual std::optional<InterfaceStatus> Status(unsigned index) = 0;
};

}  // namespace pontavi
