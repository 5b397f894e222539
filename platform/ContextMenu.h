// A popup menu of plain captions; an item may carry a check mark.
#pragma once

#include "platform/LayeredWindow.h"

#include <functional>
#include <string>
#include <vector>

namespace hx {

struct MenuItem {
    std::string caption; // shown as it stands: no accelerator letters are added
    bool checkable = false;
    bool checked = false;
    std::function<void()> onClick;
};

class IContextMenu {
public:
    virtual ~IContextMenu() = default;
    virtual void SetItems(std::vector<MenuItem> items) = 0;
    virtual void SetChecked(int index, bool checked) = 0;
    virtual bool IsChecked(int index) const = 0;
    // Runs OnPopup first (so the owner can update check marks), then shows the menu at the pointer.
    virtual void Popup(const MouseEvent& at) = 0;

    std::function<void()> OnPopup;
};

} // namespace hx
