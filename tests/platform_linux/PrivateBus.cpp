#include "tests/platform_linux/PrivateBus.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace hx::test {
namespace {

    const char* kIntrospection = R"(<node>
  <interface name="org.freedesktop.login1.Manager">
    <method name="PowerOff"><arg type="b" direction="in"/></method>
    <method name="Reboot"><arg type="b" direction="in"/></method>
    <method name="Suspend"><arg type="b" direction="in"/></method>
  </interface>
  <interface name="org.freedesktop.timedate1">
    <method name="SetTime"><arg type="x" direction="in"/><arg type="b" direction="in"/><arg type="b" direction="in"/></method>
  </interface>
</node>)";

    const char* kConfig = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=@DIR@</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

    bool OwnName(GDBusConnection* bus, const char* name)
    {
        GVariant* r = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
            "org.freedesktop.DBus", "RequestName", g_variant_new("(su)", name, 4u /* do not queue */),
            G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
        if (!r)
            return false;
        guint32 reply = 0;
        g_variant_get(r, "(u)", &reply);
        g_variant_unref(r);
        return reply == 1; // primary owner
    }

} // namespace

PrivateBus::PrivateBus()
{
    char tmpl[] = "/tmp/hx-bus-XXXXXX";
    if (!mkdtemp(tmpl))
        return;
    dir_ = tmpl;
    std::string config = kConfig;
    config.replace(config.find("@DIR@"), 5, dir_);
    const std::string configPath = dir_ + "/bus.conf";
    std::ofstream(configPath) << config;

    int out[2];
    if (pipe(out) != 0)
        return;
    daemon_ = fork();
    if (daemon_ == 0) {
        dup2(out[1], 1);
        // Its complaints (it cannot raise the fd limit in a container, say) go to its own log.
        const std::string logPath = dir_ + "/bus.log";
        const int logFd = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (logFd >= 0)
            dup2(logFd, 2);
        close(out[0]);
        close(out[1]);
        const std::string arg = "--config-file=" + configPath;
        execlp("dbus-daemon", "dbus-daemon", arg.c_str(), "--nofork", "--print-address=1", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string line;
    char c = 0;
    while (read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    close(out[0]);
    if (daemon_ < 0 || line.empty())
        return;
    address_ = line;
    if (const char* old = std::getenv("DBUS_SYSTEM_BUS_ADDRESS"))
        oldAddress_ = old, hadOldAddress_ = true;
    setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.c_str(), 1);

    context_ = g_main_context_new();
    loop_ = g_main_loop_new(context_, FALSE);
    thread_ = std::thread([this] { Serve(); });
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (ready_) {
                ok_ = served_;
                break;
            }
        }
        if (std::chrono::steady_clock::now() > until)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void PrivateBus::Serve()
{
    g_main_context_push_thread_default(context_);
    GDBusConnection* bus = g_dbus_connection_new_for_address_sync(address_.c_str(),
        static_cast<GDBusConnectionFlags>(
            G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    bool served = false;
    if (bus) {
        GDBusNodeInfo* info = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
        static const GDBusInterfaceVTable vtable = { &PrivateBus::OnMethodCall, nullptr, nullptr, {} };
        const guint a = g_dbus_connection_register_object(
            bus, "/org/freedesktop/login1", info->interfaces[0], &vtable, this, nullptr, nullptr);
        const guint b = g_dbus_connection_register_object(
            bus, "/org/freedesktop/timedate1", info->interfaces[1], &vtable, this, nullptr, nullptr);
        served = a && b && OwnName(bus, "org.freedesktop.login1") && OwnName(bus, "org.freedesktop.timedate1");
        g_dbus_node_info_unref(info);
    }
    {
        std::lock_guard lock(mutex_);
        served_ = served;
        ready_ = true;
    }
    if (served)
        g_main_loop_run(loop_);
    if (bus) {
        g_dbus_connection_close_sync(bus, nullptr, nullptr);
        g_object_unref(bus);
    }
    g_main_context_pop_thread_default(context_);
}

void PrivateBus::OnMethodCall(GDBusConnection*, const gchar*, const gchar*, const gchar* iface, const gchar* method,
    GVariant* args, GDBusMethodInvocation* invocation, gpointer self)
{
    auto* bus = static_cast<PrivateBus*>(self);
    gchar* text = g_variant_print(args, FALSE);
    bool refuse = false;
    {
        std::lock_guard lock(bus->mutex_);
        bus->calls_.push_back(std::string(iface) + "." + method + text);
        refuse = bus->refuse_;
    }
    g_free(text);
    if (refuse)
        g_dbus_method_invocation_return_dbus_error(
            invocation, "org.freedesktop.DBus.Error.AccessDenied", "not allowed");
    else
        g_dbus_method_invocation_return_value(invocation, nullptr);
}

PrivateBus::~PrivateBus()
{
    if (loop_) {
        // Quit from inside the service's own context, so that the loop surely sees it.
        g_main_context_invoke(
            context_,
            [](gpointer loop) -> gboolean {
                g_main_loop_quit(static_cast<GMainLoop*>(loop));
                return G_SOURCE_REMOVE;
            },
            loop_);
    }
    if (thread_.joinable())
        thread_.join();
    if (loop_)
        g_main_loop_unref(loop_);
    if (context_)
        g_main_context_unref(context_);
    if (daemon_ > 0) {
        kill(daemon_, SIGTERM);
        int status = 0;
        waitpid(daemon_, &status, 0);
    }
    if (hadOldAddress_)
        setenv("DBUS_SYSTEM_BUS_ADDRESS", oldAddress_.c_str(), 1);
    else if (!address_.empty())
        unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    if (!dir_.empty())
        std::system(("rm -rf '" + dir_ + "'").c_str());
}

std::vector<std::string> PrivateBus::Calls() const
{
    std::lock_guard lock(mutex_);
    return calls_;
}

void PrivateBus::Refuse(bool refuse)
{
    std::lock_guard lock(mutex_);
    refuse_ = refuse;
}

} // namespace hx::test
