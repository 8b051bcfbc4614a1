#include "platform/linux/xdg_shell.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/linux/poll_loop.h"

namespace pontavi {
namespace {

namespace fs = std::filesystem;

// A stand-in opener that writes its arguments, one per line, to a file.
class XdgShellTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "xdg-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
        opener = (dir / "opener").string();
        std::ofstream(opener) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > "
                              << (dir / "args").string() << ".tmp\nmv " << (dir / "args").string()
                              << ".tmp " << (dir / "args").string() << "\n";
        ::chmod(opener.c_str(), 0755);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string args() const {
        std::ifstream in(dir / "args");
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path dir;
    std::string opener;
};

TEST_F(XdgShellTest, PassesTheAddressAsOneArgumentAndReapsTheOpener) {
    PollLoop loop;
    XdgShell shell(loop, opener, 20);
    ASSERT_TRUE(shell.openUrl("http://x.org/a b;$(echo no)"));
    EXPECT_EQ(shell.pendingChildren(), 1u);
    EXPECT_TRUE(loop.runUntil([&] { return shell.pendingChildren() == 0; }, 10000));
    EXPECT_EQ(args(), "http://x.org/a b;$(echo no)\n");
}

TEST_F(XdgShellTest, RefusesOptionsAndReportsAMissingOpener) {
    PollLoop loop;
    XdgShell shell(loop, opener);
    EXPECT_FALSE(shell.openUrl("--help"));
    EXPECT_FALSE(shell.openUrl(""));
    XdgShell missing(loop, (dir / "no-such-opener").string());
    EXPECT_FALSE(missing.openUrl("http://x.org"));
    EXPECT_EQ(loop.timerCount(), 0u);
}

}  // namespace
}  // namespace pontavi
