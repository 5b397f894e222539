// A private message bus for the tests, standing in for the system bus: a dbus-daemon of its
// own (session-like policy, a socket in a temp dir) and stand-in logind and timedated services
// that record each method call with its arguments, or refuse it when asked to.
#pragma once

#include <gio/gio.h>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace hx::test {

class PrivateBus {
public:
    // Starts the daemon, points DBUS_SYSTEM_BUS_ADDRESS at it, and serves org.freedesktop.login1
    // and org.freedesktop.timedate1 on a thread of its own.
    PrivateBus();
    ~PrivateBus();
    bool Ok() const { return ok_; }
    const std::string& Address() const { return address_; }

    // "Interface.Method(args)" with the arguments as GVariant text, in order of arrival.
    std::vector<std::string> Calls() const;
    // From now on every call is answered with org.freedesktop.DBus.Error.AccessDenied.
    void Refuse(bool refuse);

private:
    void Serve();
    static void OnMethodCall(GDBusConnection*, const gchar*, const gchar*, const gchar* iface, const gchar* method,
        GVariant* args, GDBusMethodInvocation* invocation, gpointer self);

    bool ok_ = false;
    std::string dir_, address_, oldAddress_;
    bool hadOldAddress_ = false;
    pid_t daemon_ = -1;
    std::thread thread_;
    GMainContext* context_ = nullptr;
    GMainLoop* loop_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    bool refuse_ = false;
    bool ready_ = false;
    bool served_ = false;
};

} // namespace hx::test
