#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialup_service.h"
#include "platform/event_loop.h"
#include "platform/linux/interface_source.h"
#include "platform/linux/pppd_process.h"
#include "platform/timer.h"

namespace pontavi {

// Where the pppd backend finds its phone book and its dialler.
struct PppPaths {
    std::filesystem::path peersFolder = "/etc/ppp/peers";
    std::string pppdCommand = "pppd";

    // PONTAVI_PPP_PEERS and PONTAVI_PPPD override the defaults.
    static PppPaths FromEnvironment();
};

// The dial-up service over pppd.
//  - Phone book: the files of the peers folder, by name; hidden files and
//    names pppd would take for an option are left out.
//  - Active connections: every interface named ppp*, in kernel order; the
//    handle is the interface index. pppd's unit lives as long as its link:
//      1. While the connect script dials there is no interface yet (pppd
//         makes its unit only once the line talks PPP), so a dial in that
//         phase is invisible here.
//      2. pppd then creates pppN *down*, without addresses, and runs LCP,
//         authentication and IPCP on it: a connection still negotiating.
//      3. When IPCP is done pppd assigns the negotiated addresses and brings
//         the interface up. The ppp driver keeps no carrier state of its
//         own, so an up unit is also "running".
//      4. When the link ends pppd takes the interface down, removes its
//         addresses and destroys the unit; with `demand` the unit stays,
//         waiting for the next link.
//    Connected = up, running (a tun stand-in has carrier only while held)
//    and holding an IPv4 address that is not a demand placeholder.
//  - The `demand` option: before any link exists pppd configures its unit as
//    though IPCP were up: addresses from the options or, where they give
//    none, made-up ones (local 10.64.64.64 + unit, peer 10.112.112.112 +
//    unit), then brings it up with IP packets queued until a link is made
//    and negotiated. Flags cannot tell such a waiting unit from a live link;
//    the made-up local address can, because IPCP replaces it by the peer's
//    choice once the link is up. A demand unit whose local address comes
//    from the options looks connected while it waits; nothing on the
//    interface tells it apart.
//  - Dial: with the default peers folder `pppd call ENTRY nodetach`;
//    with any other folder `pppd file FOLDER/ENTRY nodetach`, since `call`
//    always reads /etc/ppp/peers. nodetach keeps pppd our child, so its exit
//    status reaches us and the hang-up reaches the daemon itself; the handle
//    names that process, and a non-zero exit is the later error.
//  - Hang up: SIGTERM, then SIGKILL when pppd has not ended after 3 s.
// Loop thread only. Destroying the backend ends every pppd it still owns.
class PppDialUp final : public DialUpService {
  public:
    static constexpr std::size_t kMaxEntries = 100;
    static constexpr Millis kHangUpGraceMs = 3000;

    PppDialUp(EventLoop& loop, PppPaths paths, InterfaceSource& interfaces);
    ~PppDialUp() override;
    PppDialUp(const PppDialUp&) = delete;
    PppDialUp& operator=(const PppDialUp&) = delete;

    std::optional<std::vector<std::string>> EntryNames() override;
    std::optional<std::vector<ConnectionHandle>> ActiveConnections() override;
    bool IsConnected(ConnectionHandle connection) override;
    std::optional<std::string> LocalAddress(ConnectionHandle connection) override;
    DialResult Dial(const std::string& entry, std::function<void(int error)> onLaterError) override;
    std::string ErrorText(int code) override;
    void HangUp(ConnectionHandle handle) override;

    // Whether the pppd of that dial is still running (not yet reaped).
    bool DialRunning(ConnectionHandle handle) const { return dials_.count(handle) != 0; }
    std::size_t DialsRunning() const { return dials_.size(); }

    // Names that are safe to hand to pppd as an entry name.
    static bool IsDialableName(const std::string& entry);
    // pppd's arguments for dialling a (dialable) entry of this phone book.
    std::vector<std::string> DialArguments(const std::string& entry) const;
    // Whether a unit's local address is the one pppd makes up for a unit in
    // demand mode that has no link yet.
    static bool IsDemandPlaceholder(const std::string& interfaceName, std::uint32_t localIpv4);

  private:
    struct DialProcess {
        explicit DialProcess(PppdProcess p) : process(std::move(p)) {}
        PppdProcess process;
        std::function<void(int)> onLaterError;
        IoWatch watch;  // after `process`, which owns the watched descriptor
        std::unique_ptr<Timer> killTimer;
    };

    bool entryExists(const std::string& entry) const;
    std::optional<InterfaceStatus> pppStatus(ConnectionHandle connection, std::string* name);
    void watchExit(ConnectionHandle handle, DialProcess& dial);
    void reapPolled();
    void finish(ConnectionHandle handle);
    void shutDown();

    EventLoop& loop_;
    PppPaths paths_;
    InterfaceSource& interfaces_;
    std::map<ConnectionHandle, DialProcess> dials_;
    // Dial handles live above every interface index, so the two never meet.
    ConnectionHandle nextHandle_ = ConnectionHandle{1} << 32;
    // Reaps dials whose exit cannot be watched (no pidfd); runs only then.
    Timer reapPoll_;
};

}  // namespace pontavi
