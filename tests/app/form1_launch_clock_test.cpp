#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "form1_fixture.h"

namespace pontavi {
namespace {

using Form1LaunchClockTest = Form1Test;

// A connect runs the launch list from the stored records (a long one cut at
// load and then read by the record's rules) and a clock update whose outcome
// lands in the Requests log.
TEST_F(Form1LaunchClockTest, ConnectStartsTheListAndLogsTheClockUpdate) {
    const std::string longParams(300, 'p');
    writeSettings("[\"Auto-Launch\"]\n\"0\"=\"A?/bin/sh?-c true?1\"\n\"1\"=\"B?/bin/sh?" +
                  longParams + "?2\"\n[\"NetTime\"]\n\"0\"=\"nosuch.example\"\n" +
                  "[\"Options\"]\n\"AppsDelay\"=\"4\"\n\"UpdateClock\"=\"1\"\n");
    TForm1& f = create();
    ASSERT_TRUE(f.UpdateClockCB.Checked());
    dialUp.connectOne();
    loop.runFor(1000);
    ASSERT_EQ(processes.starts.size(), 1u);
    EXPECT_EQ(processes.starts[0].parameters, "-c true");
    EXPECT_EQ(processes.starts[0].window, WindowHint::Minimized);
    loop.runFor(4000);
    ASSERT_EQ(processes.starts.size(), 2u);
    // "B?/bin/sh?" and 245 of the parameters' characters: no style left.
    EXPECT_EQ(processes.starts[1].parameters, std::string(245, 'p'));
    EXPECT_EQ(processes.starts[1].window, WindowHint::Normal);
    loop.runFor(20'000);
    EXPECT_EQ(processes.starts.size(), 2u);
    const auto lines = f.Memo1.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Unable to connect to any Time Servers"),
              lines.end());
    EXPECT_TRUE(dialogs.messages.empty());
    exitProgram();
}

}  // namespace
}  // namespace pontavi
