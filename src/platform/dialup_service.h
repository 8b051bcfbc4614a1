#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pontavi {

// Opaque identity of a dial or of an active connection; 0 means none.
using ConnectionHandle = std::uint64_t;

// The immediate answer to a dial: the handle of the dial that has started, or
// a non-zero error code (see ErrorText) and no handle.
struct DialResult {
    ConnectionHandle handle = 0;
    int error = 0;

    bool started() const { return error == 0; }
};

// The system's dial-up service: its phone book, its active connections, and
// dialling and hanging up by entry name. All calls are made on the loop
// thread and return at once; nothing here blocks on the link itself.
class DialUpService {
  public:
    virtual ~DialUpService() = default;

    // The names of the phone book's entries, in the service's order;
    // nullopt when the phone book cannot be read.
    virtual std::optional<std::vector<std::string>> EntryNames() = 0;

    // The active dial-up connections, in the service's order; nullopt when
    // they cannot be enumerated.
    virtual std::optional<std::vector<ConnectionHandle>> ActiveConnections() = 0;

    // Whether that connection is up (a connection still dialling or
    // negotiating is not); false for a handle that has gone.
    virtual bool IsConnected(ConnectionHandle connection) = 0;

    // The connection's own IPv4 address in dotted form; nullopt when it has
    // none (yet) or has gone.
    virtual std::optional<std::string> LocalAddress(ConnectionHandle connection) = 0;

    // Starts dialling the named entry. onLaterError runs on the loop thread,
    // at most once, when the dial or the link it made fails afterwards; it
    // never runs after HangUp of that handle.
    virtual DialResult Dial(const std::string& entry,
                            std::function<void(int error)> onLaterError) = 0;

    // A short text describing an error code of Dial or onLaterError.
    virtual std::string ErrorText(int code) = 0;

    // Ends the dial (or the link it made) of a handle Dial returned. Unknown
    // handles are ignored; the result is never checked.
    virtual void HangUp(ConnectionHandle handle) = 0;
};

}  // namespace pontavi
