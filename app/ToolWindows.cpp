#include "app/ToolWindows.h"

#include "platform/Log.h"

namespace hx {

ToolWindow::ToolWindow(IPlatform& platform, const std::string& title)
    : window_(platform.CreateLayeredWindow(title))
    , title_(title)
{
}

void ToolWindow::ShowModal() { Log(title_ + ": this window has no content yet"); }

} // namespace hx
