#include "platform/linux/lock_file_instance.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace pontavi {
namespace {

namespace fs = std::filesystem;

class LockFileInstanceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "lock-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string lockPath() const { return dir_ + "/pontavi.lock"; }

    // Exit status of a child process that tries to take the lock.
    int acquireInChild() const {
        pid_t pid = ::fork();
        if (pid == 0) {
            LockFileInstance other(lockPath());
            ::_exit(other.acquire() ? 0 : 1);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string dir_;
};

TEST_F(LockFileInstanceTest, SecondInstanceInTheSameProcessIsRefused) {
    LockFileInstance first(lockPath());
    ASSERT_TRUE(first.acquire());
    EXPECT_TRUE(first.held());
    EXPECT_TRUE(first.acquire());
    LockFileInstance second(lockPath());
    EXPECT_FALSE(second.acquire());
    EXPECT_FALSE(second.held());
}

TEST_F(LockFileInstanceTest, AnotherProcessIsRefusedUntilTheHolderEnds) {
    std::optional<LockFileInstance> first(std::in_place, lockPath());
    ASSERT_TRUE(first->acquire());
    EXPECT_EQ(acquireInChild(), 1);
    first.reset();
    EXPECT_EQ(acquireInChild(), 0);
}

TEST_F(LockFileInstanceTest, ARefusedInstanceMayTryAgainLater) {
    std::optional<LockFileInstance> first(std::in_place, lockPath());
    ASSERT_TRUE(first->acquire());
    LockFileInstance second(lockPath());
    EXPECT_FALSE(second.acquire());
    first.reset();
    EXPECT_TRUE(second.acquire());
}

TEST_F(LockFileInstanceTest, ASymlinkIsNotFollowed) {
    fs::create_symlink(dir_ + "/elsewhere", lockPath());
    LockFileInstance lock(lockPath());
    EXPECT_TRUE(lock.acquire());
    EXPECT_FALSE(lock.held());
    EXPECT_FALSE(fs::exists(dir_ + "/elsewhere"));
}

TEST(LockFileInstancePath, KeyedPerUserInTheRuntimeFolder) {
    const std::string uid = std::to_string(::getuid());
    auto runtime = [](const std::string& name) -> std::optional<std::string> {
        if (name == "XDG_RUNTIME_DIR") {
            return std::string("/run/user/1000");
        }
        return std::nullopt;
    };
    EXPECT_EQ(LockFileInstance::LockPath("Pontavi!", runtime),
              "/run/user/1000/pontavi-" + uid + ".lock");
    auto none = [](const std::string&) -> std::optional<std::string> { return std::nullopt; };
    EXPECT_EQ(LockFileInstance::LockPath("Pontavi!", none), "/tmp/pontavi-" + uid + ".lock");
}

}  // namespace
}  // namespace pontavi
