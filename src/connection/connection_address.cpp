#include "connection/connection_address.h"

#include <stdexcept>

namespace pontavi {

std::string ConnectionAddress(DialUpService& dialUp) {
    // The monitor judges "connected" by the first connection, so that is the
    // link whose address the user wants.
    auto connections = dialUp.ActiveConnections();
    if (!connections || connections->empty()) {
        throw std::runtime_error("Copy IP: there is no dial-up connection");
    }
    auto address = dialUp.LocalAddress(connections->front());
    if (!address) {
        throw std::runtime_error("Copy IP: the dial-up connection has no IPv4 address");
    }
    return *address;
}

}  // namespace pontavi
