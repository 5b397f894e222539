#include "app/clock_thd.h"

#include "app/ClockFaceStyle.h"
#include "platform/Log.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <sys/resource.h>
#include <unistd.h>

namespace hx {

namespace {

    ClockFaceInput FaceInputAt(const TsettingsRec& settings, const LongTimeFormat& format, SystemTimePoint when)
    {
        ClockFaceInput input;
        input.text = FormatLongTime(format, ToLocal(when));
        input.font = settings.Font;
        input.fontSize = settings.FontSize;
        input.startColor = settings.StartColor;
        input.endColor = settings.EndColor;
        return input;
    }

    // A warm-up chunk keeps the UI thread at most about this long, and chunks come on a timer
    // rather than back to back: GTK's redraw runs at a lower priority than timers and posts,
    // and must get its turn (the first face is being mapped and painted just then).
    constexpr auto kWarmChunk = std::chrono::milliseconds(3);
    constexpr unsigned kWarmIntervalMs = 10;

} // namespace

PixelBox UnionOfBoxes(const PixelBox& a, const PixelBox& b)
{
    if (a.Empty())
        return b;
    if (b.Empty())
        return a;
    const int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    const int x1 = std::max(a.x + a.width, b.x + b.width), y1 = std::max(a.y + a.height, b.y + b.height);
    return { x0, y0, x1 - x0, y1 - y0 };
}

PieceFrame ToPieceFrame(const ClockFaceArrangement& arrangement)
{
    PieceFrame pieces;
    pieces.width = arrangement.width, pieces.height = arrangement.height;
    pieces.startColor = arrangement.startColor, pieces.endColor = arrangement.endColor;
    pieces.placements = arrangement.placements.data();
    pieces.count = arrangement.placements.size();
    pieces.changed = arrangement.changed;
    return pieces;
}

bool DrawClockPieces(ILayeredWindow& window, const ClockFaceInput& input, ClockFaceRenderer& renderer)
{
    // Kept from tick to tick for its vector's capacity; UI thread only, like the renderer.
    static ClockFaceArrangement arrangement;
    if (window.TakesPieces() && renderer.Arrange(input, arrangement)
        && window.ShowPieces(ToPieceFrame(arrangement), kFaceWindowAlpha))
        return true;
    // The window went on showing pushed pixels: the next arrangement is news to it as a whole.
    renderer.ForgetArrangement();
    return false;
}

void DrawClock(IPlatform& platform, ILayeredWindow& window, const TsettingsRec& settings, const LongTimeFormat& format,
    ClockFaceRenderer& renderer, const PixelBox& unpushed)
{
    const ClockFaceInput input = FaceInputAt(settings, format, platform.Now());
    // A window that keeps the face's pieces itself is told where they go, not sent pixels.
    if (DrawClockPieces(window, input, renderer))
        return;
    const ClockFaceFrame frame = renderer.Render(input);
    // Every render in between changed the kept frame too: together they cover whatever
    // differs from the frame the window shows. A wider frame drawn meanwhile is clipped off.
    PixelBox changed = UnionOfBoxes(frame.changed, unpushed);
    if (!changed.Empty()) {
        const int x1 = std::min(changed.x + changed.width, frame.width);
        const int y1 = std::min(changed.y + changed.height, frame.height);
        changed = { std::max(changed.x, 0), std::max(changed.y, 0), 0, 0 };
        changed.width = std::max(0, x1 - changed.x);
        changed.height = std::max(0, y1 - changed.y);
    }
    window.Push(frame.pixels, frame.width, frame.height, frame.stride, kFaceWindowAlpha, &changed);
}

void DrawClock(IPlatform& platform, ILayeredWindow& window, const TsettingsRec& settings, const LongTimeFormat& format)
{
    // Shared by whoever calls this, so its frames may go to more than one window: no hint.
    static ClockFaceRenderer renderer;
    const ClockFaceFrame frame = renderer.Render(FaceInputAt(settings, format, platform.Now()));
    window.Push(frame.pixels, frame.width, frame.height, frame.stride, kFaceWindowAlpha);
}

// The state the thread and the posted hand-overs share. A hand-over may run on the UI thread
// after Stop (it was queued before); it then sees `stopped` and touches nothing else. Two
// conditions, so that a finished hand-over wakes the thread only when it is waiting for one:
// a wakeup a second is all the thread costs.
struct TshowClock::Shared {
    std::mutex mutex;
    std::condition_variable stop; // the pause: only Stop ends it early
    std::condition_variable ran; // a hand-over has run
    bool stopped = false;
    bool showing = false;
    bool running = false;
    uint64_t posted = 0, done = 0;
};

std::chrono::system_clock::time_point PacingPauseEnd(std::chrono::system_clock::time_point now)
{
    return std::chrono::ceil<std::chrono::seconds>(now + TshowClock::kMinPause) + TshowClock::kPastTheSecond;
}

TshowClock::TshowClock(IPlatform& platform, ILayeredWindow& window, const TsettingsRec& settings,
    const LongTimeFormat& format, std::optional<std::chrono::milliseconds> pause)
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
    StopWarming();
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stopped = true;
    }
    shared_->stop.notify_all();
    shared_->ran.notify_all();
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
        // A deadline on the system clock: a corrected clock moves the tick with it.
        const auto now = std::chrono::system_clock::now();
        const auto until = pause_ ? now + *pause_ : PacingPauseEnd(now);
        if (s->stop.wait_until(lock, until, [&] { return s->stopped; }))
            break;
        // The wait for the last hand-over overlaps the pause: it has almost always run long
        // before, and a busy UI thread still never gets a queue of them.
        s->ran.wait(lock, [&] { return s->stopped || s->done >= s->posted; });
        if (s->stopped || !s->showing)
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
    }
    s->running = false;
}

