#include "app/clock_thd.h"

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace hx {
namespace {

    using namespace std::chrono_literals;

    // Only what DrawClock and TshowClock use; posted work waits in a queue for the test to run.
    class FakePlatform : public IPlatform {
    public:
        SystemTimePoint now = FromLocal({ 2024, 3, 1, 9, 59, 59, 0, 5 });

        SystemTimePoint Now() override { return now; }
        void Post(std::function<void()> fn) override
        {
            std::lock_guard lock(mutex_);
            if (!loopEnded)
                queue_.push_back(std::move(fn));
            posted_.notify_all();
        }
        bool Invoke(std::function<void()>) override { std::abort(); }
        // Runs posted work on this (the "UI") thread until one item ran or the time is up.
        bool RunOne(std::chrono::milliseconds timeout = 2000ms)
        {
            std::unique_lock lock(mutex_);
            if (!posted_.wait_for(lock, timeout, [&] { return !queue_.empty(); }))
                return false;
            auto fn = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            fn();
            return true;
        }
        size_t Pending()
        {
            std::lock_guard lock(mutex_);
            return queue_.size();
        }
        bool loopEnded = false;
        int posterNice = 0; // nice value of the last thread that posted

        // Timers are only run by the test (on this thread); a stopped one stays listed.
        struct FakeTimer {
            unsigned intervalMs;
            std::function<void()> fn;
            bool stopped = false;
        };
        std::vector<FakeTimer> timers;
        TimerId StartTimer(unsigned intervalMs, std::function<void()> fn) override
        {
            timers.push_back({ intervalMs, std::move(fn) });
            return timers.size();
        }
        void StopTimer(TimerId id) override { timers.at(id - 1).stopped = true; }
        // Fires timer id until it stops itself; the number of firings (limit: not stopped).
        int RunTimerToTheEnd(TimerId id, int limit = 10000)
        {
            int n = 0;
            while (!timers.at(id - 1).stopped && n < limit) {
                auto fn = timers[id - 1].fn;
                fn();
                ++n;
            }
            return n;
        }
        void Run() override { std::abort(); }
        void Quit() override { std::abort(); }
        WorkArea GetWorkArea() override { return {}; }
        std::unique_ptr<ILayeredWindow> CreateLayeredWindow(const std::string&) override { std::abort(); }
        std::unique_ptr<IContextMenu> CreateContextMenu() override { std::abort(); }
        void OpenUrl(const std::string&) override { std::abort(); }
        LongTimeFormat GetLongTimeFormat() override { return {}; }
        IPower& Power() override { std::abort(); }
        ISystemClock& SystemClock() override { std::abort(); }
        std::string ConfigDir() override { return {}; }

    private:
        std::mutex mutex_;
        std::condition_variable posted_;
        std::deque<std::function<void()>> queue_;
    };

    class FakeWindow : public ILayeredWindow {
    public:
        struct PushRecord {
            int width, height;
            uint8_t alpha;
        };
        std::vector<PushRecord> pushes;
        int left = 700, top = 30, width = 0, height = 0;
        bool showing = true;

        void SetPosition(int l, int t) override { left = l, top = t; }
        int Left() const override { return left; }
        int Top() const override { return top; }
        int Width() const override { return width; }
        int Height() const override { return height; }
        void Show() override { showing = true; }
        void Hide() override { showing = false; }
        bool IsShowing() const override { return showing; }
        void Push(const uint8_t*, int w, int h, int, uint8_t alpha) override
        {
            width = w, height = h;
            pushes.push_back({ w, h, alpha });
        }
        // Keeps what a window that trusts the hint would show: only the box is taken over.
        void Push(const uint8_t* pixels, int w, int h, int stride, uint8_t alpha, const PixelBox* changed) override
        {
            const bool full = !changed || w != width || h != height;
            Push(pixels, w, h, stride, alpha);
            if (full) {
                shown.assign(static_cast<size_t>(w) * h, 0);
                hint = { 0, 0, w, h };
            } else {
                hint = *changed;
            }
            for (int y = hint.y; y < hint.y + hint.height; ++y)
                std::memcpy(&shown[static_cast<size_t>(y) * w + hint.x],
                    pixels + static_cast<size_t>(y) * stride + 4 * hint.x, 4 * static_cast<size_t>(hint.width));
        }
        std::vector<uint32_t> shown; // the pixels as the window shows them
        PixelBox hint;
        void BeginMove(const MouseEvent&) override { }
    };

    TsettingsRec FaceSettings()
    {
        TsettingsRec s;
        s.Font = "宋体";
        s.FontSize = 60;
        s.StartColor = 0xFFFF0000;
        s.EndColor = 0xFF0000FF;
        return s;
    }

    // 9:59:59 -> 10:00:00 without a leading zero: the window grows to the right on that tick.
    TEST(DrawClock, PushesTheCurrentTimeWithConstantAlpha)
    {
        FakePlatform platform;
        FakeWindow window;
        TsettingsRec settings = FaceSettings();
        LongTimeFormat format;
        ClockFaceRenderer renderer;

        DrawClock(platform, window, settings, format, renderer);
        platform.now += 1s;
        DrawClock(platform, window, settings, format, renderer);
        settings.FontSize = 20;
        DrawClock(platform, window, settings, format, renderer);

        ASSERT_EQ(window.pushes.size(), 3u);
        EXPECT_EQ(window.pushes[0].width, ClockFaceWidth({ "9:59:59", "宋体", 60, 0, 0 }));
        EXPECT_EQ(window.pushes[1].width, ClockFaceWidth({ "10:00:00", "宋体", 60, 0, 0 }));
        EXPECT_GT(window.pushes[1].width, window.pushes[0].width);
        EXPECT_EQ(window.pushes[1].height, 60);
        EXPECT_EQ(window.pushes[2].height, 20);
        for (const auto& p : window.pushes)
            EXPECT_EQ(p.alpha, 200);
        EXPECT_EQ(window.left, 700);
        EXPECT_EQ(window.top, 30);
    }

    struct PacingFixture : ::testing::Test {
        FakePlatform platform;
        FakeWindow window;
        TsettingsRec settings = FaceSettings();
        LongTimeFormat format;
    };

    TEST(PacingPauseEnd, EndsJustPastTheFirstWholeSecondAtLeastTheShortestPauseAway)
    {
        using Clock = std::chrono::system_clock;
        const Clock::time_point second = Clock::time_point(1'796'909'626s);
        const struct {
            std::chrono::microseconds from;
            std::chrono::milliseconds expected; // from `second`
        } cases[] = {
            { 2100us, 1002ms }, // the usual: a tick just done, the next one a second later
            { 0us, 1002ms },
            { 699'999us, 1002ms }, // a late tick still gets the next second
            { 700'000us, 1002ms }, // exactly the shortest pause
            { 700'001us, 2002ms }, // too close: that second is skipped, not drawn twice
            { 999'999us, 2002ms },
        };
        for (const auto& c : cases)
            EXPECT_EQ(PacingPauseEnd(second + c.from), second + c.expected) << c.from.count();
    }

    TEST_F(PacingFixture, HandsTicksToTheUiThreadUntilTheWindowHides)
    {
        TshowClock clock(platform, window, settings, format, 1ms);
        clock.Start();
        ASSERT_TRUE(platform.RunOne());
        // A UI thread that does not get round to the hand-over gets no second one meanwhile.
        std::this_thread::sleep_for(30ms);
        EXPECT_EQ(platform.Pending(), 1u);
        ASSERT_TRUE(platform.RunOne());
        EXPECT_EQ(window.pushes.size(), 2u);
        std::this_thread::sleep_for(30ms);
        EXPECT_EQ(platform.Pending(), 1u);

        window.Hide(); // hidden during the pause: the next hand-over draws nothing and the loop ends
        ASSERT_TRUE(platform.RunOne());
        EXPECT_EQ(window.pushes.size(), 2u);
        for (int i = 0; i < 200 && clock.Running(); ++i)
            std::this_thread::sleep_for(5ms);
        EXPECT_FALSE(clock.Running());
        EXPECT_EQ(platform.Pending(), 0u);
    }

    TEST_F(PacingFixture, WindowNotShowingAtStartMeansNoTickAtAll)
    {
        window.showing = false;
        TshowClock clock(platform, window, settings, format, 1ms);
        clock.Start();
        EXPECT_FALSE(platform.RunOne(100ms));
        EXPECT_FALSE(clock.Running());
    }

    // Stop on the UI thread while a hand-over waits in the queue: it must not deadlock, and the
    // stale hand-over must not draw (the window may be gone by then).
    TEST_F(PacingFixture, StopWithAHandOverPendingJoinsAndTheHandOverDoesNothing)
    {
        auto clock = std::make_unique<TshowClock>(platform, window, settings, format, 1ms);
        clock->Start();
        for (int i = 0; i < 400 && platform.Pending() == 0; ++i)
            std::this_thread::sleep_for(5ms);
        ASSERT_EQ(platform.Pending(), 1u);
        clock->Stop();
        EXPECT_FALSE(clock->Running());
        clock.reset();
        ASSERT_TRUE(platform.RunOne());
        EXPECT_TRUE(window.pushes.empty());
    }

    // A loop that has ended drops posts; the thread then waits until Stop, and Stop still returns.
    TEST_F(PacingFixture, StopAfterTheLoopEndedStillJoins)
    {
        platform.loopEnded = true;
        TshowClock clock(platform, window, settings, format, 1ms);
        clock.Start();
        std::this_thread::sleep_for(20ms);
        clock.Stop();
        EXPECT_FALSE(clock.Running());
        EXPECT_TRUE(window.pushes.empty());
    }

    // The warm-up draws ahead on a UI-thread timer after a tick that drew new pieces, never
    // pushes, ends by itself, starts again when the font size changes, and Stop ends it.
    TEST_F(PacingFixture, WarmUpDrawsAheadOnATimerAndEndsByItselfOrOnStop)
    {
        TshowClock clock(platform, window, settings, format, 1ms);
        clock.SetWarmAhead(30s);
        clock.Start();
        ASSERT_TRUE(platform.RunOne()); // the first tick: every piece is new
        ASSERT_EQ(platform.timers.size(), 1u);
        EXPECT_GT(platform.timers[0].intervalMs, 0u);
        EXPECT_LT(platform.RunTimerToTheEnd(1), 10000);
        EXPECT_EQ(window.pushes.size(), 1u);

        platform.now += 1s; // warmed: no new round
        ASSERT_TRUE(platform.RunOne());
        EXPECT_EQ(platform.timers.size(), 1u);

        settings.FontSize = 30; // everything new again
        platform.now += 1s;
        ASSERT_TRUE(platform.RunOne());
        ASSERT_EQ(platform.timers.size(), 2u);
        EXPECT_FALSE(platform.timers[1].stopped);
        clock.Stop();
        EXPECT_TRUE(platform.timers[1].stopped);
        EXPECT_EQ(window.pushes.size(), 3u);
    }

    // Without a fixed pause the hand-overs come just past the system clock's whole seconds.
    TEST_F(PacingFixture, TicksFollowTheSystemClocksSeconds)
    {
        TshowClock clock(platform, window, settings, format);
        clock.Start();
        for (int tick = 0; tick < 2; ++tick) {
            ASSERT_TRUE(platform.RunOne(3000ms));
            const auto past = std::chrono::system_clock::now().time_since_epoch() % 1s;
            EXPECT_GE(past, TshowClock::kPastTheSecond);
            // Generous for a loaded machine; a pause of its own length would land anywhere.
            EXPECT_LT(past, 250ms);
        }
    }

    // The warm-up renders future faces into the same kept frame; the tick after it must still
    // name every pixel that differs from what the window shows. Shown: 10:00:09; warmed:
    // 10:00:10, 10:00:11; the tick draws 10:00:10, which differs from the kept 10:00:11 in the
    // units only, but from the shown face in the tens as well.
    TEST_F(PacingFixture, TheTickAfterAWarmUpNamesEveryPixelThatDiffersFromTheShownFrame)
    {
        platform.now = FromLocal({ 2024, 3, 1, 10, 0, 9, 0, 5 });
        TshowClock clock(platform, window, settings, format, 1ms);
        clock.SetWarmAhead(2s);
        clock.Start();
        ASSERT_TRUE(platform.RunOne());
        ASSERT_EQ(platform.timers.size(), 1u);
        platform.RunTimerToTheEnd(1);
        platform.now += 1s;
        ASSERT_TRUE(platform.RunOne());
        clock.Stop();

        ClockFaceRenderer fresh;
        const ClockFaceFrame expected
            = fresh.Render({ "10:00:10", settings.Font, settings.FontSize, settings.StartColor, settings.EndColor });
        ASSERT_EQ(window.width, expected.width);
        ASSERT_EQ(window.height, expected.height);
        int wrong = 0;
        for (int y = 0; y < expected.height; ++y)
            for (int x = 0; x < expected.width; ++x) {
                uint32_t want;
                std::memcpy(&want, expected.pixels + static_cast<size_t>(y) * expected.stride + 4 * x, 4);
                wrong += window.shown[static_cast<size_t>(y) * expected.width + x] != want;
            }
        EXPECT_EQ(wrong, 0) << "hint " << window.hint.x << "," << window.hint.y << " " << window.hint.width << "x"
                            << window.hint.height;
    }

    TEST(UnionOfBoxes, IsTheSmallestBoxHoldingBothAndIgnoresEmptyOnes)
    {
        const PixelBox a { 10, 0, 5, 60 }, b { 40, 2, 10, 50 }, none {};
        EXPECT_EQ(UnionOfBoxes(a, b), (PixelBox { 10, 0, 40, 60 }));
        EXPECT_EQ(UnionOfBoxes(a, none), a);
        EXPECT_EQ(UnionOfBoxes(none, b), b);
        EXPECT_TRUE(UnionOfBoxes(none, PixelBox { 3, 3, 0, 9 }).Empty());
    }

    TEST_F(PacingFixture, StopDuringThePauseReturnsAtOnce)
    {
        TshowClock clock(platform, window, settings, format, 60s);
        clock.Start();
        const auto before = std::chrono::steady_clock::now();
        clock.Stop();
        EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
        EXPECT_EQ(platform.Pending(), 0u);
    }

} // namespace
} // namespace hx
