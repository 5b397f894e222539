// Repeating timers on GLib's default context. A timer of a whole number of seconds ticks on the
// wall clock's seconds and may run up to kSecondsTimerSlack late, so that the program's
// once-a-second work (the clock face's tick, the clock window's timer) shares one wakeup of the
// loop instead of each costing its own; other timers run like GLib's, an interval after the
// previous run.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <glib.h>

namespace hx {

inline constexpr std::chrono::microseconds kSecondsTimerSlack { 100'000 };

// The monotonic time (µs) of the next tick of a whole-seconds timer, from the wall clock and
// the monotonic clock read now: the wall clock's whole second one interval after the current
// one, or a second later when that is less than a quarter interval away (a run that came late,
// or a clock set back).
int64_t NextSecondsTick(int64_t realNowUs, int64_t monoNowUs, unsigned intervalMs);

// Attaches a repeating timer; `tick` runs on the loop's thread at each expiry. Returns the
// source id (remove it with g_source_remove, also from inside `tick`).
guint AddTimerSource(unsigned intervalMs, std::function<void()> tick);

} // namespace hx
