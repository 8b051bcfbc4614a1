// The cost of one NetDetect tick, which runs every second for the program's
// whole life: the pppd backend's three queries against the real kernel, and
// the monitor's own work on a stub service. The *Rss runs report the growth
// of the peak resident size over many ticks, which must stay at zero.
#include <benchmark/benchmark.h>
#include <net/if.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "connection/connection_monitor.h"
#include "platform/linux/poll_loop.h"
#include "platform/linux/ppp_dialup.h"
#include "platform/linux/system_interfaces.h"

namespace {

using namespace pontavi;
namespace fs = std::filesystem;

constexpr int kWarmUpTicks = 10'000;

long MaxRssKb() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A scratch phone book of three entries, removed at exit.
class ScratchPeers {
  public:
    ScratchPeers() {
        std::string pattern = (fs::temp_directory_path() / "net_detect_tick.XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data());
        for (const char* name : {"home", "isp", "work"}) {
            std::ofstream(dir_ / name) << "noauth\n";
        }
    }
    ~ScratchPeers() { fs::remove_all(dir_); }
    const fs::path& path() const { return dir_; }

  private:
    fs::path dir_;
};

// What the monitor asks at each tick of the pppd backend.
void RealTick(PppDialUp& dialUp) {
    auto names = dialUp.EntryNames();
    auto connections = dialUp.ActiveConnections();
    bool connected = false;
    if (connections && !connections->empty()) {
        connected = dialUp.IsConnected(connections->front());
    }
    benchmark::DoNotOptimize(names);
    benchmark::DoNotOptimize(connected);
}

void BM_RealBackendTick(benchmark::State& state) {
    ScratchPeers peers;
    PollLoop loop(PollLoop::ClockKind::Virtual);
    SystemInterfaces interfaces;
    PppDialUp dialUp(loop, {peers.path(), "pppd"}, interfaces);
    // The first ticks settle the allocator's and the C library's buffers.
    for (int i = 0; i < kWarmUpTicks; ++i) {
        RealTick(dialUp);
    }
    const long rssBefore = MaxRssKb();
    for (auto _ : state) {
        RealTick(dialUp);
    }
    state.counters["maxrss_growth_kb"] = static_cast<double>(MaxRssKb() - rssBefore);
}
BENCHMARK(BM_RealBackendTick);
BENCHMARK(BM_RealBackendTick)->Name("BM_RealBackendTickRss")->Iterations(1'000'000);

// IsConnected of one interface. The machine has no ppp unit, so this is the
// loopback: the interface list every call reads to learn the unit's name,
// without the flags and address queries a ppp unit adds.
void BM_RealBackendIsConnected(benchmark::State& state) {
    ScratchPeers peers;
    PollLoop loop(PollLoop::ClockKind::Virtual);
    SystemInterfaces interfaces;
    PppDialUp dialUp(loop, {peers.path(), "pppd"}, interfaces);
    const ConnectionHandle lo = ::if_nametoindex("lo");
    for (auto _ : state) {
        benchmark::DoNotOptimize(dialUp.IsConnected(lo));
    }
}
BENCHMARK(BM_RealBackendIsConnected);

// A stub service: a connected first link and a small phone book.
class StubDialUp final : public DialUpService {
  public:
    std::optional<std::vector<std::string>> EntryNames() override {
        return std::vector<std::string>{"home", "isp", "work"};
    }
    std::optional<std::vector<ConnectionHandle>> ActiveConnections() override {
        if (!up) {
            return std::vector<ConnectionHandle>{};
        }
        return std::vector<ConnectionHandle>{7};
    }
    bool IsConnected(ConnectionHandle) override { return up; }
    std::optional<std::string> LocalAddress(ConnectionHandle) override {
        return up ? std::optional<std::string>("10.0.0.7") : std::nullopt;
    }
    DialResult Dial(const std::string&, std::function<void(int)>) override { return {1, 0}; }
    std::string ErrorText(int) override { return {}; }
    void HangUp(ConnectionHandle) override {}
    bool up = true;
};

// The window's parts the monitor works on.
struct Window {
    explicit Window(EventLoop& loop)
        : AutoConnectTimer(loop, 3'300'000, false),
          AppsTimer(loop, 5000, false),
          MailTimer(loop, 275'000, false),
          online(loop, {SessionTimePanel, TotalTimePanel, ResetDateLabel},
                 [] { return std::string("01/01/25"); }) {
        state.AutoConnectEntry = "isp";
        MailCB.setChecked(true);
    }
    ConnectionMonitorParts parts(DialUpService& dialUp) {
        return {dialUp,    state,     TrayIcon1,     MailStatus, ConnectNow, CheckMailNow1,
                BitBtn2,   CopyIPCB,  UpdateClockCB, MailCB,     SpinEdit1,  AutoConnectTimer,
                AppsTimer, MailTimer, online};
    }

    ConnectionState state;
    TrayIcon TrayIcon1{"TrayIcon1"};
    StatusBar MailStatus{"MailStatus", {{"", 100}}};
    MenuItem ConnectNow{"ConnectNow", "Co&nnect && Check Mail"};
    MenuItem CheckMailNow1{"CheckMailNow1", "Check Mail Now"};
    Button BitBtn2{"BitBtn2", "Check Mail Now"};
    CheckBox CopyIPCB{"CopyIPCB", ""};
    CheckBox UpdateClockCB{"UpdateClockCB", ""};
    CheckBox MailCB{"MailCB", ""};
    SpinEdit SpinEdit1{"SpinEdit1", 3, 1800, 5};
    Timer AutoConnectTimer;
    Timer AppsTimer;
    Timer MailTimer;
    Label SessionTimePanel{"SessionTimePanel"};
    Label TotalTimePanel{"TotalTimePanel"};
    Label ResetDateLabel{"ResetDateLabel"};
    OnlineTimer online;
};

// Steady state on line, or (toggle) a connect or a disconnect at every tick.
void BM_MonitorTickOnStub(benchmark::State& state) {
    const bool toggle = state.range(0) != 0;
    PollLoop loop(PollLoop::ClockKind::Virtual);
    StubDialUp dialUp;
    Window window(loop);
    ConnectionMonitor monitor(loop, window.parts(dialUp), {});
    for (int i = 0; i < kWarmUpTicks; ++i) {
        monitor.NetDetectTimer();
    }
    const long rssBefore = MaxRssKb();
    for (auto _ : state) {
        if (toggle) {
            dialUp.up = !dialUp.up;
        }
        monitor.NetDetectTimer();
    }
    state.counters["maxrss_growth_kb"] = static_cast<double>(MaxRssKb() - rssBefore);
}
BENCHMARK(BM_MonitorTickOnStub)->Arg(0)->Arg(1);
BENCHMARK(BM_MonitorTickOnStub)->Name("BM_MonitorTickOnStubRss")->Arg(1)->Iterations(1'000'000);

}  // namespace

BENCHMARK_MAIN();
