#include "tasks/TaskSchedule.h"

#include "platform/Log.h"
#include "tasks/Fast_power.h"
#include "tasks/unpower.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <limits>

using hx::SystemTimePoint;
using hx::TaskChoice;
using hx::TaskTimeMode;
using hx::TsettingsRec;

namespace {

// Every case runs in a zone with daylight-saving time: a moment is a local wall-clock time.
class CetZone : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* old = std::getenv("TZ"))
            old_ = old, had_ = true;
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
        hx::SetLogSink([this](std::string_view line) { log_.emplace_back(line); });
    }
    void TearDown() override
    {
        hx::SetLogSink({});
        had_ ? setenv("TZ", old_.c_str(), 1) : unsetenv("TZ");
        tzset();
    }
    std::vector<std::string> log_;

private:
    std::string old_;
    bool had_ = false;
};

SystemTimePoint At(int day, int hour, int minute, int second = 0, int ms = 0, int month = 3, int year = 2024)
{
    hx::LocalDateTime l;
    l.year = year, l.month = month, l.day = day;
    l.hour = hour, l.minute = minute, l.second = second, l.millisecond = ms;
    return hx::FromLocal(l);
}

class RecordingPower final : public hx::IPower {
public:
    bool PowerOff() override { return Record("PowerOff"); }
    bool Reboot() override { return Record("Reboot"); }
    bool Suspend() override { return Record("Suspend"); }
    bool MonitorOff() override { return Record("MonitorOff"); }
    std::vector<std::string> calls;
    bool accept = true;

private:
    bool Record(const char* name)
    {
        calls.emplace_back(name);
        return accept;
    }
};

TaskChoice ClockTime(int hour, int minute, int32_t action = 0, bool every = false)
{
    return { every, TaskTimeMode::ClockTime, hour, minute, 10, action };
}

TaskChoice AfterMinutes(int minutes, int32_t action = 0)
{
    return { false, TaskTimeMode::AfterMinutes, 0, 0, minutes, action };
}

// Ticks once a second from `from` to `to` (inclusive) and returns the first tick that fired.
std::optional<SystemTimePoint> FirstFiring(
    TsettingsRec& rec, hx::IPower& power, SystemTimePoint from, SystemTimePoint to)
{
    for (auto t = from; t <= to; t += std::chrono::seconds(1))
        if (hx::TaskTrigger(rec, t, power))
            return t;
    return std::nullopt;
}

} // namespace

using Arming = CetZone;

TEST_F(Arming, StoredTimeAndFirstTickThatFires)
{
    struct Row {
        const char* name;
        SystemTimePoint armedAt;
        TaskChoice choice;
        double taskTime;
        SystemTimePoint quietUntil; // the moment: no tick up to it fires, the next one does
    } rows[] = {
        { "clock time ahead", At(10, 9, 59, 30), ClockTime(10, 0), 10.0 / 24, At(10, 10, 0, 0) },
        { "clock time equal to now stays today", At(10, 10, 0, 0), ClockTime(10, 0), 10.0 / 24, At(10, 10, 0, 0) },
        { "clock time passed: next day", At(10, 11, 0, 0), ClockTime(10, 0), 1 + 10.0 / 24, At(11, 10, 0, 0) },
        { "ten minutes", At(10, 12, 0, 0), AfterMinutes(10), 12.0 / 24 + 10.0 / 1440, At(10, 12, 10, 0) },
        { "1000 minutes past midnight", At(10, 23, 0, 0), AfterMinutes(1000), 1 + (15 * 60 + 40) / 1440.0,
            At(11, 15, 40, 0) },
        // The night of 30-31 March skips 02:00-03:00: 10:00 the next day is still 10:00 on the wall.
        { "over the change to summer time", At(30, 23, 0, 0), ClockTime(10, 0), 1 + 10.0 / 24, At(31, 10, 0, 0) },
    };
    for (const auto& row : rows) {
        TsettingsRec rec;
        RecordingPower power;
        hx::ArmTask(rec, row.choice, row.armedAt);
        EXPECT_TRUE(rec.TaskArmed) << row.name;
        EXPECT_NEAR(rec.TaskTime, row.taskTime, 1e-9) << row.name;
        EXPECT_EQ(FirstFiring(rec, power, row.armedAt, row.quietUntil), std::nullopt) << row.name;
        // Ticks are not always on whole seconds: half a second past the moment fires too.
        EXPECT_EQ(FirstFiring(rec, power, row.quietUntil + std::chrono::milliseconds(500),
                      row.quietUntil + std::chrono::hours(1)),
            row.quietUntil + std::chrono::milliseconds(500))
            << row.name;
        EXPECT_FALSE(rec.TaskArmed) << row.name;
        EXPECT_EQ(power.calls, std::vector<std::string> { "PowerOff" }) << row.name;
    }
}

