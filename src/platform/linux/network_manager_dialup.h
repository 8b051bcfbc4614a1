#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialup_service.h"
#include "platform/event_loop.h"
#include "platform/linux/interface_source.h"
#include "platform/linux/nm_client_thread.h"

namespace pontavi {

// The dial-up service over NetworkManager (libnm, on a thread of its own).
//  - Phone book: the profiles of the dial-up kinds (mobile broadband gsm and
//    cdma, PPPoE, Bluetooth DUN) by name, sorted; a name two profiles share
//    is listed once and dials the first of them by UUID.
//  - Active connections: NetworkManager's active connections of those kinds,
//    in its order, then the links of `handDialled` (pppd's ppp* units) that
//    no NetworkManager connection runs on, so a pppd started by hand still
//    counts. Connected = activated with an IPv4 configuration; the local
//    address is that configuration's first address, whatever the interface
//    (ppp0, wwan0).
//  - Dial activates the profile; the later error is the activation failing
//    or the link ending, with NetworkManager's reason as the error text, or
//    NetworkManager leaving the bus. Hang-up deactivates exactly what that
//    dial activated.
// All queries read the last snapshot libnm's signals produced: no D-Bus
// call per query. Without NetworkManager the phone book cannot be read
// (nullopt) and only hand-dialled links are seen. Loop thread only;
// destroying the backend deactivates the dials it still owns.
class NetworkManagerDialUp final : public DialUpService {
  public:
    static constexpr int kNoSuchEntry = 1;
    static constexpr int kNotRunning = 2;
    static constexpr std::size_t kTextsKept = 32;

    // handDialled: the pppd backend, whose connection handles are interface
    // indexes of `interfaces`.
    NetworkManagerDialUp(EventLoop& loop, DialUpService& handDialled, InterfaceSource& interfaces);
    ~NetworkManagerDialUp() override;
    NetworkManagerDialUp(const NetworkManagerDialUp&) = delete;
    NetworkManagerDialUp& operator=(const NetworkManagerDialUp&) = delete;

    std::optional<std::vector<std::string>> EntryNames() override;
    std::optional<std::vector<ConnectionHandle>> ActiveConnections() override;
    bool IsConnected(ConnectionHandle connection) override;
    std::optional<std::string> LocalAddress(ConnectionHandle connection) override;
    DialResult Dial(const std::string& entry, std::function<void(int error)> onLaterError) override;
    std::string ErrorText(int code) override;
    void HangUp(ConnectionHandle handle) override;

    // Whether NetworkManager was on the bus at the last snapshot.
    bool Running() const { return snapshot_.running; }

  private:
    void take(NmSnapshot snapshot);
    void dialEnded(ConnectionHandle dial, const std::string& reason);
    const NmActiveLink* linkOf(ConnectionHandle connection) const;
    std::vector<ConnectionHandle> handDialledLinks();

    DialUpService& handDialled_;
    InterfaceSource& interfaces_;
    NmSnapshot snapshot_;
    std::map<std::string, ConnectionHandle> linkHandles_;  // by object path
    std::map<ConnectionHandle, std::function<void(int)>> dials_;
    std::map<int, std::string> texts_;  // the error texts of recent codes
    int nextText_ = 1000;
    // Above pppd's interface indexes and dial handles, so none ever meet.
    ConnectionHandle nextHandle_ = ConnectionHandle{1} << 40;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    // Last: its thread ends before the members its callbacks post to.
    std::unique_ptr<NmClientThread> client_;
};

}  // namespace pontavi
