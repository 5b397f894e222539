// Sets the machine's clock: clock_settime when the process holds CAP_SYS_TIME, otherwise
// timedated's SetTime over the system bus (polkit decides, without asking the user).
// A refusal returns false and leaves one line in the log.
#pragma once

#include "platform/SystemClock.h"

#include <ctime>
#include <functional>

namespace hx {

class LinuxSystemClock final : public ISystemClock {
public:
    // How the kernel clock is set: clock_settime(CLOCK_REALTIME) unless a test swaps it,
    // so that tests reach the timedated path without touching the real clock.
    using KernelSetter = std::function<int(const timespec&)>;

    LinuxSystemClock();
    explicit LinuxSystemClock(KernelSetter setter);

    bool SetTime(SystemTimePoint t) override;

private:
    KernelSetter setKernel_;
};

} // namespace hx
