#pragma once

#include <optional>
#include <string>

namespace pontavi {

// The assigned Internet protocol numbers a component's Protocol may name:
// IP 0, ICMP 1, GGP 2, TCP 6, PUP 12, UDP 17, IDP 22, ND 77, RAW 255.

// The number of a protocol name, letter case ignored; nullopt when unknown.
std::optional<int> ProtocolNumberOf(const std::string& name);

// The lower-case name of a protocol number (the form the services database
// uses, "tcp"); empty when unknown.
std::string ProtocolNameOf(int number);

}  // namespace pontavi
