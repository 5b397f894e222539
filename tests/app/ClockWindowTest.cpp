// The whole program on the headless desktop with a simulated clock: the clock window's show,
// menu, timer, message 8031 and the orderly exit that saves the settings.
#include "app/Horalux_main.h"
#include "platform/headless/HeadlessPlatform.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>

namespace hx {
namespace {

    using namespace std::chrono_literals;
    using headless::HeadlessMenu;
    using headless::HeadlessPlatform;
    using headless::HeadlessWindow;

    class ClockProgram : public ::testing::Test {
    protected:
        void SetUp() override
        {
            std::string tmpl = (std::filesystem::temp_directory_path() / "hx-program-XXXXXX").string();
            ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
            dir = tmpl;
            platform.SetConfigDir(dir.string());
            platform.SetWorkArea({ 0, 0, 1280, 770 });
            Settings() = TsettingsRec {};
        }
        void TearDown() override
        {
            app.reset();
            std::filesystem::remove_all(dir);
        }

        void Start()
        {
            ClockServices s;
            s.StartFetch = [this] { ++fetches; };
            s.SyncTime = [this] { ++syncs; };
            s.StopAll = [this] { ++stops; };
            app = std::make_unique<HoraluxApp>(platform, s);
            app->Show();
        }

        HeadlessWindow& ClockWindow() { return *platform.Windows().at(0); }
        HeadlessMenu& Menu() { return *platform.Menus().at(0); }

        // Lets the pacing thread hand over its first face.
        void WaitForFace()
        {
            const auto until = std::chrono::steady_clock::now() + 5s;
            while (ClockWindow().PushCount() == 0 && std::chrono::steady_clock::now() < until)
                platform.WaitAndRunPending(20ms);
            ASSERT_GT(ClockWindow().PushCount(), 0);
        }

        // A point on the digits (the window passes the mouse through elsewhere).
        std::pair<int, int> OnDigits()
        {
            auto& w = ClockWindow();
            for (int y = 0; y < w.Height(); ++y)
                for (int x = 0; x < w.Width(); ++x)
                    if (w.HitTest(x, y))
                        return { x, y };
            ADD_FAILURE() << "the face has no visible pixel";
            return { 0, 0 };
        }

        KeyStore Stored()
        {
            KeyStore store(dir / "settings.conf");
            store.Load();
            return store;
        }

        std::filesystem::path dir;
        HeadlessPlatform platform;
        std::unique_ptr<HoraluxApp> app;
        int fetches = 0, syncs = 0, stops = 0;
    };

    TEST_F(ClockProgram, FirstStartPlacesTheFaceAndStartsOneFetchAndOneTimeSync)
    {
        Start();
        EXPECT_EQ(platform.Windows().size(), 4u); // clock, info panel, settings, task, in that order
        EXPECT_EQ(ClockWindow().Title(), "Horalux");
        EXPECT_EQ(ClockWindow().Left(), 1280 - 280);
        EXPECT_EQ(ClockWindow().Top(), 30);
        for (size_t i = 1; i < platform.Windows().size(); ++i)
            EXPECT_FALSE(platform.Windows()[i]->IsShowing());
        EXPECT_EQ(fetches, 1);
        EXPECT_EQ(syncs, 1); // whatever CheckTime says
        WaitForFace();
        EXPECT_EQ(ClockWindow().Height(), 60);
        EXPECT_EQ(ClockWindow().ConstantAlpha(), 200);
        EXPECT_EQ(ClockWindow().Left(), 1280 - 280); // the face keeps the window's place
    }

    TEST_F(ClockProgram, MenuOffersSevenCaptionsAndChecksTheTaskItemWhileArmed)
    {
        Start();
        WaitForFace();
        const auto [x, y] = OnDigits();
        ClockWindow().SimulateRightClick(x, y);
        ASSERT_TRUE(Menu().IsOpen());
        std::vector<std::string> captions;
        for (const auto& item : Menu().Items())
            captions.push_back(item.caption);
        EXPECT_EQ(captions,
            (std::vector<std::string> {
                "显示天气", "星座运势", "黄历信息", "定时任务", "设置...", "查看更新", "退出程序" }));
        EXPECT_FALSE(Menu().IsChecked(N4));
        Menu().Choose(N7);
        EXPECT_EQ(platform.OpenedUrls(), std::vector<std::string> { HomePageUrl() });

        Settings().TaskArmed = true;
        Settings().TaskTime = 1.9;
        Settings().TaskBaseDay = 1e6; // far ahead: it must not fire here
        ClockWindow().SimulateRightClick(x, y);
        EXPECT_TRUE(Menu().IsChecked(N4));
        Menu().Choose(N4); // the task window is modal; an empty one returns at once
        Settings().TaskArmed = false;
        ClockWindow().SimulateRightClick(x, y);
        EXPECT_FALSE(Menu().IsChecked(N4));
    }

