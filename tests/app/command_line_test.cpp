#include "app/command_line.h"

#include <gtest/gtest.h>

namespace pontavi {
namespace {

using Action = CommandLine::Action;

TEST(CommandLineTest, ArgumentsGiveTheirAction) {
    const struct {
        std::vector<std::string_view> args;
        Action action;
        std::string unknown;
    } cases[] = {
        {{}, Action::Run, ""},
        {{"--help"}, Action::Help, ""},
        {{"-h"}, Action::Help, ""},
        {{"--version"}, Action::Version, ""},
        // Qt's own options, with their values, as a session manager restarts us.
        {{"-session", "10abc", "-platform", "xcb"}, Action::Run, ""},
        {{"--style=fusion", "-reverse"}, Action::Run, ""},
        {{"-platform", "xcb", "--version"}, Action::Version, ""},
        {{"--bogus", "--help"}, Action::Unknown, "--bogus"},
        {{"file.txt"}, Action::Unknown, "file.txt"},
        {{"-session"}, Action::Unknown, "-session"},  // its value is missing
    };
    for (const auto& c : cases) {
        const CommandLine result = ParseCommandLine(c.args);
        EXPECT_EQ(result.action, c.action) << c.args.size();
        EXPECT_EQ(result.unknown, c.unknown);
    }
}

TEST(CommandLineTest, RepliesGoToTheirStreamWithTheirStatus) {
    const auto help = ReplyTo({Action::Help, {}}, "1.5");
    EXPECT_FALSE(help.toStderr);
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(ReplyTo({Action::Version, {}}, "1.5").text, "pontavi 1.5\n");
    const auto unknown = ReplyTo({Action::Unknown, "-x"}, "1.5");
    EXPECT_TRUE(unknown.toStderr);
    EXPECT_EQ(unknown.exitStatus, 2);
    EXPECT_NE(unknown.text.find("'-x'"), std::string::npos);
    EXPECT_NE(unknown.text.find("Usage: pontavi"), std::string::npos);
}

}  // namespace
}  // namespace pontavi
