#include "platform/linux/ppp_dialup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "platform/linux/poll_loop.h"
#include "platform/linux/ppp_errors.h"

namespace pontavi {
namespace {

namespace fs = std::filesystem;

// Interfaces as a test describes them.
class ScriptedInterfaces final : public InterfaceSource {
  public:
    std::optional<std::vector<NetInterface>> List() override {
        if (failList) {
            return std::nullopt;
        }
        std::vector<NetInterface> list;
        for (const auto& [index, entry] : interfaces) {
            list.push_back({index, entry.first});
        }
        return list;
    }
    std::optional<InterfaceStatus> Status(unsigned index) override {
        auto it = interfaces.find(index);
        if (it == interfaces.end()) {
            return std::nullopt;
        }
        return it->second.second;
    }

    std::map<unsigned, std::pair<std::string, InterfaceStatus>> interfaces;
    bool failList = false;
};

// A stand-in for pppd: records its arguments and its pid, then does what the
// peers file it was given (`file PATH`) says: "exit N", "hold" (ends on SIGTERM with
// pppd's status 5) or "ignore" (ignores SIGTERM).
constexpr const char* kFakePppd = R"(#!/bin/sh
dir=$(dirname "$0")
echo "$@" >> "$dir/args.log"
echo $$ > "$dir/pid"
[ "$1" = file ] || exit 1
behaviour=$(cat "$2")
case "$behaviour" in
exit*) exit ${behaviour#exit } ;;
hold)
    trap 'echo term > "$dir/term"; kill $child; exit 5' TERM
    sleep 30 &
    child=$!
    touch "$dir/ready"
    wait $child
    exit 0 ;;
ignore)
    trap '' TERM
    touch "$dir/ready"
    exec sleep 30 ;;
esac
exit 1
)";

