#include "platform/gtk/GtkPlatform.h"

#include "platform/Log.h"
#include "platform/gtk/FontAliases.h"
#include "platform/gtk/GtkContextMenu.h"
#include "platform/gtk/GtkLayeredWindow.h"
#include "platform/gtk/GtkPostQueue.h"
#include "platform/gtk/GtkServices.h"
#include "platform/gtk/GtkTimerSource.h"

#include <atomic>
#include <clocale>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <langinfo.h>
#include <map>
#include <mutex>
#include <pwd.h>
#include <thread>
#include <unistd.h>

namespace hx {
namespace {

    // What the queued hand-overs and timers hold, so that a late callback can see that nobody
    // wants it any more.
    struct LoopState {
        std::mutex mutex;
        std::condition_variable changed;
        bool ending = false; // Quit was called or Run returned: hand-overs are refused
        bool destroyed = false; // the platform is gone: queued callbacks do nothing
    };

    struct PostedCall {
        std::shared_ptr<LoopState> state;
        std::function<void()> fn;
    };

    struct InvokeCall {
        std::function<void()> fn;
        bool running = false, done = false, ran = false, abandoned = false;
    };

    struct InvokeSource {
        std::shared_ptr<LoopState> state;
        std::shared_ptr<InvokeCall> call;
    };

    struct TimerCall {
        std::shared_ptr<LoopState> state;
        std::function<void()> fn;
    };

    gboolean RunPosted(gpointer data)
    {
        auto* call = static_cast<PostedCall*>(data);
        {
            std::lock_guard lock(call->state->mutex);
            if (call->state->ending || call->state->destroyed)
                return G_SOURCE_REMOVE;
        }
        call->fn();
        return G_SOURCE_REMOVE;
    }

    gboolean RunInvoked(gpointer data)
    {
        auto* source = static_cast<InvokeSource*>(data);
        LoopState& state = *source->state;
        InvokeCall& call = *source->call;
        {
            std::lock_guard lock(state.mutex);
            if (call.abandoned || state.ending || state.destroyed) {
                call.done = true;
                state.changed.notify_all();
                return G_SOURCE_REMOVE;
            }
            call.running = true;
        }
        call.fn();
        {
            std::lock_guard lock(state.mutex);
            call.running = false;
            call.done = true;
            call.ran = true;
        }
        state.changed.notify_all();
        return G_SOURCE_REMOVE;
    }

    gboolean RunTimer(gpointer data)
    {
        auto* timer = static_cast<TimerCall*>(data);
        {
            // Like a window timer, nothing fires once the loop has ended, even if someone
            // turns GLib's default context again.
            std::lock_guard lock(timer->state->mutex);
            if (timer->state->ending || timer->state->destroyed)
                return G_SOURCE_CONTINUE;
        }
        // A copy: the callback may stop (and so free) its own timer.
        auto fn = timer->fn;
        fn();
        return G_SOURCE_CONTINUE;
    }

    std::string HomeDir()
    {
        if (const char* home = std::getenv("HOME"); home && *home)
            return home;
        if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
            return pw->pw_dir;
        return "/tmp";
    }

    class GtkPlatform final : public IPlatform {
    public:
        GtkPlatform()
            : state_(std::make_shared<LoopState>())
            , uiThread_(std::this_thread::get_id())
            , loop_(g_main_loop_new(nullptr, FALSE))
            , power_(CreateDesktopPower())
            , clock_(CreateDesktopSystemClock())
        {
            for (int sig : { SIGTERM, SIGINT, SIGHUP })
                signalSources_.push_back(g_unix_signal_add(sig, OnSignal, this));
        }

        ~GtkPlatform() override
        {
            {
                std::lock_guard lock(state_->mutex);
                state_->ending = true;
                state_->destroyed = true;
            }
            state_->changed.notify_all();
            for (guint id : signalSources_)
                g_source_remove(id);
            for (auto& [id, source] : timers_)
                g_source_remove(source);
            g_main_loop_unref(loop_);
        }

        SystemTimePoint Now() override { return std::chrono::system_clock::now(); }

        void Post(std::function<void()> fn) override
        {
            {
                std::lock_guard lock(state_->mutex);
                if (state_->ending)
                    return;
            }
            posts_.Push([call = PostedCall { state_, std::move(fn) }]() mutable { RunPosted(&call); });
        }

        bool Invoke(std::function<void()> fn) override
        {
            if (std::this_thread::get_id() == uiThread_) {
                {
                    std::lock_guard lock(state_->mutex);
                    if (state_->ending)
                        return false;
                }
                fn();
                return true;
            }
            auto call = std::make_shared<InvokeCall>();
            call->fn = std::move(fn);
            std::unique_lock lock(state_->mutex);
            if (state_->ending)
                return false;
            posts_.Push([source = InvokeSource { state_, call }]() mutable { RunInvoked(&source); });
            // Once the loop is ending nobody will run fn: leave, unless it is already running,
            // in which case it finishes first (it cannot wait for us, we hold nothing it needs).
            state_->changed.wait(lock, [&] { return call->done || (state_->ending && !call->running); });
            if (call->done)
                return call->ran;
            call->abandoned = true;
            return false;
        }

