// What the machine needs before a power request. On Linux there is no process privilege to
// switch on: systemd-logind asks polkit whether this user may shut down, restart or suspend,
// when the request arrives. Both operations keep their names and order of calls for the
// power actions, and do nothing here.
#pragma once

namespace hx {

// True only on the old Windows family without process privileges; never on Linux.
bool IsWin9x();

// Nothing to do on Linux (logind and polkit decide per request); always accepted.
bool SetShutdownPrivilege(bool enable);

} // namespace hx
