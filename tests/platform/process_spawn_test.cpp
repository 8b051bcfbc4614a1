#include "platform/linux/process_spawn.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>

namespace pontavi {
namespace {

// Waits for the child through its pidfd (bounded), then reaps it.
int EndOf(SpawnedChild& child) {
    EXPECT_TRUE(child.pidfd);
    pollfd ended{child.pidfd.get(), POLLIN, 0};
    EXPECT_EQ(::poll(&ended, 1, 10'000), 1);
    int status = -1;
    EXPECT_EQ(::waitpid(child.pid, &status, 0), child.pid);
    return status;
}

// The program's own signal state as a GUI toolkit may leave it; put back
// when the test ends.
class BlockedAndIgnoredSignals {
  public:
    BlockedAndIgnoredSignals() {
        sigset_t block;
        sigemptyset(&block);
        sigaddset(&block, SIGTERM);
        sigaddset(&block, SIGINT);
        ::pthread_sigmask(SIG_BLOCK, &block, &oldMask_);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGHUP, &ignore, &oldHup_);
        ::sigaction(SIGPIPE, &ignore, &oldPipe_);
        ::sigaction(SIGCHLD, &ignore, &oldChld_);
    }
    ~BlockedAndIgnoredSignals() {
        ::sigaction(SIGHUP, &oldHup_, nullptr);
        ::sigaction(SIGPIPE, &oldPipe_, nullptr);
        ::sigaction(SIGCHLD, &oldChld_, nullptr);
        ::pthread_sigmask(SIG_SETMASK, &oldMask_, nullptr);
    }

  private:
    sigset_t oldMask_;
    struct sigaction oldHup_ {};
    struct sigaction oldPipe_ {};
    struct sigaction oldChld_ {};
};

TEST(ProcessSpawn, TheChildStartsWithNoBlockedOrIgnoredSignalsOfOurs) {
    // The child waits for its stdin to close, so it cannot end (and be
    // reaped unseen) while SIGCHLD is ignored here.
    int in[2];
    int out[2];
    ASSERT_EQ(::pipe2(in, O_CLOEXEC), 0);
    ASSERT_EQ(::pipe2(out, O_CLOEXEC), 0);
    UniqueFd childIn(in[0]);
    UniqueFd release(in[1]);
    UniqueFd readEnd(out[0]);
    UniqueFd writeEnd(out[1]);
    SpawnedChild child;
    {
        BlockedAndIgnoredSignals state;
        ProcessSpawn spawn;
        spawn.duplicate(childIn.get(), 0).duplicate(writeEnd.get(), 1);
        child = spawn.start("/bin/sh",
                            {"-c", "read x; exec grep -E '^Sig(Blk|Ign):' /proc/self/status"},
                            ProcessSpawn::Lookup::AsGiven);
    }
    ASSERT_TRUE(child.ok()) << child.error;
    childIn.reset();
    writeEnd.reset();
    release.reset();
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = ::read(readEnd.get(), buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    const int status = EndOf(child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text;
    const auto mask = [&](const char* key) {
        const auto at = text.find(key);
        return at == std::string::npos ? ~0ULL : std::strtoull(text.c_str() + at + 7, nullptr, 16);
    };
    EXPECT_EQ(mask("SigBlk:"), 0ULL) << text;
    for (int signo : {SIGHUP, SIGINT, SIGTERM, SIGPIPE, SIGCHLD}) {
        EXPECT_EQ(mask("SigIgn:") & (1ULL << (signo - 1)), 0ULL) << "signal " << signo << text;
    }
}

TEST(ProcessSpawn, FailuresStartNothingAndSayWhy) {
    struct Case {
        const char* name;
        std::string program;
        ProcessSpawn::Lookup lookup;
        int badDescriptor;  // a file action that cannot be recorded, or -2 for none
        int error;
    };
    const Case cases[] = {
        {"missing program", "/nonexistent/program", ProcessSpawn::Lookup::AsGiven, -2, ENOENT},
        {"bare name not looked up", "true", ProcessSpawn::Lookup::AsGiven, -2, ENOENT},
        {"bad file action", "/bin/true", ProcessSpawn::Lookup::AsGiven, -1, EBADF},
    };
    for (const auto& c : cases) {
        ProcessSpawn spawn;
        if (c.badDescriptor != -2) {
            spawn.duplicate(c.badDescriptor, 3);
        }
        const SpawnedChild child = spawn.start(c.program, {}, c.lookup);
        EXPECT_EQ(child.error, c.error) << c.name;
        EXPECT_EQ(child.pid, -1) << c.name;
        EXPECT_FALSE(child.pidfd) << c.name;
    }
}

TEST(ProcessSpawn, ABareNameIsFoundOnThePathAndItsEndIsSeenOnThePidfd) {
    ProcessSpawn spawn;
    spawn.openNull(0, O_RDONLY);
    SpawnedChild child = spawn.start("sh", {"-c", "exit 7"}, ProcessSpawn::Lookup::Path);
    ASSERT_TRUE(child.ok()) << child.error;
    const int status = EndOf(child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
}

}  // namespace
}  // namespace pontavi
