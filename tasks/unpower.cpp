#include "tasks/unpower.h"

namespace hx {

bool IsWin9x() { return false; }

bool SetShutdownPrivilege(bool) { return true; }

} // namespace hx
