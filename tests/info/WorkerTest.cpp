#include "TestHttpServer.h"
#include "app/clock_data.h"
#include "info/InfoEndpoints.h"
#include "info/InfoWorkers.h"
#include "info/clock_getinfo.h"
#include "platform/Log.h"
#include "platform/headless/HeadlessPlatform.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

namespace hx {
namespace {

    using namespace std::chrono_literals;
    using test::HttpAnswer;
    using test::HttpRequest;
    using test::TestHttpServer;

    const std::string WeatherXml
        = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Profiles><Weather><city>北京</city>"
          "<status1>晴</status1><temperature1>30</temperature1><temperature2>22</temperature2>"
          "<direction1>南风</direction1><power1>3</power1><zwx_l>强</zwx_l></Weather></Profiles>";
    const TweatherRec WeatherFromXml { "晴", 30, 22, "南风", "3", "强" };

    const std::string AstroPage = "<html><body><div class=\"lotconts\">今天宜静不宜动。</div>"
                                  "<h4>爱情运势</h4><p><img src=a.gif><img src=a.gif><img src=a.gif></p>"
                                  "<h4>工作状况</h4><p><img src=a.gif><img src=a.gif></p>"
                                  "<h4>理财投资</h4><p>一般</p><h4>幸运颜色</h4><p>蓝色</p>"
                                  "<h4>幸运数字</h4><p>7</p><h4>速配星座</h4><p>天秤座</p></body></html>";
    const TastroRec AstroFromPage { 3, 3, 2, 0, "蓝色", 7, "今天宜静不宜动。", "天秤座" };

    const TweatherRec OldWeather { "old", 1, 2, "old dir", "old power", "old uv" };
    const TastroRec OldAstro { 9, 9, 9, 9, "old colour", 9, "old summary", "old match" };

    class QuietLog : public ::testing::Environment {
        void SetUp() override
        {
            SetLogSink([](std::string_view) {});
            // The servers are on loopback; a proxy from the environment must not get in between.
            unsetenv("http_proxy");
            unsetenv("HTTP_PROXY");
            unsetenv("all_proxy");
            unsetenv("ALL_PROXY");
        }
    };
    const auto* const quietLog = ::testing::AddGlobalTestEnvironment(new QuietLog);

    // A weather server and a horoscope server on loopback, a headless UI thread and a store
    // holding old values, so that every test can tell what a run changed.
    class FetchRun : public ::testing::Test {
    protected:
        FetchRun()
        {
            platform.SetLocalNow(2026, 12, 10, 14, 3, 0);
            store.PublishWeather(OldWeather);
            store.PublishAstro(OldAstro);
            store.PublishAlmanac("old almanac");
            config.weatherBase = weather.Base();
            config.astroBase = astro.Base();
            config.almanac = fakeAlmanac.Function();
            config.store = &store;
        }

        // One run on this thread; returns how many completion callbacks it posted.
        int Run(const std::string& city = "北京", const std::string& sign = "金牛座")
        {
            FetchCancel cancel;
            TgetInfo(
                platform, config, city, sign, [this] { ++finished; }, cancel)
                .Execute();
            platform.RunPending();
            return finished;
        }

        std::function<HttpAnswer(const HttpRequest&)> weatherAnswer
            = [](const HttpRequest&) { return HttpAnswer::Text(WeatherXml, "text/xml; charset=utf-8"); };
        std::function<HttpAnswer(const HttpRequest&)> astroAnswer
            = [](const HttpRequest&) { return HttpAnswer::Text(AstroPage); };
        TestHttpServer weather { [this](const HttpRequest& r) { return weatherAnswer(r); } };
        TestHttpServer astro { [this](const HttpRequest& r) { return astroAnswer(r); } };
        AlmanacLibrary fakeAlmanac { { HX_FAKE_ALMANAC } };
        headless::HeadlessPlatform platform;
        InfoStore store;
        InfoConfig config;
        int finished = 0;
    };

