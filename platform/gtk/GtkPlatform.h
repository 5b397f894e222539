// The real desktop: IPlatform on GTK 3 under X11 (XWayland included). The factory opens the
// display, loads the program's font aliases before GTK touches a font, and installs the
// handlers that turn SIGTERM, SIGINT, SIGHUP and a window manager's close into OnSessionEnd.
#pragma once

#include "platform/Platform.h"

#include <memory>

namespace hx {

// Returns nullptr (and logs why) when no X display can be opened. GTK takes its own
// options out of argc/argv. Call it once, on the thread that will run the loop; destroy
// every window and menu it made before the platform itself.
std::unique_ptr<IPlatform> CreateGtkPlatform(int& argc, char**& argv);

} // namespace hx
