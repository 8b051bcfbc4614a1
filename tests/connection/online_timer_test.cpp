#include "connection/online_timer.h"

#include <gtest/gtest.h>

#include "platform/linux/poll_loop.h"

namespace pontavi {
namespace {

class OnlineTimerTest : public ::testing::Test {
  protected:
    PollLoop loop{PollLoop::ClockKind::Virtual};
    Label SessionTimePanel{"SessionTimePanel"};
    Label TotalTimePanel{"TotalTimePanel"};
    Label ResetDateLabel{"ResetDateLabel"};
    std::string today = "07/12/25";
    OnlineTimer timer{
        loop, {SessionTimePanel, TotalTimePanel, ResetDateLabel}, [this] { return today; }};
};

TEST_F(OnlineTimerTest, StartsIdleAtZeroWithTheSteadyInterval) {
    EXPECT_EQ(timer.SessionTime(), "00:00:00");
    EXPECT_EQ(timer.TotalTime(), "00:00:00");
    EXPECT_EQ(timer.ResetDate(), "Never");
    EXPECT_FALSE(timer.timer().Enabled());
    EXPECT_EQ(timer.timer().Interval(), 989);
}

TEST_F(OnlineTimerTest, EachTickAdvancesBothCountersAndShowsThem) {
    timer.setTotalTime("123:04:05");
    timer.timer().setEnabled(true);
    loop.runFor(3 * 989);
    EXPECT_EQ(timer.TotalTime(), "123:04:08");
    EXPECT_EQ(timer.SessionTime(), "00:00:03");
    EXPECT_EQ(TotalTimePanel.Caption(), "123:04:08");
    EXPECT_EQ(SessionTimePanel.Caption(), "00:00:03");
}

TEST_F(OnlineTimerTest, TotalCarriesPastNinetyNineHours) {
    timer.setTotalTime("99:59:59");
    timer.TimerTimer();
    EXPECT_EQ(TotalTimePanel.Caption(), "100:00:00");
}

TEST_F(OnlineTimerTest, AHandEditedTotalCountsFromZeroWithoutComplaint) {
    timer.setTotalTime("about three hours");
    timer.TimerTimer();
    EXPECT_EQ(timer.TotalTime(), "00:00:01");
}

TEST_F(OnlineTimerTest, ResetSessionLeavesTheTotalCounting) {
    timer.setTotalTime("01:00:00");
    for (int i = 0; i < 5; ++i) {
        timer.TimerTimer();
    }
    timer.BitBtn4Click();
    EXPECT_EQ(SessionTimePanel.Caption(), "00:00:00");
    timer.TimerTimer();
    EXPECT_EQ(timer.SessionTime(), "00:00:01");
    EXPECT_EQ(timer.TotalTime(), "01:00:06");
}

TEST_F(OnlineTimerTest, ResetTotalWhileConnectedRecordsTodayAndCountsOn) {
    timer.setTotalTime("42:00:00");
    timer.setResetDate("01/01/24");
    EXPECT_EQ(ResetDateLabel.Caption(), "Last Reset : 01/01/24");
    timer.timer().setEnabled(true);
    loop.runFor(2 * 989);

    timer.BitBtn3Click();
    EXPECT_EQ(TotalTimePanel.Caption(), "00:00:00");
    EXPECT_EQ(timer.ResetDate(), "07/12/25");
    EXPECT_EQ(ResetDateLabel.Caption(), "Last Reset : 07/12/25");
    EXPECT_EQ(timer.SessionTime(), "00:00:02");

    loop.runFor(989);
    EXPECT_EQ(timer.TotalTime(), "00:00:01");
    EXPECT_EQ(timer.SessionTime(), "00:00:03");
}

}  // namespace
}  // namespace pontavi
