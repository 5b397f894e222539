// The clock face's render step, DrawClock, and its pacing thread, TshowClock, which about
// once a second has DrawClock run on the UI thread. Nothing here draws off the UI thread.
#pragma once

#include "app/ClockFaceRenderer.h"
#include "app/clock_data.h"
#include "platform/Platform.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace hx {

// UI thread only. Formats the current local time, renders the face for settings' Font,
// FontSize, StartColor and EndColor, and pushes it with constant alpha 200; the window keeps
// its left and top edges and takes the face's size. Every frame of `renderer` must go to this
// window: the push names only the box that changed, together with `unpushed`, the boxes of
// any frames rendered since the last push that the window never saw.
void DrawClock(IPlatform& platform, ILayeredWindow& window, const TsettingsRec& settings, const LongTimeFormat& format,
    ClockFaceRenderer& renderer, const PixelBox& unpushed = {});

// The window's view of an arrangement (pointers into it).
PieceFrame ToPieceFrame(const ClockFaceArrangement& arrangement);
// The pieces half of DrawClock: true when the window took the face as placed pieces.
bool DrawClockPieces(ILayeredWindow& window, const ClockFaceInput& input, ClockFaceRenderer& renderer);

// The smallest box holding both (either may be empty).
PixelBox UnionOfBoxes(const PixelBox& a, const PixelBox& b);
// The same with a renderer shared by every caller on the UI thread.
void DrawClock(IPlatform& platform, ILayeredWindow& window, const TsettingsRec& settings, const LongTimeFormat& format);

// When a pause that begins at `now` ends: just past the first whole second of the system clock
// that is at least TshowClock::kMinPause away.
std::chrono::system_clock::time_point PacingPauseEnd(std::chrono::system_clock::time_point now);

// The pacing thread: while the window is showing and Stop has not been called, it sleeps, then
// hands DrawClock to the UI thread; a hand-over is never made before the previous one has run.
// By default each pause ends just after the system clock's next whole second (at least
// kMinPause away), so that every second is shown once; a fixed `pause` (tests, soak runs)
// sleeps that long instead. It runs at the lowest priority (nice 19). The window, settings
// and format must outlive it: call Stop before the clock window is destroyed (the destructor
// stops it too).
class TshowClock {
public:
    // How far past the second a tick lands: the time text must already show the new second,
    // and the clock window's own once-a-second timer (due on the second) shares the wakeup.
    static constexpr std::chrono::milliseconds kPastTheSecond { 2 };
    // The shortest pause: the first face comes 0.3 to 1.3 s after the window shows.
    static constexpr std::chrono::milliseconds kMinPause { 300 };

    TshowClock(IPlatform& platform, ILayeredWindow& window, const TsettingsRec& settings, const LongTimeFormat& format,
        std::optional<std::chrono::milliseconds> pause = std::nullopt);
    ~TshowClock();
    TshowClock(const TshowClock&) = delete;
    TshowClock& operator=(const TshowClock&) = delete;

    // Before Start: after a tick that drew new pieces of the face (the first one, or one after
    // a change of font or size), render the faces of the next `ahead` seconds into the cache in
    // small chunks on a UI-thread timer (a few ms each), so that later ticks find their pieces
    // drawn. Off (0) by default; the platform's timers are then never used.
    void SetWarmAhead(std::chrono::seconds ahead) { warmAhead_ = ahead; }
    // On the UI thread, once the window is shown: a window not showing ends the thread at once.
    void Start();
    // Wakes the thread from its pause or its wait for the UI thread and joins it, and stops the
    // warm-up. Meant for the UI thread (the hand-over never blocks it); safe to call more than
    // once.
    void Stop();
    // False once the thread has left its loop (window hidden, loop ended or stopped).
    bool Running() const;

private:
    struct Shared;
    void Body();
    void Tick(uint64_t ticket);
    void MaybeWarm(uint64_t missesBefore);
    void StopWarming();
    void WarmChunk();

    IPlatform& platform_;
    ILayeredWindow& window_;
    const TsettingsRec& settings_;
    const LongTimeFormat& format_;
    std::optional<std::chrono::milliseconds> pause_;
    ClockFaceRenderer renderer_;
    // Warm-up state, UI thread only: the seconds [warmNext_, warmEnd_) are still to be drawn,
    // for the configuration warmFor_ (font and size).
    std::chrono::seconds warmAhead_ { 0 };
    SystemTimePoint warmNext_ {}, warmEnd_ {};
    std::pair<std::string, int> warmFor_;
    bool warming_ = false;
    PixelBox warmChanged_; // what the warm-up's renders changed in the kept frame since the last push
    ClockFaceArrangement warmArrangement_;
    TimerId warmTimer_ = 0;
    std::chrono::steady_clock::duration warmSpent_ {};
    uint64_t warmMisses_ = 0;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

} // namespace hx
