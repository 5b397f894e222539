// The machine services the desktop platform hands out: the Linux ones (logind, DPMS,
// clock_settime/timedated) when that backend is built, logging refusals otherwise.
#pragma once

#include "platform/Power.h"
#include "platform/SystemClock.h"

#include <memory>

namespace hx {

std::unique_ptr<IPower> CreateDesktopPower();
std::unique_ptr<ISystemClock> CreateDesktopSystemClock();

} // namespace hx
