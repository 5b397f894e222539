// Power actions on a Linux desktop: shut down, restart and suspend through systemd-logind's
// Manager on the system bus (never interactive: no password prompt for a timed task), and
// the monitor off through the X server's DPMS extension on $DISPLAY.
#pragma once

#include "platform/Power.h"

namespace hx {

class LinuxPower final : public IPower {
public:
    bool PowerOff() override;
    bool Reboot() override;
    bool Suspend() override;
    bool MonitorOff() override;
};

} // namespace hx