    TEST_F(FetchRun, FullRunFillsEveryRecordAndPostsOnce)
    {
        EXPECT_EQ(Run(), 1);
        EXPECT_EQ(store.Weather(), WeatherFromXml);
        EXPECT_EQ(store.Astro(), AstroFromPage);
        EXPECT_EQ(store.AlmanacText(), "农历:horalux.brightfen.com/2026-12-10");

        auto requests = weather.Requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].target, "/xml.php?password=Qv7RmLp2Xc9KtB4w&city=%E5%8C%97%E4%BA%AC&day=0");
        EXPECT_NE(requests[0].headers.find("User-Agent: Internet Explorer 7.0"), std::string::npos);
        ASSERT_EQ(astro.Requests().size(), 1u);
        EXPECT_EQ(astro.Requests()[0].target, "/iframe/astro/view/Taurus/day/");
    }

    TEST_F(FetchRun, CityIsPercentEncodedSoItCannotChangeTheQuery)
    {
        Run("A&B#C=D 北");
        ASSERT_EQ(weather.Requests().size(), 1u);
        EXPECT_EQ(
            weather.Requests()[0].target, "/xml.php?password=Qv7RmLp2Xc9KtB4w&city=A%26B%23C%3DD%20%E5%8C%97&day=0");
    }

    TEST_F(FetchRun, SignChoosesItsPageAndAnUnknownOneGetsAries)
    {
        for (size_t i = 0; i < AstroSigns.size(); ++i)
            Run("北京", AstroSigns[i]);
        Run("北京", "蛇夫座");
        Run("北京", "");
        auto requests = astro.Requests();
        ASSERT_EQ(requests.size(), 14u);
        for (size_t i = 0; i < AstroSigns.size(); ++i)
            EXPECT_EQ(requests[i].target, std::string("/iframe/astro/view/") + AstroWords[i] + "/day/");
        EXPECT_EQ(requests[12].target, "/iframe/astro/view/aries/day/");
        EXPECT_EQ(requests[13].target, "/iframe/astro/view/aries/day/");
    }

    TEST_F(FetchRun, WeatherHostDownChangesNothingAndPostsNothing)
    {
        config.weatherBase = "http://127.0.0.1:" + std::to_string(TestHttpServer::DeadPort());
        EXPECT_EQ(Run(), 0);
        EXPECT_EQ(store.Weather(), OldWeather);
        EXPECT_EQ(store.Astro(), OldAstro);
        EXPECT_EQ(store.AlmanacText(), "old almanac");
        EXPECT_TRUE(astro.Requests().empty());
    }

    TEST_F(FetchRun, HoroscopeHostDownKeepsTheNewWeatherButPostsNothing)
    {
        config.astroBase = "http://127.0.0.1:" + std::to_string(TestHttpServer::DeadPort());
        EXPECT_EQ(Run(), 0);
        EXPECT_EQ(store.Weather(), WeatherFromXml);
        EXPECT_EQ(store.Astro(), OldAstro);
        EXPECT_EQ(store.AlmanacText(), "old almanac");
    }

    TEST_F(FetchRun, RepliesOfThirtyBytesAreNotParsedThirtyOneAre)
    {
        struct Case {
            std::string weatherReply, astroReply;
            std::string status;
            int luckyNumber;
        } cases[] = {
            { "<r><status1>1234</status1></r>", "<h4>幸运数字</h4><p> 7</p>", "old", 9 }, // 30 bytes each
            { "<r><status1>12345</status1></r>", "<h4>幸运数字</h4><p>  7</p>", "12345", 7 }, // 31 bytes each
        };
        for (const Case& c : cases) {
            ASSERT_EQ(c.weatherReply.size() + c.astroReply.size(), c.status == "old" ? 60u : 62u);
            store.PublishWeather(OldWeather);
            store.PublishAstro(OldAstro);
            weatherAnswer = [&](const HttpRequest&) { return HttpAnswer::Text(c.weatherReply, "text/xml"); };
            astroAnswer = [&](const HttpRequest&) { return HttpAnswer::Text(c.astroReply); };
            finished = 0;
            EXPECT_EQ(Run(), 1) << c.weatherReply;
            EXPECT_EQ(store.Weather().Status, c.status);
            EXPECT_EQ(store.Astro().LuckyNumber, c.luckyNumber);
        }
    }

    TEST_F(FetchRun, UnusableWeatherReplyEndsTheRunAfterTheFieldsBeforeIt)
    {
        struct Case {
            const char* name;
            std::string reply;
            TweatherRec weather;
        } cases[] = {
            { "empty temperature1",
                "<r><status1>雨</status1><temperature1></temperature1><temperature2>5</temperature2></r>",
                { "雨", 1, 2, "old dir", "old power", "old uv" } },
            { "temperature2 not a number",
                "<r><status1>雨</status1><temperature1>8</temperature1><temperature2>五</temperature2></r>",
                { "雨", 8, 2, "old dir", "old power", "old uv" } },
            { "no element at all", "a reply of more than thirty bytes and no markup", OldWeather },
        };
        for (const Case& c : cases) {
            store.PublishWeather(OldWeather);
            weatherAnswer = [&](const HttpRequest&) { return HttpAnswer::Text(c.reply, "text/xml"); };
            EXPECT_EQ(Run(), 0) << c.name;
            EXPECT_EQ(store.Weather(), c.weather) << c.name;
        }
        EXPECT_TRUE(astro.Requests().empty());
        EXPECT_EQ(store.Astro(), OldAstro);
        EXPECT_EQ(store.AlmanacText(), "old almanac");
    }

    TEST_F(FetchRun, ErrorStatusIsNotReadButTheRunGoesOn)
    {
        weatherAnswer = [](const HttpRequest&) {
            HttpAnswer a = HttpAnswer::Text("<html><body><h1>Not Found</h1><p>no such city</p></body></html>");
            a.status = 404;
            return a;
        };
        EXPECT_EQ(Run(), 1);
        EXPECT_EQ(store.Weather(), OldWeather);
        EXPECT_EQ(store.Astro(), AstroFromPage);
    }

    TEST_F(FetchRun, ServerThatNeverAnswersEndsTheRunAtTheTimeLimit)
    {
        config.limits.totalTimeout = 300ms;
        weatherAnswer = [](const HttpRequest&) { return HttpAnswer::Hanging(); };
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Run(), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
        EXPECT_EQ(store.Weather(), OldWeather);
        EXPECT_TRUE(astro.Requests().empty());
    }

    TEST_F(FetchRun, ReplyOverTheCapEndsTheRunAsAFailedRequest)
    {
        for (bool sendLength : { true, false }) {
            astroAnswer = [&](const HttpRequest&) {
                HttpAnswer a = HttpAnswer::Text(std::string(2 * 1024 * 1024, 'x') + AstroPage);
                a.sendLength = sendLength;
                return a;
            };
            EXPECT_EQ(Run(), 0) << sendLength;
            EXPECT_EQ(store.Astro(), OldAstro);
            EXPECT_EQ(store.AlmanacText(), "old almanac");
        }
        // Just under the cap is read.
        astroAnswer = [&](const HttpRequest&) {
            return HttpAnswer::Text(std::string(1024 * 1024 - AstroPage.size(), 'x') + AstroPage);
        };
        EXPECT_EQ(Run(), 1);
        EXPECT_EQ(store.Astro(), AstroFromPage);
    }

    TEST_F(FetchRun, GbkRepliesAreDecoded)
    {
        // The same records as from the UTF-8 replies, the pages written in GBK: the weather
        // labelled by its header, the horoscope page only by its meta tag.
        weatherAnswer = [](const HttpRequest&) {
            return HttpAnswer::Text("<?xml version=\"1.0\" encoding=\"GBK\"?><Profiles><Weather><status1>\xC7\xE7"
                                    "</status1><temperature1>30</temperature1><temperature2>22</temperature2>"
                                    "<direction1>\xC4\xCF\xB7\xE7</direction1><power1>3</power1><zwx_l>\xC7\xBF"
                                    "</zwx_l></Weather></Profiles>",
                "text/xml; charset=GBK");
        };
        astroAnswer = [](const HttpRequest&) {
            return HttpAnswer::Text(
                "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
                "</head><body><h4>\xD0\xD2\xD4\xCB\xD1\xD5\xC9\xAB</h4><p>\xC0\xB6\xC9\xAB</p>"
                "<h4>\xD0\xD2\xD4\xCB\xCA\xFD\xD7\xD6</h4><p>7</p></body></html>",
                "text/html");
        };
        EXPECT_EQ(Run(), 1);
        EXPECT_EQ(store.Weather(), WeatherFromXml);
        EXPECT_EQ(store.Astro().LuckyColour, "蓝色");
        EXPECT_EQ(store.Astro().LuckyNumber, 7);
    }

    TEST_F(FetchRun, MissingAlmanacLibraryGivesAnEmptyText)
    {
        AlmanacLibrary missing({ "/nonexistent/libalmanac.so" });
        EXPECT_EQ(missing.Function(), nullptr);
        config.almanac = missing.Function();
        EXPECT_EQ(Run(), 1);
        EXPECT_EQ(store.AlmanacText(), "");
    }

