#include "net/address_lookup.h"

#include <arpa/inet.h>
#include <unistd.h>

#include <array>
#include <memory>

#include "net/sock_ctrl.h"
#include "net/sock_error.h"
#include "net/socket_base.h"
#include "net/socket_calls.h"

namespace pontavi {

namespace {

constexpr std::size_t kMaxHostName = 255;

}  // namespace

std::optional<std::uint32_t> ParseDottedAddress(const std::string& text) {
    in_addr address{};
    if (::inet_pton(AF_INET, text.c_str(), &address) != 1) {
        return std::nullopt;
    }
    return address.s_addr;
}

std::string FormatDottedAddress(std::uint32_t address) {
    std::array<char, INET_ADDRSTRLEN> text{};
    in_addr in{};
    in.s_addr = address;
    ::inet_ntop(AF_INET, &in, text.data(), text.size());
    return text.data();
}

std::string PeerAddress(const TSocketBase* socket) {
    if (socket == nullptr || !socket->HasSocket() || !socket->Connected()) {
        return "?";
    }
    const auto peer = sockcall::PeerName(socket->Handle());
    if (!peer.ok()) {
        RaiseSockError("Error %d (%s) calling getpeername", peer.error);
    }
    return FormatDottedAddress(peer.value.sin_addr.s_addr);
}

std::string LocalHostName() {
    std::array<char, kMaxHostName + 1> name{};
    if (::gethostname(name.data(), kMaxHostName) != 0) {
        return {};
    }
    return name.data();
}

sockcall::SysResult<std::uint32_t> WaitHostLookup(TSockCtrl& component, const std::string& host,
                                                  const std::function<bool()>& abandon) {
    auto answer = std::make_shared<std::uint32_t>(0);
    Resolver& resolver = component.Layer().Resolve();
    const int err = component.Layer().WaitForLookup(
        component, "Error %d (%s) calling WSAAsyncGetHostByName",
        [&](std::function<void(int)> completed) {
            return resolver.lookupHost(host, [answer, completed](int error, std::uint32_t a) {
                *answer = a;
                completed(error);
            });
        },
        abandon);
    return {*answer, err};
}

sockcall::SysResult<int> WaitServiceLookup(TSockCtrl& component, const std::string& service,
                                           const std::function<bool()>& abandon) {
    auto answer = std::make_shared<int>(0);
    Resolver& resolver = component.Layer().Resolve();
    const std::string protocol = component.Protocol();
    const int err = component.Layer().WaitForLookup(
        component, "Error %d (%s) calling WSAAsyncGetServByName",
        [&](std::function<void(int)> completed) {
            return resolver.lookupService(service, protocol, [answer, completed](int error, int p) {
                *answer = p;
                completed(error);
            });
        },
        abandon);
    return {*answer, err};
}

std::string HostToAddress(TSockCtrl& component, const std::string& host) {
    const auto found = WaitHostLookup(component, host);
    if (!found.ok()) {
        RaiseSockError("Error %d (%s) finding address for host", found.error);
    }
    return FormatDottedAddress(found.value);
}

std::string AddressToHost(TSockCtrl& component, const std::string& dotted) {
    in_addr parsed{};
    if (::inet_aton(dotted.c_str(), &parsed) == 0) {
        // Not an address at all: no reverse entry can exist for it.
        RaiseSockError("Error %d (%s) finding host for address", sockcode::kHostNotFound);
    }
    if (parsed.s_addr == 0) {
        throw ESockError("Can't do reverse lookup on address 0.0.0.0");
    }
    auto answer = std::make_shared<std::string>();
    Resolver& resolver = component.Layer().Resolve();
    const int err = component.Layer().WaitForLookup(
        component, "Error %d (%s) calling WSAAsyncGetHostByAddr",
        [&](std::function<void(int)> completed) {
            return resolver.lookupAddress(parsed.s_addr,
                                          [answer, completed](int error, const std::string& name) {
                                              *answer = name;
                                              completed(error);
                                          });
        });
    if (err != 0) {
        RaiseSockError("Error %d (%s) finding host for address", err);
    }
    return *answer;
}

}  // namespace pontavi
