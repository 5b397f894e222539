// The GTK platform's loop contract under a private Xvfb: hand-overs from workers run on the
// UI thread, a worker waiting in Invoke is let go when the loop ends (no deadlock at exit),
// late posts are dropped, timers can stop themselves, and signals become OnSessionEnd.
#include "platform/gtk/GtkPlatform.h"

#include "platform/gtk/GtkContextMenu.h"
#include "platform/gtk/GtkLayeredWindow.h"
#include "platform/gtk/GtkTimerSource.h"
#include "tests/support/PrivateXvfb.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

class GtkPlatformTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        xvfb_ = new hx::test::PrivateXvfb();
        if (xvfb_->Started()) {
            setenv("DISPLAY", xvfb_->Display().c_str(), 1);
            int argc = 1;
            static char name[] = "gtk_backend_tests";
            static char* argvStore[] = { name, nullptr };
            char** argv = argvStore;
            platform_ = hx::CreateGtkPlatform(argc, argv).release();
        }
        // No assertion here: a failure in the suite's set-up would only skip the tests.
    }

    static void TearDownTestSuite()
    {
        delete platform_;
        platform_ = nullptr;
        delete xvfb_;
        xvfb_ = nullptr;
    }

    // Every test gets a fresh platform: the loop's end is final for one instance.
    void SetUp() override
    {
        if (!platform_)
            FAIL() << "no private X display (Xvfb) could be started";
        int argc = 1;
        static char name[] = "gtk_backend_tests";
        static char* argvStore[] = { name, nullptr };
        char** argv = argvStore;
        p = hx::CreateGtkPlatform(argc, argv);
        ASSERT_NE(p, nullptr);
    }

    // Runs the loop with a safety net: a test that forgets to quit fails instead of hanging.
    void RunFor(unsigned limitMs)
    {
        bool timedOut = false;
        const hx::TimerId guard = p->StartTimer(limitMs, [&] {
            timedOut = true;
            p->Quit();
        });
        p->Run();
        p->StopTimer(guard);
        EXPECT_FALSE(timedOut) << "the loop had to be stopped by the guard timer";
    }

    static inline hx::test::PrivateXvfb* xvfb_ = nullptr;
    static inline hx::IPlatform* platform_ = nullptr; // keeps GTK initialised across tests
    std::unique_ptr<hx::IPlatform> p;
};

TEST_F(GtkPlatformTest, PostAndInvokeFromAWorkerRunOnTheUiThread)
{
    const auto ui = std::this_thread::get_id();
    std::thread::id postedOn, invokedOn;
    bool invoked = false;
    std::thread worker([&] {
        p->Post([&] { postedOn = std::this_thread::get_id(); });
        invoked = p->Invoke([&] { invokedOn = std::this_thread::get_id(); });
        p->Post([&] { p->Quit(); });
    });
    RunFor(3000);
    worker.join();
    EXPECT_TRUE(invoked);
    EXPECT_EQ(postedOn, ui);
    EXPECT_EQ(invokedOn, ui);
    // On the UI thread itself Invoke runs at once (waiting on itself would deadlock).
    EXPECT_FALSE(p->Invoke([] {})) << "the loop has ended";
}

// Hand-overs run in the order they came; one that runs a nested loop (a modal window, a menu)
// lets those behind it run meanwhile.
TEST_F(GtkPlatformTest, HandOversRunInOrderAndANestedLoopRunsThoseBehindIt)
{
    std::vector<std::string> order;
    std::thread worker([&] {
        p->Post([&] {
            order.push_back("first begins");
            const auto limit = std::chrono::steady_clock::now() + 2s;
            while (order.size() < 3 && std::chrono::steady_clock::now() < limit)
                g_main_context_iteration(nullptr, TRUE);
            order.push_back("first ends");
        });
        p->Post([&] { order.push_back("second"); });
        EXPECT_TRUE(p->Invoke([&] { order.push_back("invoked"); }));
        p->Post([&] { p->Quit(); });
    });
    RunFor(3000);
    worker.join();
    EXPECT_EQ(order, (std::vector<std::string> { "first begins", "second", "invoked", "first ends" }));
}

TEST_F(GtkPlatformTest, AWorkerWaitingInInvokeIsReleasedWhenTheLoopEnds)
{
    std::atomic<bool> ran { false };
    std::promise<bool> result;
    std::thread worker;
    // The UI thread is busy when the worker asks, and quits before it gets to the request.
    p->StartTimer(20, [&] {
        if (worker.joinable())
            return;
        worker = std::thread([&] { result.set_value(p->Invoke([&] { ran = true; })); });
        std::this_thread::sleep_for(100ms);
        p->Quit();
    });
    RunFor(3000);
    auto answer = result.get_future();
    ASSERT_EQ(answer.wait_for(2s), std::future_status::ready) << "Invoke deadlocked at exit";
    EXPECT_FALSE(answer.get());
    worker.join();
    EXPECT_FALSE(ran);

    // After the end: hand-overs are refused at once, posts are dropped and timers (the one
    // above still runs) stay silent, even if someone turns GLib's loop again.
    bool late = false;
    std::thread([&] { EXPECT_FALSE(p->Invoke([&] { late = true; })); }).join();
    p->Post([&] { late = true; });
    for (int i = 0; i < 5; ++i)
        g_main_context_iteration(nullptr, FALSE);
    EXPECT_FALSE(late);
}

