#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "net/socket_calls.h"

namespace pontavi {

class TSockCtrl;
class TSocketBase;

// A strict dotted IPv4 text ("a.b.c.d") as an address in network byte order.
std::optional<std::uint32_t> ParseDottedAddress(const std::string& text);
std::string FormatDottedAddress(std::uint32_t address);

// The remote end's dotted address; "?" when the socket object has no open
// system socket or is not connected. Raises "Error %d (%s) calling getpeername".
std::string PeerAddress(const TSocketBase* socket);

// The machine's host name (at most 255 characters); empty on failure.
std::string LocalHostName();

// Lookups made through a component: the caller waits in a nested loop while
// timers and user input go on, with the component's time-out covering the
// wait; socket notifications arriving meanwhile are delivered after it.

// The first IPv4 address of a host, dotted. Raises
// "Error %d (%s) finding address for host".
std::string HostToAddress(TSockCtrl& component, const std::string& host);

// The official name of the host at a dotted address (the classic address
// syntax, "127.1" included). "0.0.0.0" raises "Can't do reverse lookup on
// address 0.0.0.0" without asking; a failure raises
// "Error %d (%s) finding host for address".
std::string AddressToHost(TSockCtrl& component, const std::string& dotted);

// The waits themselves: the first IPv4 address of the host (network byte
// order) or the port of the service for the component's protocol, or the
// lookup's error code. An abandoned wait ends with whatever error it gives.
sockcall::SysResult<std::uint32_t> WaitHostLookup(TSockCtrl& component, const std::string& host,
                                                  const std::function<bool()>& abandon = {});
sockcall::SysResult<int> WaitServiceLookup(TSockCtrl& component, const std::string& service,
                                           const std::function<bool()>& abandon = {});

}  // namespace pontavi
