// The services the program takes from the desktop. Two implementations: platform/gtk
// (the real X11 desktop) and platform/headless (deterministic, for tests: a settable clock,
// readable window pixels, recorded power, shell and time calls, scripted input).
#pragma once

#include "platform/ContextMenu.h"
#include "platform/DateTime.h"
#include "platform/LayeredWindow.h"
#include "platform/Power.h"
#include "platform/SystemClock.h"
#include "platform/TimeFormat.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace hx {

struct WorkArea {
    int x = 0, y = 0, width = 0, height = 0;
};

using TimerId = uint64_t;

class IPlatform {
public:
    virtual ~IPlatform() = default;

    // Current time: the system clock on the desktop, a settable one in tests.
    virtual SystemTimePoint Now() = 0;

    // Runs fn later on the UI thread; callable from any thread. Posts made after the loop
    // has ended are dropped.
    virtual void Post(std::function<void()> fn) = 0;
    // From a worker: runs fn on the UI thread and waits for it. Returns false (fn not run)
    // once the loop is ending, so that a waiting thread can leave.
    virtual bool Invoke(std::function<void()> fn) = 0;

    // Repeating timer on the UI thread. A backend may run a timer of whole seconds on the wall
    // clock's seconds and a little late, so that it shares a wakeup with other once-a-second
    // work (the desktop one does, up to 100 ms); no timer runs early.
    virtual TimerId StartTimer(unsigned intervalMs, std::function<void()> fn) = 0;
    virtual void StopTimer(TimerId id) = 0;

    // The main loop: Run returns after Quit. Quit is safe from signal-driven callbacks on the UI thread.
    virtual void Run() = 0;
    virtual void Quit() = 0;
    // Called on the UI thread when the session ends or SIGTERM/SIGINT arrives.
    std::function<void()> OnSessionEnd;

    virtual WorkArea GetWorkArea() = 0;
    virtual std::unique_ptr<ILayeredWindow> CreateLayeredWindow(const std::string& title) = 0;
    virtual std::unique_ptr<IContextMenu> CreateContextMenu() = 0;

    // Opens an address in the default browser; never through a shell command line.
    virtual void OpenUrl(const std::string& url) = 0;

    virtual LongTimeFormat GetLongTimeFormat() = 0;
    // Called when the regional settings change, so the format is rebuilt.
    std::function<void()> OnLocaleChanged;

    virtual IPower& Power() = 0;
    virtual ISystemClock& SystemClock() = 0;

    // Where the settings store lives ($XDG_CONFIG_HOME/Brightfen/Horalux on the desktop).
    virtual std::string ConfigDir() = 0;
};

} // namespace hx
