// The context menu on GTK: a GtkMenu of plain GtkMenuItem / GtkCheckMenuItem rows popped up
// at the pointer. Captions are shown as they stand (no mnemonics); a check item's mark is the
// owner's state and is not flipped by a click.
#pragma once

#include "platform/ContextMenu.h"

#include <gtk/gtk.h>
#include <memory>

namespace hx {

class GtkContextMenu final : public IContextMenu {
public:
    GtkContextMenu();
    ~GtkContextMenu() override;
    GtkContextMenu(const GtkContextMenu&) = delete;
    GtkContextMenu& operator=(const GtkContextMenu&) = delete;

    void SetItems(std::vector<MenuItem> items) override;
    void SetChecked(int index, bool checked) override;
    bool IsChecked(int index) const override;
    void Popup(const MouseEvent& at) override;

    GtkWidget* Widget() const { return menu_; }

private:
    struct Row {
        GtkContextMenu* owner;
        int index;
        GtkWidget* widget;
    };
    static void OnActivate(GtkMenuItem*, gpointer row);
    void ShowCheck(int index);

    GtkWidget* menu_ = nullptr;
    std::vector<MenuItem> items_;
    std::vector<std::unique_ptr<Row>> rows_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace hx
