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

#include "base/parameter_words.h"
#include "platform/linux/poll_loop.h"

namespace pontavi {
namespace {

namespace fs = std::filesystem;

TEST(SplitParametersTest, WhiteSpaceAndDoubleQuotesOnly) {
    struct Case {
        const char* text;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"", {}},
        {" \t\n ", {}},
        {"a b  c", {"a", "b", "c"}},
        {"\"a b\" c\"d e\"f", {"a b", "cd ef"}},
        {"\"\"", {""}},
        {"\"open to the end ", {"open to the end "}},
        {"Mom's notes.txt", {"Mom's", "notes.txt"}},
        {"'a b'", {"'a", "b'"}},
        {"C:\\dir\\file.txt a\\ b \\\"x y\"", {"C:\\dir\\file.txt", "a\\", "b", "\\x y"}},
        {"-x #1 # rest", {"-x", "#1", "#", "rest"}},
        {"$HOME `id` $(id) a;b c|d >e *", {"$HOME", "`id`", "$(id)", "a;b", "c|d", ">e", "*"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitParameters(c.text), c.words) << c.text;
    }
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
                                 "for a in \"$@\"; do echo \"[$a]\" >> \"$out\"; done\n"
                                 "test -e /proc/$$/fd/251 && echo leaked >> \"$out\"\n";
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
    // A descriptor this program inherited without close-on-exec stays here.
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ASSERT_EQ(::dup2(pipeEnds[0], 251), 251);
    const int started = starter.Start(r);
    ::close(251);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    ASSERT_EQ(started, 0);
    EXPECT_EQ(output(), (std::vector<std::string>{dir.string(), script.string(), "[two words]",
                                                  "[';touch]", "[trap']", "[$(touch]", "[trap)]",
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
