#include "mail/server_address.h"

#include <string_view>

namespace pontavi {

namespace {

constexpr std::size_t kMaxAddress = 255;

ServerAddress Refused(std::string text) {
    ServerAddress a;
    a.error = std::move(text);
    return a;
}

bool ValidPort(std::string_view port) {
    if (port.empty() || port.size() > 5) {
        return false;
    }
    int value = 0;
    for (const char c : port) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= 65535;
}

}  // namespace

ServerAddress SplitServerAddress(const std::string& server, const std::string& defaultPort) {
    const std::string field = server.substr(0, kMaxAddress);
    const std::string quoted = "\"" + field + "\"";
    if (!field.empty() && field.front() == '[') {
        return Refused("IPv6 server addresses are not supported: " + quoted);
    }
    const std::size_t colon = field.find(':');
    if (colon == std::string::npos) {
        return {field, defaultPort, {}};
    }
    if (field.find(':', colon + 1) != std::string::npos) {
        return Refused("IPv6 server addresses are not supported: " + quoted);
    }
    const std::string host = field.substr(0, colon);
    const std::string port = field.substr(colon + 1);
    if (host.empty()) {
        return Refused("No host name before the port in the server address " + quoted);
    }
    if (!ValidPort(port)) {
        return Refused("Bad port in the server address " + quoted + " (1 to 65535)");
    }
    return {host, port, {}};
}

}  // namespace pontavi
