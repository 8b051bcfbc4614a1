#include "platform/linux/port_helper.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace pontavi {
namespace {

namespace fs = std::filesystem;

TEST(PortHelper, AListeningSocketComesBackNonBlockingAndCloseOnExec) {
    // A descriptor of the program's own that must not reach the helper.
    const UniqueFd stray(::open("/dev/null", O_RDONLY));
    ASSERT_TRUE(stray);
    PortHelper helper(FAKE_PORT_HELPER);
    int error = -1;
    const UniqueFd fd = helper.Listen(113, error);
    ASSERT_TRUE(fd) << std::strerror(error);
    EXPECT_EQ(error, 0);
    int listening = 0;
    socklen_t length = sizeof listening;
    ASSERT_EQ(::getsockopt(fd.get(), SOL_SOCKET, SO_ACCEPTCONN, &listening, &length), 0);
    EXPECT_EQ(listening, 1);
    EXPECT_NE(::fcntl(fd.get(), F_GETFL) & O_NONBLOCK, 0);
    EXPECT_NE(::fcntl(fd.get(), F_GETFD) & FD_CLOEXEC, 0);
}

TEST(PortHelper, FailuresComeBackAsTheirReason) {
    struct Case {
        std::string helper;
        int port;
        int error;
    };
    const Case cases[] = {
        {FAKE_PORT_HELPER, 1, EACCES},  // the helper may not bind either
        {FAKE_PORT_HELPER, 2, EPROTO},  // it ended without a reply
        {"", 113, ENOENT},              // no helper installed
        {"/nonexistent/pontavi-bind113", 113, ENOENT},
    };
    for (const auto& c : cases) {
        PortHelper helper(c.helper);
        int error = 0;
        EXPECT_FALSE(helper.Listen(c.port, error)) << c.helper << " " << c.port;
        EXPECT_EQ(error, c.error) << c.helper << " " << c.port;
    }
}

TEST(PortHelper, AHelperThatNeverAnswersIsKilledAfterTheTimeOut) {
    PortHelper helper(FAKE_PORT_HELPER, 200);
    int error = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(helper.Listen(3, error));
    EXPECT_EQ(error, ETIMEDOUT);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(PortHelper, IsFoundOnlyAsAnExecutableFile) {
    char pattern[] = "/tmp/port-helper-XXXXXX";
    const fs::path dir = ::mkdtemp(pattern);
    const std::string plain = (dir / "plain").string();
    const std::string folder = (dir / "folder").string();
    const std::string runnable = (dir / "runnable").string();
    fs::create_directory(folder);
    { std::ofstream(plain) << "x"; }
    { std::ofstream(runnable) << "#!/bin/sh\n"; }
    fs::permissions(runnable, fs::perms::owner_all);
    EXPECT_EQ(PortHelper::Find({"", (dir / "missing").string(), folder, plain, runnable}),
              runnable);
    EXPECT_EQ(PortHelper::Find({plain, folder}), "");
    fs::remove_all(dir);
}

TEST(PortHelper, LooksBesideTheProgramThenInItsLibexecThenTheInstalledPath) {
    const auto candidates = PortHelper::Candidates("/usr/libexec/pontavi/pontavi-bind113");
    ASSERT_EQ(candidates.size(), 3u);
    const std::string self = fs::read_symlink("/proc/self/exe").parent_path().string();
    EXPECT_EQ(candidates[0], self + "/pontavi-bind113");
    EXPECT_EQ(candidates[1], self + "/../libexec/pontavi/pontavi-bind113");
    EXPECT_EQ(candidates[2], "/usr/libexec/pontavi/pontavi-bind113");
}

TEST(PortHelper, SaysHowToAllowThePort) {
    EXPECT_EQ(PortHelper("/opt/p/pontavi-bind113").HowToAllow(113),
              "To allow port 113: sudo setcap cap_net_bind_service=+ep /opt/p/pontavi-bind113");
    EXPECT_EQ(PortHelper("").HowToAllow(113),
              "Port 113 needs the helper pontavi-bind113 beside the program; see the README");
}

}  // namespace
}  // namespace pontavi