TEST_F(Arming, ReplacesTheTaskAndClampsOutOfRangeChoices)
{
    TsettingsRec rec;
    hx::ArmTask(rec, ClockTime(22, 0, 1, true), At(10, 8, 0));
    hx::ArmTask(rec, AfterMinutes(5000, 3), At(10, 8, 0));
    EXPECT_FALSE(rec.TaskEvery);
    EXPECT_EQ(rec.TaskAction, 3);
    EXPECT_NEAR(rec.TaskTime, 8.0 / 24 + 1000.0 / 1440, 1e-9);
    EXPECT_EQ(log_.size(), 1u);
    hx::ArmTask(rec, ClockTime(25, 70), At(10, 8, 0));
    EXPECT_NEAR(rec.TaskTime, 23.0 / 24 + 59.0 / 1440, 1e-9);
}

using Trigger = CetZone;

TEST_F(Trigger, RunsTheActionOfItsCodeOnce)
{
    struct Row {
        int32_t code;
        std::vector<std::string> calls;
    } rows[] = {
        { 0, { "PowerOff" } },
        { 1, { "Reboot" } },
        { 2, { "Suspend" } },
        { 3, { "MonitorOff" } },
        { 4, {} },
        { -1, {} },
    };
    for (const auto& row : rows) {
        TsettingsRec rec;
        RecordingPower power;
        hx::ArmTask(rec, ClockTime(12, 0, row.code), At(10, 11, 0));
        EXPECT_TRUE(hx::TaskTrigger(rec, At(10, 12, 0, 1), power)) << row.code;
        EXPECT_FALSE(hx::TaskTrigger(rec, At(10, 12, 0, 2), power)) << row.code;
        EXPECT_FALSE(rec.TaskArmed) << row.code;
        EXPECT_EQ(power.calls, row.calls) << row.code;
    }
}

TEST_F(Trigger, DisarmedDoesNothingAndARefusalIsLogged)
{
    TsettingsRec rec;
    RecordingPower power;
    hx::ArmTask(rec, ClockTime(12, 0), At(10, 11, 0));
    hx::DisarmTask(rec);
    EXPECT_FALSE(hx::TaskTrigger(rec, At(10, 13, 0), power));
    EXPECT_TRUE(power.calls.empty());
    EXPECT_NEAR(rec.TaskTime, 0.5, 1e-9); // kept for the task window

    power.accept = false;
    log_.clear();
    hx::ArmTask(rec, ClockTime(12, 0, 1), At(10, 11, 0));
    EXPECT_TRUE(hx::TaskTrigger(rec, At(10, 12, 0, 1), power));
    EXPECT_FALSE(rec.TaskArmed);
    ASSERT_FALSE(log_.empty());
    EXPECT_NE(log_.back().find("refused to restart"), std::string::npos) << log_.back();
}

using DailyTask = CetZone;

