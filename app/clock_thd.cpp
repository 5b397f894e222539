#include "app/clock_thd.h"

#include "app/ClockFaceStyle.h"
#include "platform/Log.h"

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <sys/resource.h>
#include <unistd.h>

namespace hx {

void DrawClock(IPlatform& platform, ILayeredWindow& window, const TsettingsRec& settings, const LongTimeFormat& format,
    ClockFaceRenderer& renderer)
{
    ClockFaceInput input;
    input.text = FormatLongTime(format, ToLocal(platform.Now()));
    input.font = settings.Font;
    input.fontSize = settings.FontSize;
    input.startColor = settings.StartColor;
    input.endColor = settings.EndColor;
    const ClockFaceFrame frame = renderer.Render(input);
    window.Push(frame.pixels, frame.width, frame.height, frame.stride, kFaceWindowAlpha);
}

void DrawClock(IPlatform& platform, ILayeredWindow& window, const TsettingsRec& settings, const LongTimeFormat& format)
{
    static ClockFaceRenderer renderer;
    DrawClock(platform, window, settings, format, renderer);
}

// The state the thread and the posted hand-overs share. A hand-over may run on the UI thread
// after Stop (it was queued before); it then sees `stopped` and touches nothing else.
struct TshowClock::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    bool stopped = false;
    bool showing = false;
    bool running = false;
    uint64_t posted = 0, done = 0;
};

TshowClock::TshowClock(IPlatform& platform, ILayeredWindow& window, const TsettingsRec& settings,
    const LongTimeFormat& format, std::chrono::milliseconds pause)
    : platform_(platform)
    , window_(window)
    , settings_(settings)
    , format_(format)
    , pause_(pause)
    , shared_(std::make_shared<Shared>())
{
}

TshowClock::~TshowClock() { Stop(); }

void TshowClock::Start()
{
    if (thread_.joinable())
        return;
    {
        std::lock_guard lock(shared_->mutex);
        shared_->showing = window_.IsShowing();
        shared_->running = true;
    }
    thread_ = std::thread([this] { Body(); });
}

void TshowClock::Stop()
{
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stopped = true;
    }
    shared_->wake.notify_all();
    if (thread_.joinable())
        thread_.join();
}

bool TshowClock::Running() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->running;
}

void TshowClock::Body()
{
    // The lowest priority a thread can give itself on Linux; it only sleeps and hands over.
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19) != 0)
        Log(std::string("clock pacing thread: cannot lower its priority: ") + std::strerror(errno));

    std::shared_ptr<Shared> s = shared_;
    std::unique_lock lock(s->mutex);
    while (!s->stopped && s->showing) {
        if (s->wake.wait_for(lock, pause_, [&] { return s->stopped; }))
            break;
        const uint64_t ticket = ++s->posted;
        lock.unlock();
        // A plain Invoke would deadlock when Stop is called on the UI thread while this
        // thread waits for it; posting and waiting on our own condition lets Stop wake us.
        platform_.Post([this, s, ticket] {
            {
                std::lock_guard guard(s->mutex);
                if (s->stopped)
                    return;
            }
            Tick(ticket);
        });
        lock.lock();
        s->wake.wait(lock, [&] { return s->stopped || s->done >= ticket; });
    }
    s->running = false;
}

// On the UI thread. The window may have been hidden during the pause: then no tick runs.
void TshowClock::Tick(uint64_t ticket)
{
    const bool showing = window_.IsShowing();
    if (showing)
        DrawClock(platform_, window_, settings_, format_, renderer_);
    {
        std::lock_guard lock(shared_->mutex);
        shared_->showing = showing;
        shared_->done = ticket;
    }
    shared_->wake.notify_all();
}

} // namespace hx
