// The task as the clock window drives it: a 1000 ms timer on the headless desktop whose first
// step is the trigger, with the simulated clock moved forward.
#include "platform/headless/HeadlessPlatform.h"
#include "tasks/TaskSchedule.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

using namespace std::chrono;

namespace {

class HeadlessTask : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
        timer_ = platform_.StartTimer(1000, [this] { hx::TaskTrigger(rec_, platform_); });
    }
    void TearDown() override
    {
        platform_.StopTimer(timer_);
        unsetenv("TZ");
        tzset();
    }
    hx::headless::HeadlessPlatform platform_;
    hx::TsettingsRec rec_;
    hx::TimerId timer_ = 0;
};

} // namespace

TEST_F(HeadlessTask, NoonTaskFiresOnTheFirstTickAfterNoonOnly)
{
    platform_.SetLocalNow(2024, 6, 10, 11, 59, 58);
    hx::ArmTask(rec_, { false, hx::TaskTimeMode::ClockTime, 12, 0, 10, 3 }, platform_.Now());
    platform_.Advance(milliseconds(2000)); // 12:00:00: not yet
    EXPECT_TRUE(platform_.Recorder().Calls().empty());
    EXPECT_TRUE(rec_.TaskArmed);
    platform_.Advance(milliseconds(5000));
    EXPECT_EQ(platform_.Recorder().Calls(), std::vector<std::string> { "MonitorOff" });
    EXPECT_FALSE(rec_.TaskArmed);
}

TEST_F(HeadlessTask, RestoredDailyShutdownDoesNotFireAtStart)
{
    // Started at 20:00 with a daily 12:00 shutdown stored: nothing until the next noon.
    rec_.TaskEvery = rec_.TaskArmed = true;
    rec_.TaskTime = 0.5;
    platform_.SetLocalNow(2024, 6, 10, 20, 0, 0);
    hx::RestoreTask(rec_, platform_.Now());
    platform_.Advance(hours(16));
    EXPECT_TRUE(platform_.Recorder().Calls().empty());
    platform_.Advance(seconds(2));
    EXPECT_EQ(platform_.Recorder().Calls(), std::vector<std::string> { "PowerOff" });
    EXPECT_TRUE(rec_.TaskArmed);
}
