#include "platform/linux/LinuxPower.h"

#include "platform/Log.h"
#include "platform/linux/LinuxServices.h"
#include "platform/linux/SystemBus.h"

#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>

namespace hx {
namespace {

    // logind answers at once (the shutdown itself runs later); a hung bus must not stall the
    // UI thread for GDBus's default 25 s.
    constexpr int kLogindTimeoutMs = 3000;

    bool CallLogind(const char* method)
    {
        std::string error;
        // interactive = false: a task fires unattended, so polkit must decide without asking.
        const bool ok = linux_bus::CallSystemBus("org.freedesktop.login1", "/org/freedesktop/login1",
            "org.freedesktop.login1.Manager", method, g_variant_new("(b)", FALSE), kLogindTimeoutMs, error);
        if (!ok)
            Log(std::string("power: logind refused ") + method + ": " + error);
        return ok;
    }

    int g_xErrors = 0;
    int CountXError(Display*, XErrorEvent*)
    {
        ++g_xErrors;
        return 0;
    }

} // namespace

bool LinuxPower::PowerOff() { return CallLogind("PowerOff"); }
bool LinuxPower::Reboot() { return CallLogind("Reboot"); }
bool LinuxPower::Suspend() { return CallLogind("Suspend"); }

bool LinuxPower::MonitorOff()
{
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        Log("power: monitor off refused: cannot open the X display");
        return false;
    }
    int eventBase = 0, errorBase = 0;
    bool ok = false;
    if (!DPMSQueryExtension(dpy, &eventBase, &errorBase) || !DPMSCapable(dpy)) {
        Log("power: monitor off refused: the X server has no DPMS");
    } else {
        // Xlib's default error handler exits the process; a refusal must only be logged.
        g_xErrors = 0;
        XErrorHandler previous = XSetErrorHandler(CountXError);
        CARD16 level = 0;
        BOOL enabled = False;
        DPMSInfo(dpy, &level, &enabled);
        // The server ignores a forced level while DPMS is disabled, as `xset dpms force off` knows.
        if (!enabled)
            DPMSEnable(dpy);
        DPMSForceLevel(dpy, DPMSModeOff);
        XSync(dpy, False);
        XSetErrorHandler(previous);
        ok = g_xErrors == 0;
        if (!ok)
            Log("power: monitor off refused by the X server");
    }
    XCloseDisplay(dpy);
    return ok;
}

std::unique_ptr<IPower> CreateLinuxPower() { return std::make_unique<LinuxPower>(); }

} // namespace hx
