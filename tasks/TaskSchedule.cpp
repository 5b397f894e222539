#include "tasks/TaskSchedule.h"

#include "platform/Log.h"
#include "tasks/Fast_power.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace hx {
namespace {

    constexpr int64_t kDayMs = 86400000;

    // The local date as a whole day number (days since 1899-12-30) and the time of day in
    // milliseconds: all comparisons are made on whole milliseconds, never on doubles.
    struct LocalMoment {
        int64_t day;
        int64_t msOfDay;
        int64_t Total() const { return day * kDayMs + msOfDay; }
    };

    LocalMoment Split(SystemTimePoint t)
    {
        const LocalDateTime l = ToLocal(t);
        LocalDateTime midnight = l;
        midnight.hour = midnight.minute = midnight.second = midnight.millisecond = 0;
        return { static_cast<int64_t>(std::llround(EncodeDateTime(midnight))),
            l.hour * 3600000LL + l.minute * 60000LL + l.second * 1000LL + l.millisecond };
    }

    int64_t ToMs(double days) { return static_cast<int64_t>(std::llround(days * kDayMs)); }
    double ToDays(int64_t ms) { return static_cast<double>(ms) / kDayMs; }

    int Clamp(int value, int lo, int hi, const char* what)
    {
        const int c = std::clamp(value, lo, hi);
        if (c != value)
            Log(std::string("task: ") + what + " " + std::to_string(value) + " is out of range; using "
                + std::to_string(c));
        return c;
    }

    // Arms `rec` for the clock time `clockMs` on today's date, or on the next day when
    // `tomorrow` holds; the stored form stays a time of day plus 1 for the next day.
    void ArmAt(TsettingsRec& rec, const LocalMoment& now, int64_t clockMs, bool tomorrow)
    {
        rec.TaskArmed = true;
        rec.TaskBaseDay = static_cast<double>(now.day);
        rec.TaskTime = ToDays(clockMs + (tomorrow ? kDayMs : 0));
    }

} // namespace

void ArmTask(TsettingsRec& rec, const TaskChoice& choice, SystemTimePoint now)
{
    const LocalMoment n = Split(now);
    rec.TaskArmed = true;
    rec.TaskEvery = choice.every;
    int64_t target = 0;
    if (choice.mode == TaskTimeMode::ClockTime) {
        const int hour = Clamp(choice.hour, 0, 23, "hour");
        const int minute = Clamp(choice.minute, 0, 59, "minute");
        target = hour * 3600000LL + minute * 60000LL;
        if (target < n.msOfDay)
            target += kDayMs;
    } else {
        target = n.msOfDay + Clamp(choice.minutes, 10, 1000, "minutes") * 60000LL;
    }
    rec.TaskBaseDay = static_cast<double>(n.day);
    rec.TaskTime = ToDays(target);
    rec.TaskAction = choice.action;
}

void DisarmTask(TsettingsRec& rec) { rec.TaskArmed = false; }

double TaskMoment(const TsettingsRec& rec) { return rec.TaskBaseDay + rec.TaskTime; }

void RestoreTask(TsettingsRec& rec, SystemTimePoint now)
{
    if (!rec.TaskArmed)
        return;
    if (!std::isfinite(rec.TaskTime) || rec.TaskTime < 0 || rec.TaskTime >= 2) {
        Log("task: the stored task time " + std::to_string(rec.TaskTime) + " is not a time of day; task dropped");
        rec.TaskArmed = false;
        return;
    }
    const LocalMoment n = Split(now);
    // The stored +1 only said "tomorrow" relative to a day that has gone by; keep the clock time.
    const int64_t clockMs = ToMs(rec.TaskTime) % kDayMs;
    ArmAt(rec, n, clockMs, clockMs <= n.msOfDay);
}

bool TaskTrigger(TsettingsRec& rec, SystemTimePoint now, IPower& power)
{
    if (!rec.TaskArmed)
        return false;
    // Armed without a day (the settings were loaded but not restored): treat it as restored.
    if (rec.TaskBaseDay <= 0)
        RestoreTask(rec, now);
    if (!rec.TaskArmed)
        return false;
    const LocalMoment n = Split(now);
    if (n.Total() <= ToMs(TaskMoment(rec)))
        return false;

    // The task's state is settled before the action: a shutdown may end the program while the
    // request is still on its way, and the settings saved then must already be the new ones.
    if (rec.TaskEvery) {
        const int64_t clockMs = ToMs(rec.TaskTime) % kDayMs;
        ArmAt(rec, n, clockMs, clockMs <= n.msOfDay);
    } else {
        rec.TaskArmed = false;
    }
    Log("task: firing action " + std::to_string(rec.TaskAction));
    RunPowerAction(rec.TaskAction, power);
    return true;
}

bool TaskTrigger(TsettingsRec& rec, IPlatform& platform) { return TaskTrigger(rec, platform.Now(), platform.Power()); }

} // namespace hx
