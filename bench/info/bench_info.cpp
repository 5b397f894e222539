// The horoscope extraction on a page of realistic size, against a plain substring scan of
// the same page as the baseline, and one whole fetch run against servers on loopback.
#include "../../tests/info/TestHttpServer.h"
#include "info/ParseAstro.h"
#include "info/ParseWeather.h"
#include "info/TextDecode.h"
#include "info/clock_getinfo.h"
#include "platform/Log.h"
#include "platform/headless/HeadlessPlatform.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>

namespace {

const std::string Sections = "<div class=\"lotconts\">今天宜静不宜动。</div>"
                             "<h4>爱情运势</h4><p><img src=a.gif><img src=a.gif><img src=a.gif></p>"
                             "<h4>工作状况</h4><p><img src=a.gif><img src=a.gif></p>"
                             "<h4>理财投资</h4><p>一般</p><h4>幸运颜色</h4><p>蓝色</p>"
                             "<h4>幸运数字</h4><p>7</p><h4>速配星座</h4><p>天秤座</p>";

// About 200 KB of ordinary markup, the horoscope sections near the end as on the site's pages.
std::string Page200K()
{
    std::string page = "<html><head><meta charset=\"utf-8\"><title>星座运势</title></head><body>\n";
    for (int i = 0; page.size() < 200 * 1024 - 1024; ++i)
        page += "<div class=\"item\"><a href=\"/news/" + std::to_string(i)
            + ".html\"><img src=\"t.png\">今日星座新闻与运势解读</a><p>内容摘要，更多详情请点击。</p></div>\n";
    return page + Sections + "</body></html>\n";
}

const std::string& Page()
{
    static const std::string page = Page200K();
    return page;
}

void BM_ParseAstro200K(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(hx::ParseAstro(Page()));
    state.SetBytesProcessed(state.iterations() * Page().size());
}
BENCHMARK(BM_ParseAstro200K)->Unit(benchmark::kMicrosecond);

// Baseline: the same eight anchors found with std::string::find.
void BM_AnchorScan200K(benchmark::State& state)
{
    const char* anchors[]
        = { "<div class=\"lotconts\">", "<h4>爱情运势</h4><p>", "<h4>爱情运势</h4><p>", "<h4>工作状况</h4><p>",
              "<h4>理财投资</h4><p>", "<h4>幸运数字</h4><p>", "<h4>幸运颜色</h4><p>", "<h4>速配星座</h4><p>" };
    for (auto _ : state)
        for (const char* a : anchors)
            benchmark::DoNotOptimize(Page().find(a));
    state.SetBytesProcessed(state.iterations() * Page().size());
}
BENCHMARK(BM_AnchorScan200K)->Unit(benchmark::kMicrosecond);

void BM_DecodeGbk200K(benchmark::State& state)
{
    std::string gbk;
    while (gbk.size() < 200 * 1024)
        gbk += "<p>\xBD\xF1\xC8\xD5\xD0\xC7\xD7\xF9</p>\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(hx::DecodeReply(gbk, "text/html; charset=gbk"));
    state.SetBytesProcessed(state.iterations() * gbk.size());
}
BENCHMARK(BM_DecodeGbk200K)->Unit(benchmark::kMicrosecond);

// One run: two HTTP exchanges on loopback, both parses, the almanac step and the post.
void BM_WholeRunLoopback(benchmark::State& state)
{
    using hx::test::HttpAnswer;
    using hx::test::HttpRequest;
    hx::test::TestHttpServer weather([](const HttpRequest&) {
        return HttpAnswer::Text("<Profiles><Weather><status1>晴</status1><temperature1>30</temperature1>"
                                "<temperature2>22</temperature2><direction1>南风</direction1><power1>3</power1>"
                                "<zwx_l>强</zwx_l></Weather></Profiles>",
            "text/xml; charset=utf-8");
    });
    hx::test::TestHttpServer astro([](const HttpRequest&) { return HttpAnswer::Text(Page()); });
    hx::headless::HeadlessPlatform platform;
    hx::InfoStore store;
    hx::InfoConfig config;
    config.weatherBase = weather.Base();
    config.astroBase = astro.Base();
    config.store = &store;
    int posted = 0;
    for (auto _ : state) {
        hx::FetchCancel cancel;
        hx::TgetInfo(
            platform, config, "北京", "金牛座", [&] { ++posted; }, cancel)
            .Execute();
        platform.RunPending();
    }
    if (posted != static_cast<int>(state.iterations()))
        state.SkipWithError("a run did not finish");
}
BENCHMARK(BM_WholeRunLoopback)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    hx::SetLogSink([](std::string_view) {});
    unsetenv("http_proxy");
    unsetenv("HTTP_PROXY");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
