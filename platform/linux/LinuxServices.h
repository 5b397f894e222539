// The Linux implementations of the machine services: power actions through systemd-logind
// and X11 DPMS, and setting the clock with clock_settime or, without the right, timedated.
// Both talk to the system bus that DBUS_SYSTEM_BUS_ADDRESS names (the usual one otherwise).
#pragma once

#include "platform/Power.h"
#include "platform/SystemClock.h"

#include <memory>

namespace hx {

std::unique_ptr<IPower> CreateLinuxPower();
std::unique_ptr<ISystemClock> CreateLinuxSystemClock();

} // namespace hx