    TEST_F(ClockProgram, PageChoiceAndMessage8031)
    {
        Start();
        EXPECT_EQ(Settings().ShowIndex, -1);
        app->Clock().OnInfoArrived(); // no page chosen: nothing changes
        EXPECT_EQ(app->Content().Page(), -1);
        EXPECT_FALSE(app->Content().Window().IsShowing());

        WaitForFace();
        const auto [x, y] = OnDigits();
        ClockWindow().SimulateRightClick(x, y);
        Menu().Choose(N2);
        EXPECT_EQ(Settings().ShowIndex, 1);
        EXPECT_EQ(app->Content().Page(), 1);
        EXPECT_TRUE(app->Content().Window().IsShowing());

        app->Content().Hide();
        app->Content().FillPage(0);
        app->Clock().OnInfoArrived(); // a finished fetch refills the chosen page
        EXPECT_EQ(app->Content().Page(), 1);
        EXPECT_TRUE(app->Content().Window().IsShowing());

        app->Content().Hide();
        ClockWindow().SimulateDoubleClick(x, y); // shows the panel unchanged
        EXPECT_TRUE(app->Content().Window().IsShowing());
        EXPECT_EQ(app->Content().Page(), 1);
    }

    struct TickCase {
        int hour, minute, second;
        int fetches, syncs; // counted after this tick (show started one of each)
    };

    TEST_F(ClockProgram, HourlyRefreshRunsOnceOnTheFirstTickOfMinuteThree)
    {
        Settings().CheckTime = true; // LoadSettings would reset it: store it instead
        {
            KeyStore store(dir / "settings.conf");
            store.Load();
            store.WriteDword("CheckTime", 1);
            ASSERT_TRUE(store.Save());
        }
        platform.SetLocalNow(2026, 12, 10, 10, 2, 58);
        Start();
        const TickCase ticks[] = {
            { 10, 2, 59, 1, 1 },
            { 10, 3, 0, 2, 2 },
            { 10, 3, 1, 2, 2 },
            { 10, 4, 0, 2, 2 },
        };
        for (const auto& t : ticks) {
            // Step second by second (every tick runs) up to this row's time.
            while (ToLocal(platform.Now()).minute != t.minute || ToLocal(platform.Now()).second != t.second)
                platform.Advance(1000ms);
            const auto now = ToLocal(platform.Now());
            ASSERT_EQ(now.minute, t.minute);
            ASSERT_EQ(now.second, t.second);
            EXPECT_EQ(fetches, t.fetches) << t.hour << ":" << t.minute << ":" << t.second;
            EXPECT_EQ(syncs, t.syncs) << t.hour << ":" << t.minute << ":" << t.second;
        }
        // Through the rest of the hour nothing more; the next hour's minute 3 refreshes again.
        platform.Advance(3599s);
        EXPECT_EQ(fetches, 3);
        EXPECT_EQ(syncs, 3);
    }

    TEST_F(ClockProgram, StartedDuringMinuteThreeStillRefreshesOnce)
    {
        platform.SetLocalNow(2026, 12, 10, 10, 3, 20);
        Start();
        EXPECT_EQ(fetches, 1);
        platform.Advance(30s);
        EXPECT_EQ(fetches, 2);
        EXPECT_EQ(syncs, 1); // CheckTime is false: only the show handler's
    }

    TEST_F(ClockProgram, TaskWithAnUnknownActionIsDisarmedWithoutAction)
    {
        Start();
        platform.SetLocalNow(2026, 12, 10, 12, 0, 0);
        Settings().TaskArmed = true;
        Settings().TaskEvery = false;
        Settings().TaskTime = 0.5;
        Settings().TaskAction = 4;
        Settings().TaskBaseDay = std::floor(ToDateTime(platform.Now()));
        platform.Advance(1000ms);
        EXPECT_FALSE(Settings().TaskArmed);
        EXPECT_TRUE(platform.Recorder().Calls().empty());
    }

    TEST_F(ClockProgram, ExitSavesTheDraggedPosition)
    {
        Start();
        WaitForFace();
        const auto [x, y] = OnDigits();
        ClockWindow().SimulateMouseMove(x, y, /*leftDown=*/false); // hovering does not move it
        EXPECT_EQ(ClockWindow().MoveRequests(), 0);
        ClockWindow().SimulateMouseMove(x, y, /*leftDown=*/true);
        EXPECT_EQ(ClockWindow().MoveRequests(), 1);
        ClockWindow().SimulateWindowManagerMove(100 - ClockWindow().Left(), 200 - ClockWindow().Top());

        ClockWindow().SimulateRightClick(x, y);
        Menu().Choose(N6);
        EXPECT_TRUE(platform.Quitting());
        app.reset();
        EXPECT_EQ(stops, 1);

        auto stored = Stored();
        EXPECT_EQ(stored.ReadDword("Frmtop"), 200u);
        EXPECT_EQ(stored.ReadDword("FrmTop"), 200u); // one value whatever the case
        EXPECT_EQ(stored.ReadDword("FrmLeft"), 100u);
        EXPECT_EQ(stored.ReadString("Font"), "宋体");
    }

    TEST_F(ClockProgram, SessionEndLeavesLikeTheExitCommand)
    {
        Start();
        ASSERT_TRUE(platform.OnSessionEnd);
        platform.OnSessionEnd();
        EXPECT_TRUE(platform.Quitting());
        app.reset();
        EXPECT_TRUE(Stored().ReadDword("FrmLeft").has_value());
    }

} // namespace
} // namespace hx
