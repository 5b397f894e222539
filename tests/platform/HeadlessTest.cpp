#include "platform/headless/HeadlessPlatform.h"

#include <gtest/gtest.h>
#include <thread>

namespace hx::headless {
namespace {

    using namespace std::chrono_literals;

    TEST(HeadlessPlatform, AdvanceFiresTimersInTimeOrder)
    {
        HeadlessPlatform p;
        std::vector<std::string> log;
        p.StartTimer(1000, [&] { log.push_back("second"); });
        const auto fast = p.StartTimer(400, [&] { log.push_back("fast"); });
        p.Advance(1000ms);
        EXPECT_EQ(log, (std::vector<std::string> { "fast", "fast", "second" }));
        p.StopTimer(fast);
        log.clear();
        p.Advance(1000ms);
        EXPECT_EQ(log, (std::vector<std::string> { "second" }));
    }

    TEST(HeadlessPlatform, InvokeRunsOnTheDrainingThreadAndQuitReleasesWaiters)
    {
        HeadlessPlatform p;
        std::thread::id ranOn;
        std::thread worker([&] { EXPECT_TRUE(p.Invoke([&] { ranOn = std::this_thread::get_id(); })); });
        while (!p.WaitAndRunPending(10ms)) { }
        worker.join();
        EXPECT_EQ(ranOn, std::this_thread::get_id());

        bool result = true;
        std::thread blocked([&] { result = p.Invoke([] {}); });
        std::this_thread::sleep_for(20ms);
        p.Quit();
        blocked.join();
        EXPECT_FALSE(result);
        EXPECT_FALSE(p.Invoke([] {})); // after the loop has ended, nothing waits
    }

    TEST(HeadlessWindow, InputPassesThroughTransparentPixels)
    {
        HeadlessPlatform p;
        auto w = p.CreateLayeredWindow("clock");
        auto* hw = static_cast<HeadlessWindow*>(w.get());
        uint32_t pixels[2] = { 0x00000000, 0x01000000 };
        w->Push(reinterpret_cast<uint8_t*>(pixels), 2, 1, 8, 200);
        int moves = 0;
        w->OnMouseMove = [&](const MouseEvent&) { ++moves; };
        hw->SimulateMouseMove(0, 0);
        hw->SimulateMouseMove(1, 0);
        EXPECT_EQ(moves, 1);
        EXPECT_EQ(p.Windows().size(), 1u);
        w.reset();
        EXPECT_TRUE(p.Windows().empty());
    }

} // namespace
} // namespace hx::headless
