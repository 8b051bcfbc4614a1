#pragma once

#include "base/unique_fd.h"
#include "platform/linux/interface_source.h"

namespace pontavi {

// The interfaces of the network namespace this object was created in. It asks
// the kernel through netlink (if_nameindex) and ioctls on a socket rather
// than through /sys, which shows the namespace of whoever mounted it.
class SystemInterfaces final : public InterfaceSource {
  public:
    SystemInterfaces();

    std::optional<std::vector<NetInterface>> List() override;
    std::optional<InterfaceStatus> Status(unsigned index) override;

  private:
    UniqueFd socket_;  // any IPv4 datagram socket serves for the ioctls
};

}  // namespace pontavi
