// Setting the machine's clock. A refusal (no privilege, no time service) returns false.
#pragma once

#include "platform/DateTime.h"

namespace hx {

class ISystemClock {
public:
    virtual ~ISystemClock() = default;
    virtual bool SetTime(SystemTimePoint t) = 0;
};

} // namespace hx
