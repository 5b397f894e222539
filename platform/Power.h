// The machine's power operations. Each call returns whether the system accepted it;
// the program never tells the user, it logs refusals.
#pragma once

namespace hx {

class IPower {
public:
    virtual ~IPower() = default;
    virtual bool PowerOff() = 0;
    virtual bool Reboot() = 0;
    virtual bool Suspend() = 0;
    virtual bool MonitorOff() = 0;
};

} // namespace hx
