#include "platform/gtk/GtkTimerSource.h"

#include <algorithm>
#include <new>

namespace hx {
namespace {

    constexpr int64_t kSecondUs = 1'000'000;

    struct TimerSource {
        GSource base; // first: GLib allocates and frees the whole struct as a GSource
        std::function<void()>* tick;
        int64_t intervalUs;
        bool onSeconds;
        int64_t due; // monotonic µs
    };

    TimerSource* Self(GSource* source) { return reinterpret_cast<TimerSource*>(source); }

    void Schedule(TimerSource* t, int64_t monoNow)
    {
        t->due = t->onSeconds ? NextSecondsTick(g_get_real_time(), monoNow, static_cast<unsigned>(t->intervalUs / 1000))
                              : monoNow + t->intervalUs;
    }

    gboolean Prepare(GSource* source, gint* timeout)
    {
        TimerSource* t = Self(source);
        const int64_t now = g_source_get_time(source);
        if (now >= t->due) {
            *timeout = 0;
            return TRUE;
        }
        // Due, the timer runs at any wakeup of the loop; only the end of its slack wakes it.
        const int64_t wake = t->due + (t->onSeconds ? kSecondsTimerSlack.count() : 0);
        *timeout = static_cast<gint>(std::min<int64_t>((wake - now + 999) / 1000, G_MAXINT));
        return FALSE;
    }

    gboolean Check(GSource* source) { return g_source_get_time(source) >= Self(source)->due; }

    gboolean Dispatch(GSource* source, GSourceFunc, gpointer)
    {
        TimerSource* t = Self(source);
        Schedule(t, g_get_monotonic_time());
        // GLib holds the source while it dispatches: `tick` may remove its own timer.
        (*t->tick)();
        return G_SOURCE_CONTINUE;
    }

    void Finalize(GSource* source) { delete Self(source)->tick; }

    GSourceFuncs kTimerFuncs = { Prepare, Check, Dispatch, Finalize, nullptr, nullptr };

} // namespace

int64_t NextSecondsTick(int64_t realNowUs, int64_t monoNowUs, unsigned intervalMs)
{
    const int64_t intervalUs = static_cast<int64_t>(intervalMs) * 1000;
    // Floor division: a wall clock before 1970 is still a clock.
    int64_t second = realNowUs / kSecondUs;
    if (realNowUs % kSecondUs < 0)
        --second;
    int64_t target = second * kSecondUs + intervalUs;
    if (target - realNowUs < intervalUs / 4)
        target += kSecondUs;
    return monoNowUs + (target - realNowUs);
}

guint AddTimerSource(unsigned intervalMs, std::function<void()> tick)
{
    GSource* source = g_source_new(&kTimerFuncs, sizeof(TimerSource));
    TimerSource* t = Self(source);
    t->tick = new std::function<void()>(std::move(tick));
    t->intervalUs = static_cast<int64_t>(std::max(intervalMs, 1u)) * 1000;
    t->onSeconds = intervalMs >= 1000 && intervalMs % 1000 == 0;
    Schedule(t, g_get_monotonic_time());
    g_source_set_name(source, "hx timer");
    const guint id = g_source_attach(source, nullptr);
    g_source_unref(source);
    return id;
}

} // namespace hx
