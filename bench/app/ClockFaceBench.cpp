// DrawClock against the plain rendering of the same faces in the same run: a new surface and
// layout, the glyph path, the seven strokes at cairo's default tolerance and the fill, per
// tick. Each benchmark steps through consecutive seconds, times both per tick, checks that
// their pixels agree within ±2 per channel, and reports the ratio of their costs.
//   warm: the renderer has already seen the hour (a clock that has been running);
//   cold: it starts empty, so the first sight of every piece is paid for in the run.
// BM_RenderConsecutiveSeconds times the renderer alone, warm, one second after the other (the
// running clock's tick), and reports how much of the frame its changed box covers.
#include "app/ClockFaceStyle.h"
#include "app/clock_thd.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <fontconfig/fontconfig.h>
#include <string>
#include <vector>

namespace hx {
namespace {

    class BenchPlatform : public IPlatform {
    public:
        SystemTimePoint now;
        SystemTimePoint Now() override { return now; }
        void Post(std::function<void()>) override { }
        bool Invoke(std::function<void()>) override { return false; }
        TimerId StartTimer(unsigned, std::function<void()>) override { return 0; }
        void StopTimer(TimerId) override { }
        void Run() override { }
        void Quit() override { }
        WorkArea GetWorkArea() override { return {}; }
        std::unique_ptr<ILayeredWindow> CreateLayeredWindow(const std::string&) override { return nullptr; }
        std::unique_ptr<IContextMenu> CreateContextMenu() override { return nullptr; }
        void OpenUrl(const std::string&) override { }
        LongTimeFormat GetLongTimeFormat() override { return {}; }
        IPower& Power() override { std::abort(); }
        ISystemClock& SystemClock() override { std::abort(); }
        std::string ConfigDir() override { return {}; }
    };

    // Keeps a copy of the pushed pixels, as a real window's buffer does.
    class BenchWindow : public ILayeredWindow {
    public:
        std::vector<uint8_t> pixels;
        int width = 0, height = 0, stride = 0;
        void SetPosition(int, int) override { }
        int Left() const override { return 0; }
        int Top() const override { return 0; }
        int Width() const override { return width; }
        int Height() const override { return height; }
        void Show() override { }
        void Hide() override { }
        bool IsShowing() const override { return true; }
        void Push(const uint8_t* p, int w, int h, int s, uint8_t) override
        {
            pixels.assign(p, p + static_cast<size_t>(s) * h);
            width = w, height = h, stride = s;
        }
        void BeginMove(const MouseEvent&) override { }
    };

    // The plain rendering with the same time text and the same push.
    void DrawClockPlain(IPlatform& platform, ILayeredWindow& window, const TsettingsRec& s, const LongTimeFormat& f)
    {
        SurfacePtr face = RenderClockFaceNaive(
            { FormatLongTime(f, ToLocal(platform.Now())), s.Font, s.FontSize, s.StartColor, s.EndColor });
        cairo_surface_flush(face.get());
        window.Push(cairo_image_surface_get_data(face.get()), cairo_image_surface_get_width(face.get()),
            cairo_image_surface_get_height(face.get()), cairo_image_surface_get_stride(face.get()), kFaceWindowAlpha);
    }

    int MaxDifference(const BenchWindow& a, const BenchWindow& b)
    {
        if (a.width != b.width || a.height != b.height)
            return 256;
        int worst = 0;
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < 4 * a.width; ++x) {
                const size_t i = static_cast<size_t>(y) * a.stride + x;
                worst = std::max(worst, std::abs(int(a.pixels[i]) - int(b.pixels[i])));
            }
        return worst;
    }

    // Wall time, interleaved tick by tick so that the machine's load weighs on both alike.
    using Clock = std::chrono::steady_clock;

    constexpr int kCycle = 600; // consecutive seconds, from 9:55:00 (an hour change inside)

