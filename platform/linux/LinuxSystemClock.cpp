#include "platform/linux/LinuxSystemClock.h"

#include "platform/Log.h"
#include "platform/linux/LinuxServices.h"
#include "platform/linux/SystemBus.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace hx {
namespace {

    constexpr int kTimedatedTimeoutMs = 2000;

} // namespace

LinuxSystemClock::LinuxSystemClock()
    : setKernel_([](const timespec& ts) { return clock_settime(CLOCK_REALTIME, &ts); })
{
}

LinuxSystemClock::LinuxSystemClock(KernelSetter setter)
    : setKernel_(std::move(setter))
{
}

bool LinuxSystemClock::SetTime(SystemTimePoint t)
{
    using namespace std::chrono;
    const auto usec = duration_cast<microseconds>(t.time_since_epoch()).count();
    timespec ts {};
    ts.tv_sec = static_cast<time_t>(usec / 1000000);
    ts.tv_nsec = static_cast<long>(usec % 1000000) * 1000;
    if (ts.tv_nsec < 0) {
        ts.tv_nsec += 1000000000;
        --ts.tv_sec;
    }
    errno = 0;
    if (setKernel_(ts) == 0)
        return true;
    const std::string kernelError = std::strerror(errno);

    std::string busError;
    // SetTime(x usec_utc, b relative, b interactive)
    if (linux_bus::CallSystemBus("org.freedesktop.timedate1", "/org/freedesktop/timedate1", "org.freedesktop.timedate1",
            "SetTime", g_variant_new("(xbb)", static_cast<gint64>(usec), FALSE, FALSE), kTimedatedTimeoutMs, busError))
        return true;
    Log("nettime: the clock was not set (clock_settime: " + kernelError + "; timedated: " + busError + ")");
    return false;
}

std::unique_ptr<ISystemClock> CreateLinuxSystemClock() { return std::make_unique<LinuxSystemClock>(); }

} // namespace hx
