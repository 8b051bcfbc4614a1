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
// peers file of the entry says: "exit N", "hold" (ends on SIGTERM with
// pppd's status 5) or "ignore" (ignores SIGTERM).
constexpr const char* kFakePppd = R"(#!/bin/sh
dir=$(dirname "$0")
echo "$@" >> "$dir/args.log"
echo $$ > "$dir/pid"
behaviour=$(cat "$dir/peers/$2")
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

TEST_F(PppDialUpTest, ActiveConnectionsAreThePppInterfacesThatAreUpInKernelOrder) {
    interfaces.interfaces = {
        {1, {"lo", {true, true, true}}},      {2, {"eth0", {true, true, true}}},
        {5, {"ppp1", {true, false, false}}},  {7, {"ppp0", {true, true, true}}},
        {9, {"ppp2", {false, false, false}}},
    };
    PollLoop loop(PollLoop::ClockKind::Virtual);
    PppDialUp dialUp(loop, paths(), interfaces);
    EXPECT_EQ(dialUp.ActiveConnections(), (std::vector<ConnectionHandle>{5, 7}));
    EXPECT_FALSE(dialUp.IsConnected(5));  // no carrier yet: still negotiating
    EXPECT_TRUE(dialUp.IsConnected(7));
    EXPECT_FALSE(dialUp.IsConnected(8));  // gone

    interfaces.interfaces[7].second.hasIpv4 = false;
    EXPECT_FALSE(dialUp.IsConnected(7));
    interfaces.failList = true;
    EXPECT_EQ(dialUp.ActiveConnections(), std::nullopt);
}

TEST_F(PppDialUpTest, DialStartsPppdCallNodetachAndAQuietExitIsNoError) {
    addPeer("isp", "exit 0");
    PollLoop loop(PollLoop::ClockKind::Real);
    PppDialUp dialUp(loop, paths(), interfaces);
    std::vector<int> errors;
    const DialResult result = dialUp.Dial("isp", [&](int e) { errors.push_back(e); });
    ASSERT_TRUE(result.started());
    EXPECT_NE(result.handle, 0u);
    EXPECT_TRUE(loop.runUntil([&] { return !dialUp.DialRunning(result.handle); }, 10'000));
    EXPECT_EQ(read("args.log"), "call isp nodetach\n");
    EXPECT_TRUE(errors.empty());
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
