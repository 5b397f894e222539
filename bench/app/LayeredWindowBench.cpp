// The clock window's push on a real X window (a private Xvfb unless DISPLAY is set): the faces
// of consecutive seconds, each pushed whole or with the renderer's changed box. CPU time is
// this process's (the X server's share is not in it), per push.
#include "app/ClockFaceRenderer.h"
#include "app/ClockFaceStyle.h"
#include "platform/gtk/AlphaShape.h"
#include "platform/gtk/FontAliases.h"
#include "platform/gtk/GtkLayeredWindow.h"
#include "platform/gtk/GtkPlatform.h"
#include "tests/support/PrivateXvfb.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace hx {
namespace {

    using namespace std::chrono_literals;

    std::unique_ptr<test::PrivateXvfb> xvfb;
    std::unique_ptr<IPlatform> platform;

    bool StartDisplay()
    {
        if (!std::getenv("DISPLAY") || !*std::getenv("DISPLAY")) {
            xvfb = std::make_unique<test::PrivateXvfb>();
            if (!xvfb->Started())
                return false;
            setenv("DISPLAY", xvfb->Display().c_str(), 1);
        }
        int argc = 1;
        static char name[] = "bench_layeredwindow";
        static char* argvStore[] = { name, nullptr };
        char** argv = argvStore;
        platform = CreateGtkPlatform(argc, argv);
        return platform != nullptr;
    }

    void Pump(std::chrono::milliseconds forAbout)
    {
        const auto end = std::chrono::steady_clock::now() + forAbout;
        while (std::chrono::steady_clock::now() < end) {
            while (g_main_context_iteration(nullptr, FALSE)) { }
            std::this_thread::sleep_for(5ms);
        }
    }

    struct Face {
        std::vector<uint8_t> pixels;
        int width, height, stride;
        PixelBox changed;
    };

    // A minute of the running clock's faces, as the renderer gives them one after the other.
    const std::vector<Face>& Faces()
    {
        static const std::vector<Face> faces = [] {
            std::vector<Face> out;
            ClockFaceRenderer renderer;
            for (int pass = 0; pass < 2; ++pass) // the second pass is the warm one that is kept
                for (int s = 0; s < 60; ++s) {
                    char text[16];
                    std::snprintf(text, sizeof text, "10:23:%02d", s);
                    const ClockFaceFrame f = renderer.Render({ text, "宋体", 60, 0xFFFF8000, 0xFF0080FF });
                    if (pass == 1)
                        out.push_back(
                            { std::vector<uint8_t>(f.pixels, f.pixels + static_cast<size_t>(f.stride) * f.height),
                                f.width, f.height, f.stride, f.changed });
                }
            return out;
        }();
        return faces;
    }

    void BM_PushConsecutiveSeconds(benchmark::State& state)
    {
        if (!platform) {
            state.SkipWithError("no X display");
            return;
        }
        const bool hinted = state.range(0) != 0;
        const std::vector<Face>& faces = Faces();
        GtkLayeredWindow window("Horalux", nullptr);
        window.SetPosition(100, 100);
        window.Push(
            faces.back().pixels.data(), faces.back().width, faces.back().height, faces.back().stride, kFaceWindowAlpha);
        window.Show();
        Pump(300ms);
        size_t i = 0;
        double boxShare = 0;
        for (auto _ : state) {
            const Face& f = faces[i % faces.size()];
            // Each face's box is against the face before it, the last one's included.
            window.Push(f.pixels.data(), f.width, f.height, f.stride, kFaceWindowAlpha, hinted ? &f.changed : nullptr);
            boxShare += double(f.changed.width) * f.changed.height / (double(f.width) * f.height);
            if (++i % 100 == 0) {
                state.PauseTiming();
                while (g_main_context_iteration(nullptr, FALSE)) { }
                state.ResumeTiming();
            }
        }
        state.counters["box_share"] = boxShare / double(i);
    }
    BENCHMARK(BM_PushConsecutiveSeconds)->ArgName("hint")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

    // The window's own pixel work per push, without X: scaling and comparing the whole frame or
    // the box, and the shape from the box's alpha.
    void BM_ScaleAndShapeConsecutiveSeconds(benchmark::State& state)
    {
        const bool hinted = state.range(0) != 0;
        const std::vector<Face>& faces = Faces();
        const Face& last = faces.back();
        std::vector<uint8_t> kept(last.pixels.size());
        ScaleByConstantAlpha(
            last.pixels.data(), last.stride, kept.data(), last.stride, last.width, last.height, kFaceWindowAlpha);
        cairo_region_t* shape = RegionFromAlpha(last.pixels.data(), last.width, last.height, last.stride);
        size_t i = 0;
        for (auto _ : state) {
            const Face& f = faces[i++ % faces.size()];
            const cairo_rectangle_int_t box = hinted
                ? cairo_rectangle_int_t { f.changed.x, f.changed.y, f.changed.width, f.changed.height }
                : cairo_rectangle_int_t { 0, 0, f.width, f.height };
            if (box.width <= 0 || box.height <= 0)
                continue;
            const cairo_rectangle_int_t changed
                = ScaleByConstantAlphaInBox(f.pixels.data(), f.stride, kept.data(), f.stride, box, kFaceWindowAlpha);
            if (changed.width > 0) {
                cairo_region_t* inBox = RegionFromAlphaInBox(f.pixels.data(), f.stride, box);
                ReplaceRegionInBox(shape, box, inBox);
                cairo_region_destroy(inBox);
            }
        }
        cairo_region_destroy(shape);
    }
    BENCHMARK(BM_ScaleAndShapeConsecutiveSeconds)->ArgName("hint")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace hx

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    hx::LoadFontAliases(); // 宋体 as the program finds it, with or without a display
    hx::StartDisplay();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    hx::platform.reset();
    hx::xvfb.reset();
    return 0;
}
