#pragma once

#include <string>

namespace pontavi {

// One configured mailbox: row i of ServersInfo belongs to item i of
// ServerNames. Any field may be empty.
struct MailServerRecord {
    std::string Name;
    std::string Server;    // host name or dotted address; its first 255 characters are used
    std::string UserName;  // sent after "user " as stored
    std::string Password;  // plain text in memory only; scrambled in the store
    bool operator==(const MailServerRecord&) const = default;
};

}  // namespace pontavi
