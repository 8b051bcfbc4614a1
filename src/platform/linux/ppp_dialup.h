#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

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
//  - Active connections: the interfaces named ppp* that are up, in kernel
//    order; the handle is the interface index. Connected = up, with carrier
//    and an IPv4 address; up without carrier is a link still negotiating.
//  - Dial: `pppd call ENTRY nodetach` (nodetach keeps pppd our child, so its
//    exit status reaches us and the hang-up reaches the daemon itself); the
//    handle names that process, and a non-zero exit is the later error.
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
    DialResult Dial(const std::string& entry, std::function<void(int error)> onLaterError) override;
    std::string ErrorText(int code) override;
    void HangUp(ConnectionHandle handle) override;

    // Whether the pppd of that dial is still running (not yet reaped).
    bool DialRunning(ConnectionHandle handle) const { return dials_.count(handle) != 0; }
    std::size_t DialsRunning() const { return dials_.size(); }

    // Names that are safe to hand to pppd as an entry name.
    static bool IsDialableName(const std::string& entry);

  private:
    struct DialProcess {
        explicit DialProcess(PppdProcess p) : process(std::move(p)) {}
        PppdProcess process;
        std::function<void(int)> onLaterError;
        EventLoop::WatchId watch = 0;
        std::unique_ptr<Timer> killTimer;
    };

    bool entryExists(const std::string& entry) const;
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
