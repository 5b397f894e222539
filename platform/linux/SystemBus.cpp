#include "platform/linux/SystemBus.h"

namespace hx::linux_bus {
namespace {

    std::string TakeMessage(GError* err)
    {
        std::string text = err && err->message ? err->message : "unknown error";
        if (err)
            g_error_free(err);
        return text;
    }

} // namespace

bool CallSystemBus(const char* service, const char* path, const char* iface, const char* method, GVariant* args,
    int timeoutMs, std::string& error)
{
    if (args)
        g_variant_ref_sink(args);
    GError* err = nullptr;
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SYSTEM, nullptr, &err);
    if (!address) {
        error = "no system bus: " + TakeMessage(err);
        if (args)
            g_variant_unref(args);
        return false;
    }
    GDBusConnection* bus = g_dbus_connection_new_for_address_sync(address,
        static_cast<GDBusConnectionFlags>(
            G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &err);
    g_free(address);
    if (!bus) {
        error = "cannot connect to the system bus: " + TakeMessage(err);
        if (args)
            g_variant_unref(args);
        return false;
    }
    GVariant* reply = g_dbus_connection_call_sync(
        bus, service, path, iface, method, args, nullptr, G_DBUS_CALL_FLAGS_NONE, timeoutMs, nullptr, &err);
    if (args)
        g_variant_unref(args);
    bool ok = reply != nullptr;
    if (reply)
        g_variant_unref(reply);
    else
        error = TakeMessage(err);
    g_dbus_connection_close_sync(bus, nullptr, nullptr);
    g_object_unref(bus);
    return ok;
}

} // namespace hx::linux_bus
