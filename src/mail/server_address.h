#pragma once

#include <optional>
#include <string>

namespace pontavi {

// Where a protected mailbox's connection goes: the Server field as "host" or
// "host:port". Clear-text entries never come here: their field is the host,
// whatever it holds.
struct ServerAddress {
    std::string host;   // also what the certificate is checked against
    std::string port;   // decimal, 1 to 65535; `defaultPort` when none was named
    std::string error;  // a clear text when the field cannot be used; host and port empty then
};

// Splits `server` (only its first 255 characters count, as for every entry).
// An IPv6 address ("[::1]:995", "::1") cannot be used, as connections are
// IPv4; a port that is not a decimal number from 1 to 65535 is refused.
ServerAddress SplitServerAddress(const std::string& server, const std::string& defaultPort);

}  // namespace pontavi