class PppDialUpTest : public ::testing::Test {
  protected:
    PppDialUpTest() {
        std::string pattern = (fs::temp_directory_path() / "ppp_dialup_test.XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data());
        fs::create_directory(dir_ / "peers");
        write("pppd", kFakePppd);
        fs::permissions(dir_ / "pppd", fs::perms::owner_all);
    }
    ~PppDialUpTest() override { fs::remove_all(dir_); }

    void write(const fs::path& relative, const std::string& text) {
        std::ofstream(dir_ / relative) << text;
    }
    void addPeer(const std::string& name, const std::string& behaviour) {
        write(fs::path("peers") / name, behaviour);
    }
    std::string read(const fs::path& relative) const {
        std::ifstream in(dir_ / relative);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    bool exists(const fs::path& relative) const { return fs::exists(dir_ / relative); }
    // The fake pppd has set its traps once it writes "ready".
    bool waitForReady() const {
        for (int i = 0; i < 500 && !exists("ready"); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return exists("ready");
    }
    pid_t fakePid() const { return std::atoi(read("pid").c_str()); }

    PppPaths paths() const { return {dir_ / "peers", (dir_ / "pppd").string()}; }

    fs::path dir_;
    ScriptedInterfaces interfaces;
};

TEST_F(PppDialUpTest, PhoneBookIsTheSortedVisibleFilesOfThePeersFolder) {
    addPeer("work", "exit 0");
    addPeer("Home", "exit 0");
    addPeer("isp-2", "exit 0");
    addPeer(".hidden", "exit 0");
    addPeer("-option", "exit 0");
    fs::create_directory(dir_ / "peers" / "folder");
    PollLoop loop(PollLoop::ClockKind::Virtual);
    PppDialUp dialUp(loop, paths(), interfaces);
    EXPECT_EQ(dialUp.EntryNames(), (std::vector<std::string>{"Home", "isp-2", "work"}));
}

TEST_F(PppDialUpTest, AMissingPeersFolderIsAnEmptyPhoneBook) {
    PollLoop loop(PollLoop::ClockKind::Virtual);
    PppDialUp dialUp(loop, {dir_ / "none", "pppd"}, interfaces);
    EXPECT_EQ(dialUp.EntryNames(), std::vector<std::string>{});
}

TEST_F(PppDialUpTest, MoreThanAHundredEntriesOrAFileForAFolderFails) {
    for (int i = 0; i <= 100; ++i) {
        addPeer("isp" + std::to_string(i), "exit 0");
    }
    PollLoop loop(PollLoop::ClockKind::Virtual);
    PppDialUp dialUp(loop, paths(), interfaces);
    EXPECT_EQ(dialUp.EntryNames(), std::nullopt);

    PppDialUp notAFolder(loop, {dir_ / "pppd", "pppd"}, interfaces);
    EXPECT_EQ(notAFolder.EntryNames(), std::nullopt);
}

constexpr std::uint32_t Ipv4(unsigned a, unsigned b, unsigned c, unsigned d) {
    return a << 24 | b << 16 | c << 8 | d;
}

TEST_F(PppDialUpTest, EveryPppInterfaceIsAConnectionInKernelOrder) {
    const std::uint32_t address = Ipv4(192, 0, 2, 7);
    interfaces.interfaces = {
        {1, {"lo", {true, true, true, Ipv4(127, 0, 0, 1)}}},
        {2, {"eth0", {true, true, true, address}}},
        {5, {"ppp1", {false, false, false, 0}}},  // created, negotiating
        {7, {"ppp0", {true, true, true, address}}},
        {9, {"ppp2", {true, true, false, 0}}},  // up, but no IPv4 (an IPv6-only link)
    };
    PollLoop loop(PollLoop::ClockKind::Virtual);
    PppDialUp dialUp(loop, paths(), interfaces);
    EXPECT_EQ(dialUp.ActiveConnections(), (std::vector<ConnectionHandle>{5, 7, 9}));
    interfaces.failList = true;
    EXPECT_EQ(dialUp.ActiveConnections(), std::nullopt);
}

TEST_F(PppDialUpTest, ConnectedIsUpRunningWithARealIpv4Address) {
    struct Case {
        const char* what;
        std::string name;
        InterfaceStatus status;
        bool connected;
    };
    const std::uint32_t address = Ipv4(192, 0, 2, 7);
    const Case cases[] = {
        {"negotiating: down, no address", "ppp0", {false, false, false, 0}, false},
        {"down with an address", "ppp0", {false, false, true, address}, false},
        {"up without carrier", "ppp0", {true, false, true, address}, false},
        {"up without an IPv4 address", "ppp0", {true, true, false, 0}, false},
        {"up with its address", "ppp0", {true, true, true, address}, true},
        {"demand unit 0 waiting", "ppp0", {true, true, true, Ipv4(10, 64, 64, 64)}, false},
        {"demand unit 12 waiting", "ppp12", {true, true, true, Ipv4(10, 64, 64, 76)}, false},
        {"another unit's placeholder", "ppp1", {true, true, true, Ipv4(10, 64, 64, 64)}, true},
        {"renamed unit", "pppoe-isp", {true, true, true, Ipv4(10, 64, 64, 64)}, true},
        {"not a ppp interface", "eth0", {true, true, true, address}, false},
    };
    PollLoop loop(PollLoop::ClockKind::Virtual);
    PppDialUp dialUp(loop, paths(), interfaces);
    for (const Case& c : cases) {
        interfaces.interfaces = {{4, {c.name, c.status}}};
        EXPECT_EQ(dialUp.IsConnected(4), c.connected) << c.what;
    }
    EXPECT_FALSE(dialUp.IsConnected(8));  // gone
    EXPECT_FALSE(dialUp.IsConnected(0));
    EXPECT_FALSE(dialUp.IsConnected(ConnectionHandle{1} << 40));
    interfaces.failList = true;
    EXPECT_FALSE(dialUp.IsConnected(4));
}

TEST_F(PppDialUpTest, LocalAddressIsTheLinksOwnIpv4AddressDotted) {
    interfaces.interfaces = {
        {2, {"eth0", {true, true, true, Ipv4(192, 168, 1, 2)}}},
        {3, {"ppp0", {true, true, true, Ipv4(10, 99, 0, 1)}}},
        {4, {"ppp1", {false, false, false, 0}}},
    };
    PollLoop loop(PollLoop::ClockKind::Virtual);
    PppDialUp dialUp(loop, paths(), interfaces);
    EXPECT_EQ(dialUp.LocalAddress(3), "10.99.0.1");
    EXPECT_EQ(dialUp.LocalAddress(4), std::nullopt);  // negotiating: none yet
    EXPECT_EQ(dialUp.LocalAddress(2), std::nullopt);  // not a dial-up link
    EXPECT_EQ(dialUp.LocalAddress(9), std::nullopt);  // gone
}

TEST_F(PppDialUpTest, DialHandsPppdTheEntrysOwnFileAndAQuietExitIsNoError) {
    addPeer("isp", "exit 0");
    PollLoop loop(PollLoop::ClockKind::Real);
    PppDialUp dialUp(loop, paths(), interfaces);
    std::vector<int> errors;
    const DialResult result = dialUp.Dial("isp", [&](int e) { errors.push_back(e); });
    ASSERT_TRUE(result.started());
    EXPECT_NE(result.handle, 0u);
    EXPECT_TRUE(loop.runUntil([&] { return !dialUp.DialRunning(result.handle); }, 10'000));
    EXPECT_EQ(read("args.log"), "file " + (dir_ / "peers" / "isp").string() + " nodetach\n");
    EXPECT_TRUE(errors.empty());
}

TEST_F(PppDialUpTest, TheDefaultPeersFolderIsDialledByName) {
    PollLoop loop(PollLoop::ClockKind::Virtual);
    using Args = std::vector<std::string>;
    for (const char* folder : {"/etc/ppp/peers", "/etc/ppp/peers/", "/etc/ppp/./peers"}) {
        PppDialUp dialUp(loop, {folder, "pppd"}, interfaces);
        EXPECT_EQ(dialUp.DialArguments("isp"), (Args{"call", "isp", "nodetach"})) << folder;
    }
    PppDialUp other(loop, {"/srv/peers/", "pppd"}, interfaces);
    EXPECT_EQ(other.DialArguments("isp"), (Args{"file", "/srv/peers/isp", "nodetach"}));
}

TEST_F(PppDialUpTest, PppdsExitStatusIsTheLaterError) {
    addPeer("isp", "exit 16");
    PollLoop loop(PollLoop::ClockKind::Real);
    PppDialUp dialUp(loop, paths(), interfaces);
    std::vector<int> errors;
    const DialResult result = dialUp.Dial("isp", [&](int e) { errors.push_back(e); });
    ASSERT_TRUE(result.started());
    EXPECT_TRUE(loop.runUntil([&] { return !errors.empty(); }, 10'000));
    EXPECT_EQ(errors, std::vector<int>{16});
    EXPECT_EQ(dialUp.ErrorText(16), "The modem hung up");
    EXPECT_FALSE(dialUp.DialRunning(result.handle));
}

TEST_F(PppDialUpTest, NamesThatCouldEscapeThePeersFolderNeverReachPppd) {
    addPeer("isp", "exit 0");
    PollLoop loop(PollLoop::ClockKind::Virtual);
    PppDialUp dialUp(loop, paths(), interfaces);
    for (const char* name : {"", "../pppd", "-isp", ".isp", "a/b", "/etc/passwd", "is\np"}) {
        const DialResult result = dialUp.Dial(name, [](int) {});
        EXPECT_EQ(result.error, ppp_error::kBadEntryName) << name;
        EXPECT_EQ(result.handle, 0u);
    }
    EXPECT_EQ(dialUp.Dial("nobody", [](int) {}).error, ppp_error::kNoSuchEntry);
    EXPECT_FALSE(exists("args.log"));
    EXPECT_EQ(dialUp.ErrorText(ppp_error::kBadEntryName), "The dial-up entry name is not valid");
}

TEST_F(PppDialUpTest, APppdThatCannotStartIsAnImmediateError) {
    addPeer("isp", "exit 0");
    PollLoop loop(PollLoop::ClockKind::Virtual);
    PppDialUp dialUp(loop, {dir_ / "peers", (dir_ / "no-such-pppd").string()}, interfaces);
    const DialResult result = dialUp.Dial("isp", [](int) {});
    EXPECT_EQ(result.error, ppp_error::kStartFailedBase + ENOENT);
    EXPECT_EQ(dialUp.ErrorText(result.error),
              "pppd could not be started: No such file or directory");
    EXPECT_EQ(dialUp.DialsRunning(), 0u);
}

TEST_F(PppDialUpTest, HangUpEndsPppdWithSigtermAndReportsNothing) {
    addPeer("isp", "hold");
    PollLoop loop(PollLoop::ClockKind::Real);
    PppDialUp dialUp(loop, paths(), interfaces);
    std::vector<int> errors;
    const DialResult result = dialUp.Dial("isp", [&](int e) { errors.push_back(e); });
    ASSERT_TRUE(result.started());
    ASSERT_TRUE(waitForReady());

    dialUp.HangUp(result.handle);
    EXPECT_TRUE(loop.runUntil([&] { return !dialUp.DialRunning(result.handle); }, 10'000));
    EXPECT_EQ(read("term"), "term\n");
    EXPECT_TRUE(errors.empty());
    dialUp.HangUp(result.handle);  // already gone: ignored
}

TEST_F(PppDialUpTest, APppdIgnoringSigtermIsKilledAfterTheGracePeriod) {
    addPeer("isp", "ignore");
    PollLoop loop(PollLoop::ClockKind::Virtual);
    PppDialUp dialUp(loop, paths(), interfaces);
    const DialResult result = dialUp.Dial("isp", [](int) {});
    ASSERT_TRUE(waitForReady());
    const pid_t pid = fakePid();

    dialUp.HangUp(result.handle);
    loop.runFor(PppDialUp::kHangUpGraceMs - 1);
    EXPECT_TRUE(dialUp.DialRunning(result.handle));
    // SIGKILL goes out now; the process's end arrives in real time, which a
    // virtual clock would outrun, so give it turns one virtual ms apart.
    for (int turn = 0; turn < 5000 && dialUp.DialRunning(result.handle); ++turn) {
        loop.runFor(1);
    }
    EXPECT_FALSE(dialUp.DialRunning(result.handle));
    EXPECT_EQ(::kill(pid, 0), -1);  // reaped, not a zombie
}

TEST_F(PppDialUpTest, DestroyingTheBackendEndsAndReapsItsPppds) {
    addPeer("isp", "hold");
    PollLoop loop(PollLoop::ClockKind::Real);
    pid_t pid = 0;
    {
        PppDialUp dialUp(loop, paths(), interfaces);
        ASSERT_TRUE(
            dialUp.Dial("isp", [](int) { ADD_FAILURE() << "no error after shutdown"; }).started());
        ASSERT_TRUE(waitForReady());
        pid = fakePid();
    }
    EXPECT_EQ(read("term"), "term\n");
    EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    loop.runFor(10);
}

TEST(PppErrorText, CoversPppdsStatusesAndUnknownCodes) {
    EXPECT_EQ(PppErrorText(2), "The dial-up entry has an option error");
    EXPECT_EQ(PppErrorText(19), "Authentication to the peer failed");
    EXPECT_EQ(PppErrorText(21), "The calling number is not authorised");
    EXPECT_EQ(PppErrorText(77), "Unknown dial-up error 77");
    for (int code = 0; code <= 21; ++code) {
        EXPECT_LE(PppErrorText(code).size(), 100u);
    }
}

TEST(PppPathsFromEnvironment, DefaultsAndOverrides) {
    ::unsetenv("PONTAVI_PPP_PEERS");
    ::unsetenv("PONTAVI_PPPD");
    PppPaths defaults = PppPaths::FromEnvironment();
    EXPECT_EQ(defaults.peersFolder, "/etc/ppp/peers");
    EXPECT_EQ(defaults.pppdCommand, "pppd");
    ::setenv("PONTAVI_PPP_PEERS", "/tmp/peers", 1);
    ::setenv("PONTAVI_PPPD", "/tmp/fake-pppd", 1);
    PppPaths chosen = PppPaths::FromEnvironment();
    EXPECT_EQ(chosen.peersFolder, "/tmp/peers");
    EXPECT_EQ(chosen.pppdCommand, "/tmp/fake-pppd");
    ::unsetenv("PONTAVI_PPP_PEERS");
    ::unsetenv("PONTAVI_PPPD");
}

}  // namespace
}  // namespace pontavi
