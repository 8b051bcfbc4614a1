#pragma once

#include <optional>
#include <string>

namespace pontavi {

// How a mailbox's connection is protected. None is the clear-text dialogue
// on port 110 and the value of every entry stored before the choice existed.
enum class MailSecurity {
    None,      // clear text, port 110
    Tls,       // TLS from the first byte (POP3S), port 995
    StartTls,  // clear text on port 110 upgraded by STLS before USER
};

// The stored words: "None", "TLS", "STARTTLS"; nullopt for any other text.
inline const char* MailSecurityText(MailSecurity security) {
    switch (security) {
        case MailSecurity::Tls:
            return "TLS";
        case MailSecurity::StartTls:
            return "STARTTLS";
        case MailSecurity::None:
            break;
    }
    return "None";
}
inline std::optional<MailSecurity> MailSecurityFromText(const std::string& text) {
    for (const MailSecurity s : {MailSecurity::None, MailSecurity::Tls, MailSecurity::StartTls}) {
        if (text == MailSecurityText(s)) {
            return s;
        }
    }
    return std::nullopt;
}

// One configured mailbox: row i of ServersInfo belongs to item i of
// ServerNames. Any field may be empty.
struct MailServerRecord {
    std::string Name;
    std::string Server;    // host name or dotted address; its first 255 characters are used
    std::string UserName;  // sent after "user " as stored
    std::string Password;  // plain text in memory only; scrambled in the store
    MailSecurity Security = MailSecurity::None;
    bool operator==(const MailServerRecord&) const = default;
};

}  // namespace pontavi
