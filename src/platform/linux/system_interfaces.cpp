#include "platform/linux/system_interfaces.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace pontavi {

namespace {

struct NameIndexDeleter {
    void operator()(struct if_nameindex* list) const { ::if_freenameindex(list); }
};

}  // namespace

SystemInterfaces::SystemInterfaces() : socket_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}

std::optional<std::vector<NetInterface>> SystemInterfaces::List() {
    std::unique_ptr<struct if_nameindex, NameIndexDeleter> list(::if_nameindex());
    if (!list) {
        return std::nullopt;
    }
    std::vector<NetInterface> result;
    for (const struct if_nameindex* it = list.get(); it->if_index != 0; ++it) {
        result.push_back({it->if_index, it->if_name});
    }
    std::sort(result.begin(), result.end(),
              [](const NetInterface& a, const NetInterface& b) { return a.index < b.index; });
    return result;
}

std::optional<InterfaceStatus> SystemInterfaces::Status(unsigned index) {
    if (!socket_) {
        return std::nullopt;
    }
    ifreq request{};
    if (::if_indextoname(index, request.ifr_name) == nullptr) {
        return std::nullopt;
    }
    if (::ioctl(socket_.get(), SIOCGIFFLAGS, &request) != 0) {
        return std::nullopt;
    }
    InterfaceStatus status;
    status.up = (request.ifr_flags & IFF_UP) != 0;
    status.running = (request.ifr_flags & IFF_RUNNING) != 0;
    // SIOCGIFADDR fails with EADDRNOTAVAIL while no IPv4 address is assigned;
    // otherwise it gives the primary local address (not a point-to-point
    // link's peer address).
    status.hasIpv4 = ::ioctl(socket_.get(), SIOCGIFADDR, &request) == 0;
    if (status.hasIpv4 && request.ifr_addr.sa_family == AF_INET) {
        sockaddr_in address{};
        std::memcpy(&address, &request.ifr_addr, sizeof address);
        status.ipv4 = ntohl(address.sin_addr.s_addr);
    }
    return status;
}

}  // namespace pontavi
