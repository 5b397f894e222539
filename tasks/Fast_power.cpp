#include "tasks/Fast_power.h"

#include "platform/Log.h"
#include "tasks/unpower.h"

#include <string>

namespace hx {
namespace {

    void Report(bool accepted, const char* action)
    {
        if (!accepted)
            Log(std::string("task: the system refused to ") + action);
    }

} // namespace

void PowerShutdown(IPower& power)
{
    if (!IsWin9x())
        SetShutdownPrivilege(true); // left enabled, as the restart's is not
    Report(power.PowerOff(), "shut down");
}

void PowerRestart(IPower& power)
{
    if (IsWin9x()) {
        Report(power.Reboot(), "restart");
        return;
    }
    SetShutdownPrivilege(true);
    Report(power.Reboot(), "restart");
    SetShutdownPrivilege(false);
}

void PowerSuspend(IPower& power)
{
    SetShutdownPrivilege(true);
    Report(power.Suspend(), "suspend");
}

void PowerMonitorOff(IPower& power) { Report(power.MonitorOff(), "turn the monitor off"); }

void RunPowerAction(int32_t code, IPower& power)
{
    switch (code) {
    case kActionShutdown:
        PowerShutdown(power);
        break;
    case kActionRestart:
        PowerRestart(power);
        break;
    case kActionSuspend:
        PowerSuspend(power);
        break;
    case kActionMonitorOff:
        PowerMonitorOff(power);
        break;
    default:
        Log("task: action code " + std::to_string(code) + " is unknown; nothing done");
        break;
    }
}

} // namespace hx
