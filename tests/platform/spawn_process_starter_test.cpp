#include "platform/linux/spawn_process_starter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/linux/poll_loop.h"

namespace pontavi {
namespace {

namespace fs = std::filesystem;

TEST(SplitParametersTest, ShellWordsWithoutExpansion) {
    struct Case {
        const char* text;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"", {}},
        {"   ", {}},
        {"a b  c", {"a", "b", "c"}},
        {"\"a b\" 'c d'", {"a b", "c d"}},
        {"a\\ b", {"a b"}},
        {"$HOME `id` $(id) a;b c|d >e *", {"$HOME", "`id`", "$(id)", "a;b", "c|d", ">e", "*"}},
        {"'it''s' \"q\\\"q\"", {"its", "q\"q"}},
        {"\"\"", {""}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> words{"old"};
        EXPECT_TRUE(SplitParameters(c.text, words)) << c.text;
        EXPECT_EQ(words, c.words) << c.text;
    }
    std::vector<std::string> words{"old"};
    EXPECT_FALSE(SplitParameters("\"open", words));
    EXPECT_FALSE(SplitParameters("'open", words));
    EXPECT_EQ(words, std::vector<std::string>{"old"});
}

// Real starts of a small script in a scratch folder whose name has a space.
class SpawnProcessStarterTest : public ::testing::Test {
  protected:
    SpawnProcessStarterTest() {
        char pattern[] = "/tmp/pontavi spawn-XXXXXX";
        dir = ::mkdtemp(pattern);
        script = dir / "echo args";
        std::ofstream(script) << "#!/bin/sh\n"
                                 "out=\"$(dirname \"$0\")/out\"\n"
                                 "pwd > \"$out\"\n"
                                 "echo \"$0\" >> \"$out\"\n"
                                 "for a in \"$@\"; do echo \"[$a]\" >> \"$out\"; done\n";
        fs::permissions(script, fs::perms::owner_all);
    }
    ~SpawnProcessStarterTest() override { fs::remove_all(dir); }

    std::vector<std::string> output() {
        std::vector<std::string> lines;
        std::ifstream in(dir / "out");
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    fs::path dir;
    fs::path script;
    PollLoop loop{PollLoop::ClockKind::Real};
    SpawnProcessStarter starter{loop};
};

TEST_F(SpawnProcessStarterTest, MetacharactersReachTheProgramAsLiteralWords) {
    const fs::path trap = dir / "trap";
    ProcessRequest r;
    r.program = script;
    r.parameters = "\"two words\" ';touch trap' $(touch trap) `touch trap` a|b >c";
    r.workingDirectory = dir;
    r.wait = true;
    ASSERT_EQ(starter.Start(r), 0);
    EXPECT_EQ(output(), (std::vector<std::string>{dir.string(), script.string(), "[two words]",
                                                  "[;touch trap]", "[$(touch]", "[trap)]",
                                                  "[`touch]", "[trap`]", "[a|b]", "[>c]"}));
    EXPECT_FALSE(fs::exists(trap));
    EXPECT_FALSE(fs::exists(dir / "c"));
}

TEST_F(SpawnProcessStarterTest, FailuresGiveErrno) {
    ProcessRequest r;
    r.program = (dir / "missing").string();
    EXPECT_EQ(starter.Start(r), ENOENT);
    r.program = dir.string();
    EXPECT_EQ(starter.Start(r), EACCES);
    r.program = script;
    r.parameters = "'unterminated";
    EXPECT_EQ(starter.Start(r), EINVAL);
    r.parameters.clear();
    r.workingDirectory = (dir / "no folder").string();
    EXPECT_NE(starter.Start(r), 0);
    EXPECT_EQ(starter.Running(), 0u);
}

TEST_F(SpawnProcessStarterTest, StartedProgramIsCollectedWhenItEnds) {
    ProcessRequest r;
    r.program = script;
    r.parameters = "x";
    ASSERT_EQ(starter.Start(r), 0);
    EXPECT_EQ(starter.Running(), 1u);
    EXPECT_TRUE(loop.runUntil([&] { return starter.Running() == 0; }, 5000));
    EXPECT_EQ(output().back(), "[x]");
    EXPECT_EQ(output().front(), fs::current_path().string());
}

}  // namespace
}  // namespace pontavi