TEST_F(DailyTask, FiresEveryDayAtTheSameClockTimeAndStaysArmed)
{
    TsettingsRec rec;
    RecordingPower power;
    hx::ArmTask(rec, ClockTime(12, 0, 3, true), At(10, 11, 0));
    EXPECT_EQ(FirstFiring(rec, power, At(10, 11, 59, 58), At(10, 12, 0, 5)), At(10, 12, 0, 1));
    // Still armed, so it is stored at exit; never twice on one day.
    EXPECT_TRUE(rec.TaskArmed);
    EXPECT_TRUE(rec.TaskEvery);
    EXPECT_EQ(FirstFiring(rec, power, At(10, 12, 0, 2), At(11, 12, 0, 0)), std::nullopt);
    EXPECT_EQ(FirstFiring(rec, power, At(11, 12, 0, 0, 1), At(11, 12, 0, 5)), At(11, 12, 0, 0, 1));
    // After three days asleep it fires once on waking and then waits for the next noon.
    EXPECT_TRUE(hx::TaskTrigger(rec, At(14, 18, 0), power));
    EXPECT_EQ(FirstFiring(rec, power, At(14, 18, 0, 1), At(15, 12, 0, 0)), std::nullopt);
    EXPECT_TRUE(hx::TaskTrigger(rec, At(15, 12, 0, 1), power));
    EXPECT_EQ(power.calls, std::vector<std::string>(4, "MonitorOff"));
}

TEST_F(DailyTask, RestoredTaskFiresAtItsNextOccurrenceWithItsAction)
{
    struct Row {
        const char* name;
        double storedTime;
        SystemTimePoint start;
        SystemTimePoint fires;
    } rows[] = {
        { "started before its time: today", 0.5, At(10, 8, 0), At(10, 12, 0, 1) },
        { "started after its time: tomorrow", 0.5, At(10, 20, 0), At(11, 12, 0, 1) },
        { "stored for the next day, started before its time", 1.5, At(10, 8, 0), At(10, 12, 0, 1) },
        { "stored for the next day, started after its time", 1.5, At(10, 20, 0), At(11, 12, 0, 1) },
    };
    for (const auto& row : rows) {
        // What LoadSettings leaves: armed, daily, time and action, no day.
        TsettingsRec rec;
        rec.TaskEvery = rec.TaskArmed = true;
        rec.TaskTime = row.storedTime;
        rec.TaskAction = 2;
        hx::RestoreTask(rec, row.start);
        RecordingPower power;
        EXPECT_EQ(FirstFiring(rec, power, row.start, row.fires + std::chrono::seconds(3)), row.fires) << row.name;
        EXPECT_EQ(power.calls, std::vector<std::string> { "Suspend" }) << row.name;
        EXPECT_TRUE(rec.TaskArmed) << row.name;
    }
}

TEST_F(DailyTask, LoadedButNotRestoredIsTreatedAsRestored)
{
    TsettingsRec rec;
    rec.TaskEvery = rec.TaskArmed = true;
    rec.TaskTime = 0.5;
    RecordingPower power;
    EXPECT_FALSE(hx::TaskTrigger(rec, At(10, 20, 0), power));
    EXPECT_TRUE(power.calls.empty());
    EXPECT_TRUE(hx::TaskTrigger(rec, At(11, 12, 0, 1), power));
}

TEST_F(DailyTask, StoredTimeThatIsNoTimeOfDayIsDropped)
{
    for (double bad : { -0.1, 2.0, 7.5, std::numeric_limits<double>::quiet_NaN() }) {
        TsettingsRec rec;
        rec.TaskEvery = rec.TaskArmed = true;
        rec.TaskTime = bad;
        log_.clear();
        hx::RestoreTask(rec, At(10, 8, 0));
        EXPECT_FALSE(rec.TaskArmed) << bad;
        EXPECT_EQ(log_.size(), 1u) << bad;
    }
}

TEST(PowerPrivilege, NothingToEnableOnLinux)
{
    EXPECT_FALSE(hx::IsWin9x());
    EXPECT_TRUE(hx::SetShutdownPrivilege(true));
}
