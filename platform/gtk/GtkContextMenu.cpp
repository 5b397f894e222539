#include "platform/gtk/GtkContextMenu.h"

#include "platform/Log.h"
#include "platform/gtk/GtkTriggerEvent.h"

#include <cstdlib>

namespace hx {
namespace {
    GdkEvent* g_trigger = nullptr;
}

void RememberTriggerEvent(const GdkEvent* event)
{
    if (g_trigger)
        gdk_event_free(g_trigger);
    g_trigger = event ? gdk_event_copy(event) : nullptr;
}

GdkEvent* LastTriggerEvent() { return g_trigger; }

GtkContextMenu::GtkContextMenu()
{
    menu_ = gtk_menu_new();
    g_object_ref_sink(menu_);
}

GtkContextMenu::~GtkContextMenu()
{
    *alive_ = false;
    for (auto& row : rows_)
        g_signal_handlers_disconnect_by_data(row->widget, row.get());
    gtk_widget_destroy(menu_);
    g_object_unref(menu_);
}

void GtkContextMenu::SetItems(std::vector<MenuItem> items)
{
    for (auto& row : rows_) {
        g_signal_handlers_disconnect_by_data(row->widget, row.get());
        gtk_widget_destroy(row->widget);
    }
    rows_.clear();
    items_ = std::move(items);
    for (size_t i = 0; i < items_.size(); ++i) {
        const MenuItem& item = items_[i];
        // _new_with_label takes the caption literally: no underscore turns into a mnemonic.
        GtkWidget* widget = item.checkable ? gtk_check_menu_item_new_with_label(item.caption.c_str())
                                           : gtk_menu_item_new_with_label(item.caption.c_str());
        auto row = std::make_unique<Row>(Row { this, static_cast<int>(i), widget });
        g_signal_connect(widget, "activate", G_CALLBACK(OnActivate), row.get());
        rows_.push_back(std::move(row));
        gtk_menu_shell_append(GTK_MENU_SHELL(menu_), widget);
        gtk_widget_show(widget);
        ShowCheck(static_cast<int>(i));
    }
}

void GtkContextMenu::ShowCheck(int index)
{
    const Row& row = *rows_[static_cast<size_t>(index)];
    if (!GTK_IS_CHECK_MENU_ITEM(row.widget))
        return;
    g_signal_handlers_block_by_func(row.widget, reinterpret_cast<gpointer>(OnActivate), rows_[index].get());
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(row.widget), items_[index].checked);
    g_signal_handlers_unblock_by_func(row.widget, reinterpret_cast<gpointer>(OnActivate), rows_[index].get());
}

void GtkContextMenu::SetChecked(int index, bool checked)
{
    if (index < 0 || static_cast<size_t>(index) >= items_.size())
        return;
    items_[index].checked = checked;
    ShowCheck(index);
}

bool GtkContextMenu::IsChecked(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= items_.size())
        return false;
    return items_[index].checked;
}

void GtkContextMenu::Popup(const MouseEvent&)
{
    if (auto before = OnPopup) {
        auto alive = alive_;
        before();
        if (!*alive)
            return;
    }
    // Inside a press handler GTK knows the current event; a popup opened later uses the press
    // that led to it, so that the menu can still grab the pointer.
    GdkEvent* current = gtk_get_current_event();
    GdkEvent* trigger = current ? current : LastTriggerEvent();
    gtk_menu_popup_at_pointer(GTK_MENU(menu_), trigger);
    if (current)
        gdk_event_free(current);
    std::string shown;
    for (const MenuItem& item : items_)
        shown += (shown.empty() ? "" : " | ") + item.caption + (item.checkable && item.checked ? " [x]" : "");
    if (std::getenv("HORALUX_TRACE_UI"))
        Log("menu: shown: " + shown);
}

void GtkContextMenu::OnActivate(GtkMenuItem*, gpointer data)
{
    auto* row = static_cast<Row*>(data);
    GtkContextMenu* self = row->owner;
    const int index = row->index;
    // Windows menus do not tick an item on their own; the mark stays the owner's state.
    self->ShowCheck(index);
    // The handler may destroy this menu (the exit item): nothing of it is touched afterwards.
    auto onClick = self->items_[static_cast<size_t>(index)].onClick;
    if (onClick)
        onClick();
}

} // namespace hx
