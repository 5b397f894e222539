#include "platform/gtk/GtkServices.h"

#include "platform/Log.h"

#ifdef HX_HAVE_PLATFORM_LINUX
#include "platform/linux/LinuxServices.h"
#endif

namespace hx {

#ifdef HX_HAVE_PLATFORM_LINUX
std::unique_ptr<IPower> CreateDesktopPower() { return CreateLinuxPower(); }
std::unique_ptr<ISystemClock> CreateDesktopSystemClock() { return CreateLinuxSystemClock(); }
#else
namespace {
    // Built without the Linux services: every request is refused, and said so in the log.
    class RefusingPower final : public IPower {
    public:
        bool PowerOff() override { return Refuse("power off"); }
        bool Reboot() override { return Refuse("restart"); }
        bool Suspend() override { return Refuse("suspend"); }
        bool MonitorOff() override { return Refuse("monitor off"); }

    private:
        static bool Refuse(const char* what)
        {
            Log(std::string("power: ") + what + " is not available in this build");
            return false;
        }
    };

    class RefusingSystemClock final : public ISystemClock {
    public:
        bool SetTime(SystemTimePoint) override
        {
            Log("clock: setting the time is not available in this build");
            return false;
        }
    };
} // namespace

std::unique_ptr<IPower> CreateDesktopPower() { return std::make_unique<RefusingPower>(); }
std::unique_ptr<ISystemClock> CreateDesktopSystemClock() { return std::make_unique<RefusingSystemClock>(); }
#endif

} // namespace hx
