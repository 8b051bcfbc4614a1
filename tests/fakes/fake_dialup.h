#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialup_service.h"

namespace pontavi {

// A scripted dial-up service: the phone book, the active connections (each up
// or not, with its own address or none) and the answers to dials are plain fields a test sets;
// dials and hang-ups are recorded, and a dial's later error is delivered on demand.
class FakeDialUp final : public DialUpService {
  public:
    struct Connection {
        ConnectionHandle handle;
        bool connected;
        std::string address = "10.1.2.3";  // empty: none
    };

    std::optional<std::vector<std::string>> EntryNames() override;
    std::optional<std::vector<ConnectionHandle>> ActiveConnections() override;
    bool IsConnected(ConnectionHandle connection) override;
    std::optional<std::string> LocalAddress(ConnectionHandle connection) override;
    DialResult Dial(const std::string& entry, std::function<void(int error)> onLaterError) override;
    std::string ErrorText(int code) override;
    void HangUp(ConnectionHandle handle) override;

    // Shorthands: one connection that is up or still dialling; none at all.
    void connectOne(bool connected = true) { connections = {{{1, connected}}}; }
    void connectOne(std::string address) { connections = {{{1, true, std::move(address)}}}; }
    void disconnectAll() { connections = std::vector<Connection>{}; }

    // Delivers the later error of a dial still waiting for one.
    void failLater(ConnectionHandle handle, int error);
    // The link of a dial comes up (see dialsMakeConnections).
    void bringUp(ConnectionHandle handle);

    // When set, a started dial adds a connection under its handle, not yet
    // up, and a hang-up removes it: a whole dial, connect, hang-up loop.
    bool dialsMakeConnections = false;

    // nullopt makes the enumeration fail.
    std::optional<std::vector<std::string>> entries = std::vector<std::string>{};
    std::optional<std::vector<Connection>> connections = std::vector<Connection>{};
    // Answers to the next dials; when empty a dial starts with a fresh handle.
    std::deque<DialResult> dialResults;
    std::map<int, std::string> errorTexts;

    std::vector<std::string> dialled;
    std::vector<ConnectionHandle> hangUps;
    int statusQueries = 0;

  private:
    const Connection* find(ConnectionHandle handle) const;

    std::map<ConnectionHandle, std::function<void(int)>> pending_;
    ConnectionHandle nextHandle_ = 1000;
};

}  // namespace pontavi
