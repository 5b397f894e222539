// The info panel, settings window and task window as the clock window knows them. Until their
// own windows are built they are empty hidden windows, created in the program's order so that
// the clock window can already show, refill and open them.
// FIXME: move each into its own folder (info/, settings/, tasks/) when its window is drawn.
#pragma once

#include "platform/Platform.h"

#include <memory>
#include <string>

namespace hx {

class ToolWindow {
public:
    ToolWindow(IPlatform& platform, const std::string& title);
    virtual ~ToolWindow() = default;
    ILayeredWindow& Window() { return *window_; }
    void Show() { window_->Show(); }
    void Hide() { window_->Hide(); }
    // Modal show: returns when the window is closed. An empty window closes at once.
    virtual void ShowModal();

protected:
    std::unique_ptr<ILayeredWindow> window_;
    std::string title_;
};

class Tfrm_content final : public ToolWindow {
public:
    explicit Tfrm_content(IPlatform& platform)
        : ToolWindow(platform, "Horalux - info")
    {
    }
    // Fills the panel with page 0 (weather), 1 (horoscope) or 2 (almanac).
    void FillPage(int page) { page_ = page; }
    int Page() const { return page_; }

private:
    int page_ = -1;
};

class Tfrm_set final : public ToolWindow {
public:
    explicit Tfrm_set(IPlatform& platform)
        : ToolWindow(platform, "Horalux - settings")
    {
    }
};

class Tfrm_task final : public ToolWindow {
public:
    explicit Tfrm_task(IPlatform& platform)
        : ToolWindow(platform, "Horalux - task")
    {
    }
};

} // namespace hx
