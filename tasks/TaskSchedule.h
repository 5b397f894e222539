// The one scheduled power task: arming it from the task window's choices, the trigger that
// the clock window's one-second timer runs first on every tick, and bringing a stored daily
// task back at start. Its moment is the local date-time TaskBaseDay + TaskTime.
#pragma once

#include "app/clock_data.h"
#include "platform/Platform.h"

namespace hx {

enum class TaskTimeMode { ClockTime, AfterMinutes };

// What the task window hands over when its start button is pressed.
struct TaskChoice {
    bool every = false; // "每天：" rather than "今天："
    TaskTimeMode mode = TaskTimeMode::ClockTime;
    int hour = 0; // 0..23
    int minute = 0; // 0..59
    int minutes = 10; // 10..1000, for AfterMinutes
    int32_t action = 0; // 0 shut down, 1 restart, 2 suspend, 3 monitor off
};

// Replaces any armed task. A clock time earlier than now lies on the next day (TaskTime + 1);
// one equal to now stays today. N minutes may carry the moment past midnight (TaskTime >= 1).
void ArmTask(TsettingsRec& rec, const TaskChoice& choice, SystemTimePoint now);

// The task window's stop button: disarms and keeps every other field.
void DisarmTask(TsettingsRec& rec);

// Fires the armed task once `now` is strictly past its moment: carries out its action and
// disarms it, or, for a daily task, arms it again for the same clock time on the following
// day so that it stays stored. Returns whether it fired.
bool TaskTrigger(TsettingsRec& rec, SystemTimePoint now, IPower& power);
bool TaskTrigger(TsettingsRec& rec, IPlatform& platform);

// Right after LoadSettings: a restored daily task fires at its next occurrence, today if its
// clock time is still ahead, else tomorrow. A stored time that makes no sense disarms it.
void RestoreTask(TsettingsRec& rec, SystemTimePoint now);

// The armed task's moment as local date-time (TaskBaseDay + TaskTime).
double TaskMoment(const TsettingsRec& rec);

} // namespace hx
