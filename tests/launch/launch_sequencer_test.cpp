#include "launch/launch_sequencer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <string>
#include <vector>

#include "fakes/fake_process_starter.h"
#include "launch/launch_record.h"
#include "platform/linux/poll_loop.h"

namespace pontavi {
namespace {

// A sequencer on a virtual-time loop, with the monitor's two calls at hand.
class LaunchSequencerTest : public ::testing::Test {
  protected:
    LaunchSequencerTest() {
        starter.onStart = [this](const ProcessRequest& r) {
            startedAt.push_back({r.program, loop.now()});
        };
    }

    // What the monitor does at a connect that the program did not dial.
    void connect(int delaySeconds = 5) {
        AppsTimer.setInterval(delaySeconds * 1000);
        AppsTimer.setEnabled(true);
        sequencer.AppsTimerTimer();
    }
    // ... and at a disconnect.
    void disconnect() {
        AppsIndex = -1;
        AppsTimer.setEnabled(false);
    }
    void add(const std::string& program, int style = 0, const std::string& params = "") {
        AppsList.push_back(WriteLaunchRecord("T", program, params, style));
    }

    struct Start {
        std::string program;
        Millis at;
        bool operator==(const Start&) const = default;
    };

    PollLoop loop{PollLoop::ClockKind::Virtual};
    std::vector<std::string> AppsList;
    int AppsIndex = -1;
    pontavi::Timer AppsTimer{loop, 5000, false};
    FakeProcessStarter starter;
    TAppExec AppExec1{starter};
    std::set<std::string> existing{"/bin/a", "/bin/b", "/bin/c"};
    std::vector<std::string> log;
    LaunchSequencer sequencer{{AppsList, AppsIndex, AppsTimer, AppExec1,
                               [this](const std::string& p) { return existing.count(p) > 0; },
                               [this](const std::string& m) { log.push_back(m); }}};
    std::vector<Start> startedAt;
};

TEST_F(LaunchSequencerTest, ThreeEntriesStartAtZeroFiveAndTenSeconds) {
    add("/bin/a");
    add("/bin/b");
    add("/bin/c");
    connect();
    loop.runFor(60'000);
    EXPECT_EQ(startedAt, (std::vector<Start>{{"/bin/a", 0}, {"/bin/b", 5000}, {"/bin/c", 10'000}}));
    EXPECT_FALSE(AppsTimer.Enabled());
    EXPECT_EQ(AppsIndex, 2);
}

TEST_F(LaunchSequencerTest, IntervalComesFromTheConnect) {
    add("/bin/a");
    add("/bin/b");
    connect(3);
    loop.runFor(10'000);
    EXPECT_EQ(startedAt, (std::vector<Start>{{"/bin/a", 0}, {"/bin/b", 3000}}));
}

TEST_F(LaunchSequencerTest, EmptyListStartsNothingAndLeavesTheTimerOff) {
    connect();
    loop.runFor(20'000);
    EXPECT_TRUE(startedAt.empty());
    EXPECT_FALSE(AppsTimer.Enabled());
}

TEST_F(LaunchSequencerTest, DisconnectMidSequenceThenRestartFromTheFirst) {
    add("/bin/a");
    add("/bin/b");
    add("/bin/c");
    connect();
    loop.runFor(6000);
    disconnect();
    loop.runFor(20'000);
    ASSERT_EQ(startedAt.size(), 2u);
    startedAt.clear();
    connect();
    loop.runFor(20'000);
    ASSERT_EQ(startedAt.size(), 3u);
    EXPECT_EQ(startedAt[0].program, "/bin/a");
}

TEST_F(LaunchSequencerTest, DeletedProgramIsSkippedButTakesItsInterval) {
    add("/bin/a");
    add("/bin/gone");
    add("/bin/c");
    connect();
    loop.runFor(20'000);
    EXPECT_EQ(startedAt, (std::vector<Start>{{"/bin/a", 0}, {"/bin/c", 10'000}}));
    EXPECT_EQ(log,
              std::vector<std::string>{"Auto-Launch: \"T\" not started: no file \"/bin/gone\""});
}

TEST_F(LaunchSequencerTest, FailingStartIsSkippedAndTheRestStillStart) {
    add("/bin/a");
    add("/bin/b");
    add("/bin/c");
    starter.failures["/bin/b"] = EACCES;
    connect();
    loop.runFor(30'000);
    EXPECT_EQ(startedAt, (std::vector<Start>{{"/bin/a", 0}, {"/bin/b", 5000}, {"/bin/c", 10'000}}));
    EXPECT_FALSE(AppsTimer.Enabled());
    EXPECT_EQ(AppExec1.ErrNo, EACCES);
    EXPECT_TRUE(AppExec1.ExeName.empty());
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].rfind("Auto-Launch: \"T\" not started: Accès refusé", 0), 0u) << log[0];
}

TEST_F(LaunchSequencerTest, EachEntryInItsOwnWindowStateFolderAndParameters) {
    add("/bin/a", 1, "x 'y z'");
    add("/bin/b", 0);
    add("/bin/c", 2);
    AppsList.push_back("T?/bin/a??7");
    existing.insert("/bin/a");
    connect();
    loop.runFor(30'000);
    ASSERT_EQ(starter.starts.size(), 4u);
    EXPECT_EQ(starter.starts[0].window, WindowHint::Minimized);
    EXPECT_EQ(starter.starts[0].parameters, "x 'y z'");
    EXPECT_EQ(starter.starts[0].workingDirectory, "/bin");
    EXPECT_EQ(starter.starts[1].window, WindowHint::Normal);
    EXPECT_EQ(starter.starts[2].window, WindowHint::Maximized);
    EXPECT_EQ(starter.starts[3].window, WindowHint::Normal);
}

TEST_F(LaunchSequencerTest, ListShortenedWhileRunningEndsTheSequence) {
    add("/bin/a");
    add("/bin/b");
    add("/bin/c");
    connect();
    AppsList.resize(1);
    loop.runFor(30'000);
    EXPECT_EQ(startedAt.size(), 1u);
    EXPECT_FALSE(AppsTimer.Enabled());
}

TEST(ProgramFolderTest, PartBeforeTheLastSlash) {
    EXPECT_EQ(ProgramFolderOf("/usr/bin/x"), "/usr/bin");
    EXPECT_EQ(ProgramFolderOf("/x"), "");
    EXPECT_EQ(ProgramFolderOf("x"), "");
    EXPECT_EQ(ProgramFolderOf("/a b/c d"), "/a b");
}

}  // namespace
}  // namespace pontavi
