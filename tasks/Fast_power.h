// The four power actions of a scheduled task, each a fire-and-forget request to the machine
// through IPower. The user is never told the outcome; a refusal leaves a line in the log.
#pragma once

#include "platform/Power.h"

#include <cstdint>

namespace hx {

enum TaskActionCode : int32_t {
    kActionShutdown = 0,
    kActionRestart = 1,
    kActionSuspend = 2,
    kActionMonitorOff = 3,
};

void PowerShutdown(IPower& power);
void PowerRestart(IPower& power);
void PowerSuspend(IPower& power);
void PowerMonitorOff(IPower& power);

// Carries out the action of `code` (0..3); any other code does nothing but log.
void RunPowerAction(int32_t code, IPower& power);

} // namespace hx