TEST_F(GtkPlatformTest, TimersRepeatAndCanStopThemselves)
{
    int ticks = 0;
    hx::TimerId id = 0;
    id = p->StartTimer(5, [&] {
        if (++ticks == 3)
            p->StopTimer(id);
    });
    p->StartTimer(150, [&] { p->Quit(); });
    RunFor(3000);
    EXPECT_EQ(ticks, 3);
    p->StopTimer(id); // stopping twice is harmless
    p->StopTimer(12345);
}

TEST(SecondsTimer, NextTickIsOnTheWallClocksSecond)
{
    const int64_t b = 1'796'909'626'000'000; // a whole second of the wall clock, in µs
    const int64_t mono = 5'000'000; // the monotonic clock read at the same moment
    const struct {
        int64_t since; // wall clock now, after b
        unsigned intervalMs;
        int64_t next; // the wall clock's second of the next tick, after b
    } cases[] = {
        { 2'100, 1000, 1'000'000 }, // run just past the second: the next second
        { 0, 1000, 1'000'000 }, // run on the second
        { 740'000, 1000, 1'000'000 }, // a late run keeps the beat
        { 760'000, 1000, 2'000'000 }, // too late: one second is left out, none comes twice
        { 300'000, 5000, 5'000'000 }, // five seconds
        { -1'000, 1000, 1'000'000 }, // a clock set back a little: not at once again
    };
    for (const auto& c : cases)
        EXPECT_EQ(hx::NextSecondsTick(b + c.since, mono, c.intervalMs), mono + c.next - c.since)
            << c.since << " " << c.intervalMs;
    // Before 1970 the second is still the one below.
    EXPECT_EQ(hx::NextSecondsTick(-1'500'000, mono, 1000), mono + 500'000);
}

// A whole-seconds timer runs on the wall clock's second; when something else wakes the loop
// within its slack after that, it runs in the same wakeup instead of waking the loop itself.
TEST_F(GtkPlatformTest, ASecondsTimerTicksOnTheSecondAndSharesAWakeupWithinItsSlack)
{
    // Just past a second, so that the timer's first tick and the poster's first post fall on
    // the same second.
    std::this_thread::sleep_until(std::chrono::ceil<std::chrono::seconds>(std::chrono::system_clock::now()) + 20ms);
    std::vector<int64_t> ticks; // wall clock µs
    std::vector<int64_t> posts;
    std::atomic<bool> stop { false };
    std::thread poster([&] {
        // Like the clock's pacing thread: a post 2 ms past every second.
        while (!stop) {
            const auto now = std::chrono::system_clock::now();
            std::this_thread::sleep_until(std::chrono::ceil<std::chrono::seconds>(now + 300ms) + 2ms);
            p->Post([&] { posts.push_back(g_get_real_time()); });
        }
    });
    p->StartTimer(1000, [&] {
        ticks.push_back(g_get_real_time());
        if (ticks.size() == 2)
            p->Quit();
    });
    RunFor(5000);
    stop = true;
    poster.join();
    ASSERT_EQ(ticks.size(), 2u);
    for (int64_t t : ticks) {
        const int64_t past = t % 1'000'000;
        EXPECT_GE(past, 2'000) << "ran before the post that woke the loop";
        // In the post's wakeup: by itself it would have waited for the end of its slack.
        EXPECT_LT(past, hx::kSecondsTimerSlack.count());
    }
    EXPECT_EQ(ticks[1] / 1'000'000 - ticks[0] / 1'000'000, 1);
}

TEST_F(GtkPlatformTest, QuitBeforeRunReturnsAtOnce)
{
    p->Quit();
    const auto start = std::chrono::steady_clock::now();
    p->Run();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
}

TEST_F(GtkPlatformTest, TerminationSignalsEndTheSessionOnTheUiThread)
{
    for (int sig : { SIGTERM, SIGINT, SIGHUP }) {
        SetUp();
        std::thread::id on;
        p->OnSessionEnd = [&] {
            on = std::this_thread::get_id();
            p->Quit();
        };
        std::thread([sig] { kill(getpid(), sig); }).join();
        RunFor(3000);
        EXPECT_EQ(on, std::this_thread::get_id()) << "signal " << sig;
    }
    // Without a handler the signal still ends the loop.
    SetUp();
    std::thread([] { kill(getpid(), SIGTERM); }).join();
    RunFor(3000);
}

TEST_F(GtkPlatformTest, AWindowManagerCloseEndsTheSessionAndKeepsTheWindow)
{
    auto window = p->CreateLayeredWindow("Horalux");
    int ended = 0;
    p->OnSessionEnd = [&] {
        ++ended;
        p->Quit();
    };
    // What a window manager's close (WM_DELETE_WINDOW) turns into.
    GtkWidget* widget = static_cast<hx::GtkLayeredWindow*>(window.get())->Widget();
    gtk_widget_realize(widget);
    gtk_window_close(GTK_WINDOW(widget));
    RunFor(3000);
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(gtk_widget_get_realized(widget)) << "the program decides when its window goes";
}

TEST_F(GtkPlatformTest, ConfigDirFollowsXdgAndIgnoresARelativeOne)
{
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    struct Case {
        const char* xdg;
        std::string expected;
    } cases[] = {
        { "/tmp/hx-xdg", "/tmp/hx-xdg/Brightfen/Horalux" },
        { "relative/dir", home + "/.config/Brightfen/Horalux" },
        { "", home + "/.config/Brightfen/Horalux" },
        { nullptr, home + "/.config/Brightfen/Horalux" },
    };
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string savedValue = saved ? saved : "";
    for (const Case& c : cases) {
        if (c.xdg)
            setenv("XDG_CONFIG_HOME", c.xdg, 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(p->ConfigDir(), c.expected) << (c.xdg ? c.xdg : "(unset)");
    }
    if (saved)
        setenv("XDG_CONFIG_HOME", savedValue.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

TEST_F(GtkPlatformTest, WorkAreaWithoutAWindowManagerIsTheScreen)
{
    const hx::WorkArea area = p->GetWorkArea();
    EXPECT_EQ(area.x, 0);
    EXPECT_EQ(area.y, 0);
    EXPECT_EQ(area.width, 1280);
    EXPECT_EQ(area.height, 800);
}

TEST_F(GtkPlatformTest, LayeredWindowTakesTheFrameSizeAndRefusesBrokenFrames)
{
    auto window = p->CreateLayeredWindow("Horalux");
    window->SetPosition(100, 40);
    EXPECT_EQ(window->Left(), 100);
    EXPECT_EQ(window->Top(), 40);
    std::vector<uint32_t> frame(30 * 12, 0xff336699);
    window->Push(reinterpret_cast<const uint8_t*>(frame.data()), 30, 12, 30 * 4, 200);
    EXPECT_EQ(window->Width(), 30);
    EXPECT_EQ(window->Height(), 12);
    window->Push(reinterpret_cast<const uint8_t*>(frame.data()), 40, 9, 30 * 4, 200); // stride too small
    window->Push(nullptr, 10, 10, 40, 200);
    window->Push(reinterpret_cast<const uint8_t*>(frame.data()), 0, 12, 30 * 4, 200);
    EXPECT_EQ(window->Width(), 30);
    EXPECT_EQ(window->Height(), 12);
    window->Show();
    EXPECT_TRUE(window->IsShowing());
    window->Hide();
    EXPECT_FALSE(window->IsShowing());
}

TEST_F(GtkPlatformTest, MenuKeepsCaptionsLiteralAndTheCheckMarkTheOwners)
{
    auto menu = std::make_unique<hx::GtkContextMenu>();
    int clicks = 0;
    std::vector<hx::MenuItem> items;
    items.push_back({ "设置_A...", false, false, [&] { ++clicks; } });
    items.push_back({ "定时任务", true, true, [&] { ++clicks; } });
    items.push_back({ "退出程序", false, false, [&] { menu.reset(); } });
    menu->SetItems(std::move(items));

    GList* children = gtk_container_get_children(GTK_CONTAINER(menu->Widget()));
    ASSERT_EQ(g_list_length(children), 3u);
    auto* first = GTK_MENU_ITEM(g_list_nth_data(children, 0));
    auto* check = GTK_MENU_ITEM(g_list_nth_data(children, 1));
    auto* exit = GTK_MENU_ITEM(g_list_nth_data(children, 2));
    g_list_free(children);
    EXPECT_STREQ(gtk_menu_item_get_label(first), "设置_A...");
    EXPECT_FALSE(gtk_menu_item_get_use_underline(first));
    EXPECT_TRUE(gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(check)));

    // A click runs the handler; the mark stays what the owner set, as on Windows.
    gtk_menu_item_activate(check);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(check)));
    EXPECT_TRUE(menu->IsChecked(1));
    menu->SetChecked(1, false);
    EXPECT_FALSE(gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(check)));
    EXPECT_FALSE(menu->IsChecked(1));
    EXPECT_EQ(clicks, 1) << "setting the mark is not a click";
    menu->SetChecked(7, true); // out of range: ignored
    EXPECT_FALSE(menu->IsChecked(7));

    // The exit item's handler destroys the menu from inside its own signal.
    gtk_menu_item_activate(exit);
    EXPECT_EQ(menu, nullptr);
}

} // namespace