// On the UI thread. The window may have been hidden during the pause: then no tick runs.
void TshowClock::Tick(uint64_t ticket)
{
    const bool showing = window_.IsShowing();
    if (showing) {
        const uint64_t missesBefore = renderer_.CacheStats().misses;
        // A frame of pieces makes the window take the next pushed frame whole, so the warm-up's
        // boxes are spent either way.
        DrawClock(platform_, window_, settings_, format_, renderer_, warmChanged_);
        warmChanged_ = {};
        MaybeWarm(missesBefore);
    }
    {
        std::lock_guard lock(shared_->mutex);
        shared_->showing = showing;
        shared_->done = ticket;
    }
    shared_->ran.notify_all();
}

} // namespace hx

namespace hx {

// A fresh cache draws a new piece for most ticks of its first minutes (each new pair of seconds
// digits, each new minute), at about 2 ms each. The clock runs all day: paying for the next
// minutes' pieces once, right after the first face, in chunks between ticks, leaves the ticks
// with the cheap composition only. A tick that still draws new pieces later (a new hour, the
// rare new pair) starts another round only when the warmed span is half used up or the font
// changed; in a running clock that is seldom.
void TshowClock::MaybeWarm(uint64_t missesBefore)
{
    if (warmAhead_.count() <= 0 || warming_ || renderer_.CacheStats().misses == missesBefore)
        return;
    const SystemTimePoint now = platform_.Now();
    std::pair<std::string, int> config { settings_.Font, settings_.FontSize };
    if (config == warmFor_ && now + warmAhead_ / 2 < warmEnd_)
        return;
    warmFor_ = std::move(config);
    warmNext_ = std::chrono::floor<std::chrono::seconds>(now) + std::chrono::seconds(1);
    warmEnd_ = warmNext_ + warmAhead_;
    warming_ = true;
    warmSpent_ = {};
    warmMisses_ = renderer_.CacheStats().misses;
    warmTimer_ = platform_.StartTimer(kWarmIntervalMs, [this] { WarmChunk(); });
}

// On the UI thread, from the warm-up timer, until the span is drawn.
void TshowClock::WarmChunk()
{
    const auto start = std::chrono::steady_clock::now();
    const auto until = start + kWarmChunk;
    // A change of font or size meanwhile: the next tick's misses start a new round.
    if (std::pair<std::string, int>(settings_.Font, settings_.FontSize) != warmFor_)
        warmNext_ = warmEnd_;
    while (warmNext_ < warmEnd_ && std::chrono::steady_clock::now() < until) {
        const ClockFaceInput input = FaceInputAt(settings_, format_, warmNext_);
        // Placing the pieces draws the missing ones into the cache without touching the kept
        // frame; a window that keeps pieces takes them now. Otherwise the frame is drawn.
        if (renderer_.Arrange(input, warmArrangement_, false))
            window_.KeepPieces(ToPieceFrame(warmArrangement_));
        else
            warmChanged_ = UnionOfBoxes(warmChanged_, renderer_.Render(input).changed);
        warmNext_ += std::chrono::seconds(1);
    }
    warmSpent_ += std::chrono::steady_clock::now() - start;
    if (warmNext_ >= warmEnd_) {
        StopWarming();
        Log("clock face: the next " + std::to_string(warmAhead_.count()) + " s drawn ahead in "
            + std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(warmSpent_).count()) + " ms ("
            + std::to_string(renderer_.CacheStats().misses - warmMisses_) + " new pieces)");
    }
}

void TshowClock::StopWarming()
{
    if (warming_)
        platform_.StopTimer(warmTimer_);
    warming_ = false;
}

} // namespace hx