        TimerId StartTimer(unsigned intervalMs, std::function<void()> fn) override
        {
            const TimerId id = nextTimer_++;
            const guint source = AddTimerSource(
                intervalMs, [call = TimerCall { state_, std::move(fn) }]() mutable { RunTimer(&call); });
            timers_[id] = source;
            return id;
        }

        void StopTimer(TimerId id) override
        {
            auto it = timers_.find(id);
            if (it == timers_.end())
                return;
            g_source_remove(it->second);
            timers_.erase(it);
        }

        void Run() override
        {
            {
                std::lock_guard lock(state_->mutex);
                if (state_->ending)
                    return;
            }
            g_main_loop_run(loop_);
            EndLoop();
        }

        void Quit() override
        {
            EndLoop();
            g_main_loop_quit(loop_);
        }

        WorkArea GetWorkArea() override
        {
            GdkDisplay* display = gdk_display_get_default();
            GdkMonitor* monitor = display ? gdk_display_get_primary_monitor(display) : nullptr;
            if (!monitor && display)
                monitor = gdk_display_get_monitor(display, 0);
            if (!monitor) {
                Log("platform: no monitor found; assuming a 1280x800 work area");
                return { 0, 0, 1280, 800 };
            }
            GdkRectangle r {};
            gdk_monitor_get_workarea(monitor, &r);
            return { r.x, r.y, r.width, r.height };
        }

        std::unique_ptr<ILayeredWindow> CreateLayeredWindow(const std::string& title) override
        {
            std::weak_ptr<LoopState> weak = state_;
            return std::make_unique<GtkLayeredWindow>(title, [this, weak] {
                auto state = weak.lock();
                if (state && !state->destroyed)
                    SessionEnd("the window manager asked the window to close");
            });
        }

        std::unique_ptr<IContextMenu> CreateContextMenu() override { return std::make_unique<GtkContextMenu>(); }

        void OpenUrl(const std::string& url) override
        {
            GError* error = nullptr;
            if (!g_app_info_launch_default_for_uri(url.c_str(), nullptr, &error)) {
                Log("shell: could not open " + url + ": " + (error ? error->message : "unknown error"));
                g_clear_error(&error);
            }
        }

        LongTimeFormat GetLongTimeFormat() override
        {
            std::string format = nl_langinfo(T_FMT);
            if (format.empty())
                format = nl_langinfo(T_FMT_AMPM);
            return ParseTimeFormat(format, nl_langinfo(AM_STR), nl_langinfo(PM_STR));
        }

        IPower& Power() override { return *power_; }
        ISystemClock& SystemClock() override { return *clock_; }

        std::string ConfigDir() override
        {
            // XDG: a relative XDG_CONFIG_HOME is invalid and must be ignored.
            const char* xdg = std::getenv("XDG_CONFIG_HOME");
            const std::string base = (xdg && xdg[0] == '/') ? std::string(xdg) : HomeDir() + "/.config";
            return base + "/Brightfen/Horalux";
        }

    private:
        static gboolean OnSignal(gpointer self)
        {
            static_cast<GtkPlatform*>(self)->SessionEnd("a termination signal arrived");
            return G_SOURCE_CONTINUE;
        }

        void SessionEnd(const char* why)
        {
            Log(std::string("platform: ending: ") + why);
            if (auto handler = OnSessionEnd)
                handler();
            else
                Quit();
        }

        void EndLoop()
        {
            {
                std::lock_guard lock(state_->mutex);
                state_->ending = true;
            }
            state_->changed.notify_all();
        }

        std::shared_ptr<LoopState> state_;
        GtkPostQueue posts_;
        std::thread::id uiThread_;
        GMainLoop* loop_;
        std::vector<guint> signalSources_;
        std::map<TimerId, guint> timers_;
        TimerId nextTimer_ = 1;
        std::unique_ptr<IPower> power_;
        std::unique_ptr<ISystemClock> clock_;
    };

} // namespace

std::unique_ptr<IPlatform> CreateGtkPlatform(int& argc, char**& argv)
{
    std::setlocale(LC_ALL, "");
    // A Wayland client can neither place itself nor stay on top: always talk X11 (XWayland).
    gdk_set_allowed_backends("x11");
    // Nothing here draws with OpenGL, yet GDK would load the GL driver to pick its visuals
    // (with Mesa's llvmpipe, some 50 MB of resident memory). A user's own setting stands.
    g_setenv("GDK_GL", "disable", FALSE);
    // Before GTK or Pango first resolve a font, or the aliases would not be seen.
    LoadFontAliases();
    if (!gtk_init_check(&argc, &argv)) {
        Log("platform: cannot open the X display (is DISPLAY set?)");
        return nullptr;
    }
    static std::once_flag named;
    std::call_once(named, [] { g_set_application_name("Horalux"); });
    return std::make_unique<GtkPlatform>();
}

} // namespace hx