    void BM_DrawClockVsPlain(benchmark::State& state)
    {
        const bool warm = state.range(1) != 0;
        BenchPlatform platform;
        BenchWindow cached, plain;
        TsettingsRec settings;
        settings.Font = "宋体";
        settings.FontSize = static_cast<int>(state.range(0));
        settings.StartColor = 0xFFFF8000;
        settings.EndColor = 0xFF0080FF;
        const LongTimeFormat format;
        const SystemTimePoint start = FromLocal({ 2024, 3, 1, 9, 55, 0, 0, 5 });

        auto renderer = std::make_unique<ClockFaceRenderer>();
        if (warm)
            for (int i = 0; i < kCycle; ++i) {
                platform.now = start + std::chrono::seconds(i);
                DrawClock(platform, cached, settings, format, *renderer);
            }

        using Clock = std::chrono::steady_clock;
        Clock::duration tCached {}, tPlain {};
        int64_t ticks = 0;
        int worst = 0;
        for (auto _ : state) {
            const int i = static_cast<int>(ticks % kCycle);
            if (i == 0 && !warm && ticks > 0)
                renderer = std::make_unique<ClockFaceRenderer>();
            platform.now = start + std::chrono::seconds(i);
            const auto t0 = Clock::now();
            DrawClock(platform, cached, settings, format, *renderer);
            const auto t1 = Clock::now();
            DrawClockPlain(platform, plain, settings, format);
            const auto t2 = Clock::now();
            tCached += t1 - t0;
            tPlain += t2 - t1;
            ++ticks;
            worst = std::max(worst, MaxDifference(cached, plain));
        }
        const double ratio = std::chrono::duration<double>(tCached) / std::chrono::duration<double>(tPlain);
        state.counters["drawclock_us"] = std::chrono::duration<double, std::micro>(tCached).count() / ticks;
        state.counters["plain_us"] = std::chrono::duration<double, std::micro>(tPlain).count() / ticks;
        state.counters["ratio"] = ratio;
        state.counters["max_diff"] = worst;
        if (worst > 2)
            state.SkipWithError(("pixels differ from the plain rendering by " + std::to_string(worst)).c_str());
        else if (warm && ratio > 0.25)
            state.SkipWithError(("DrawClock costs " + std::to_string(ratio) + " of the plain rendering").c_str());
    }
    BENCHMARK(BM_DrawClockVsPlain)
        ->ArgNames({ "size", "warm" })
        ->Args({ 60, 1 })
        ->Args({ 90, 1 })
        ->Args({ 60, 0 })
        ->Args({ 90, 0 })
        ->Iterations(kCycle)
        ->Unit(benchmark::kMillisecond);

    void BM_RenderConsecutiveSeconds(benchmark::State& state)
    {
        const LongTimeFormat format;
        const SystemTimePoint start = FromLocal({ 2024, 3, 1, 9, 55, 0, 0, 5 });
        auto input = [&](int i) {
            return ClockFaceInput { FormatLongTime(format, ToLocal(start + std::chrono::seconds(i % kCycle))), "宋体",
                static_cast<int>(state.range(0)), 0xFFFF8000, 0xFF0080FF };
        };
        ClockFaceRenderer renderer;
        for (int i = 0; i < kCycle; ++i)
            renderer.Render(input(i));
        // The texts are made before the clock runs: formatting them is the caller's cost.
        std::vector<ClockFaceInput> inputs;
        for (int i = 0; i < kCycle; ++i)
            inputs.push_back(input(i));
        int64_t ticks = 0;
        double covered = 0;
        for (auto _ : state) {
            const ClockFaceFrame frame = renderer.Render(inputs[ticks % kCycle]);
            covered += double(frame.changed.width) * frame.changed.height / (double(frame.width) * frame.height);
            ++ticks;
        }
        state.counters["box_share"] = covered / ticks;
    }
    BENCHMARK(BM_RenderConsecutiveSeconds)->ArgName("size")->Arg(60)->Arg(90)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace hx

int main(int argc, char** argv)
{
    // The program maps 宋体 onto AR PL UMing at start; do the same here.
    static const char* xml = R"(<?xml version="1.0"?><!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig><alias binding="same"><family>宋体</family><prefer><family>AR PL UMing CN</family></prefer></alias></fontconfig>)";
    FcConfigParseAndLoadFromMemory(FcConfigGetCurrent(), reinterpret_cast<const FcChar8*>(xml), FcTrue);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
