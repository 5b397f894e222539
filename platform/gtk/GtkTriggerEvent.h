// The last button press that reached one of the program's windows, kept for popups that are
// opened after the press handler has returned: GTK needs a trigger event (its time, seat and
// window) to grab the pointer for a menu.
#pragma once

#include <gdk/gdk.h>

namespace hx {

void RememberTriggerEvent(const GdkEvent* event);
// The remembered press, or nullptr; owned by this module, valid until the next press.
GdkEvent* LastTriggerEvent();

} // namespace hx