#ifdef HX_HAVE_ALMANAC
    TEST(AlmanacBinding, ProgramBindsTheBuildTreeLibrary)
    {
        AlmanacOutPutFn fn = AlmanacLibrary::Program().Function();
        ASSERT_NE(fn, nullptr);
        EXPECT_TRUE(AlmanacTextFor(fn, 2026, 12, 10).starts_with("农历:")) << AlmanacTextFor(fn, 2026, 12, 10);
    }
#endif

    TEST(CheckUrl, TrueExactlyWhenTheAddressOpens)
    {
        TestHttpServer server([](const HttpRequest& r) {
            if (r.target == "/hang")
                return HttpAnswer::Hanging();
            if (r.target == "/close")
                return HttpAnswer::Closing();
            if (r.target == "/stall" || r.target == "/stall-body") {
                HttpAnswer a = HttpAnswer::Of(HttpAnswer::HeadersThenHang);
                a.body = std::string(10, 'x'); // announced, never sent
                return a;
            }
            if (r.target == "/moved") {
                HttpAnswer a = HttpAnswer::Text("");
                a.status = 302;
                a.contentType = "text/html\r\nLocation: /stall";
                return a;
            }
            HttpAnswer a = HttpAnswer::Text(std::string(100000, 'x'));
            a.status = r.target == "/missing" ? 404 : 200;
            return a;
        });
        HttpLimits limits;
        limits.totalTimeout = 300ms;
        EXPECT_TRUE(CheckUrl(server.Base() + "/page", limits));
        EXPECT_TRUE(CheckUrl(server.Base() + "/missing", limits));
        EXPECT_FALSE(CheckUrl(server.Base() + "/hang", limits));
        EXPECT_FALSE(CheckUrl(server.Base() + "/close", limits));
        // Headers are enough, even when the body never comes; a redirect is followed first.
        EXPECT_TRUE(CheckUrl(server.Base() + "/stall", limits));
        EXPECT_TRUE(CheckUrl(server.Base() + "/moved", limits));
        EXPECT_EQ(HttpGet(server.Base() + "/stall-body", limits).outcome, HttpOutcome::Failed);
        EXPECT_FALSE(CheckUrl("http://127.0.0.1:" + std::to_string(TestHttpServer::DeadPort()) + "/", limits));
        EXPECT_FALSE(CheckUrl("file:///etc/passwd", limits));
    }

    class Workers : public FetchRun {
    protected:
        // Runs posted callbacks until `count` runs have finished or the time is up.
        bool WaitForFinished(int count, std::chrono::milliseconds timeout = 5s)
        {
            auto end = std::chrono::steady_clock::now() + timeout;
            while (finished < count && std::chrono::steady_clock::now() < end)
                platform.WaitAndRunPending(50ms);
            return finished >= count;
        }
    };

    TEST_F(Workers, TwoWorkersStartedTogetherBothPost)
    {
        InfoWorkers workers(
            platform, [this] { ++finished; }, config);
        workers.Start("北京", "金牛座");
        workers.Start("上海", "白羊座");
        EXPECT_TRUE(WaitForFinished(2));
        EXPECT_EQ(weather.Requests().size(), 2u);
        EXPECT_EQ(store.Weather(), WeatherFromXml);
    }

    TEST_F(Workers, StopAllAbortsAHungTransferAtOnce)
    {
        // Production time limits: only the cancel can end this transfer quickly.
        weatherAnswer = [](const HttpRequest&) { return HttpAnswer::Hanging(); };
        InfoWorkers workers(
            platform, [this] { ++finished; }, config);
        workers.Start("北京", "金牛座");
        for (int i = 0; i < 200 && weather.Requests().empty(); ++i)
            std::this_thread::sleep_for(5ms);
        ASSERT_EQ(weather.Requests().size(), 1u);
        auto start = std::chrono::steady_clock::now();
        workers.StopAll();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
        EXPECT_EQ(workers.Count(), 0u);
        EXPECT_EQ(platform.RunPending(), 0);

        workers.Start("北京", "金牛座"); // after StopAll nothing starts
        EXPECT_EQ(workers.Count(), 0u);
    }

    TEST_F(Workers, FinishedWorkersAreJoinedOnTheNextStart)
    {
        InfoWorkers workers(
            platform, [this] { ++finished; }, config);
        workers.Start("北京", "金牛座");
        ASSERT_TRUE(WaitForFinished(1));
        std::this_thread::sleep_for(20ms); // the thread marks itself done just after posting
        workers.Start("北京", "金牛座");
        EXPECT_EQ(workers.Count(), 1u);
        ASSERT_TRUE(WaitForFinished(2));
    }

} // namespace
} // namespace hx
