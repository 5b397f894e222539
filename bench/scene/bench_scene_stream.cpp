// Reading and instantiating a 200-object layout from its binary form (target: under 2 ms),
// and the same tree written and cloned, for comparison.
#include "../../tests/scene/SceneFixtures.h"
#include "platform/Log.h"
#include "scene/ObjectReader.h"
#include "scene/ObjectText.h"

#include <benchmark/benchmark.h>

namespace {

// 1 root, 19 groups of 1 + 9 shapes + 10 leaves below the groups' first child: 200 objects.
std::vector<uint8_t> Layout()
{
    std::string t = "object Root: TTestShape\n  Width = 400.0\n";
    int n = 1;
    for (int g = 0; g < 19 && n < 200; ++g) {
        t += "  object Group" + std::to_string(g)
            + ": TTestShape\n    Align = taClient\n    Margins.Rect = '(1,2,3,4)'\n";
        ++n;
        for (int i = 0; i < 9 && n < 200; ++i, ++n) {
            t += "    object Item" + std::to_string(n) + ": TTestControl\n      Position.Point = '("
                + std::to_string(i * 10) + ",4)'\n      Width = 32.5\n      Text = '项目 " + std::to_string(i)
                + "'\n      Fill.Color = -16776961\n      ResourceName = 'text'\n      OnClick = ItemClick\n    end\n";
        }
        t += "  end\n";
    }
    for (; n < 200; ++n)
        t += "  object Leaf" + std::to_string(n) + ": TTestShape\n    Count = 2\n  end\n";
    t += "end\n";
    std::vector<uint8_t> bin;
    if (!hx::ObjectTextToBinary(t, bin))
        std::abort();
    return bin;
}

int CountTree(const hx::TvxObject* o)
{
    int n = 1;
    for (auto* c : o->Children())
        n += CountTree(c);
    return n;
}

void BM_CreateFromBinary(benchmark::State& state)
{
    hx::SetLogSink([](std::string_view) {});
    std::vector<uint8_t> bin = Layout();
    for (auto _ : state) {
        hx::TvxObject* root = hx::TvxObject::CreateFromBinary(bin, nullptr);
        benchmark::DoNotOptimize(root);
        state.PauseTiming();
        if (CountTree(root) != 200)
            state.SkipWithError("layout did not read whole");
        delete root;
        state.ResumeTiming();
    }
    state.counters["bytes"] = static_cast<double>(bin.size());
}
BENCHMARK(BM_CreateFromBinary)->Unit(benchmark::kMicrosecond);

// As a window reads its layout: names kept, every component owned by the form, handlers bound.
void BM_ReadWindowLayout(benchmark::State& state)
{
    std::vector<uint8_t> bin = Layout();
    hx::TReadOptions options;
    hx::TNotifyEvent click = [](hx::TObject*) {};
    options.findHandler = [&](std::string_view) -> std::any { return click; };
    for (auto _ : state) {
        auto* form = new hx::TComponent(nullptr);
        options.owner = form;
        benchmark::DoNotOptimize(hx::CreateComponentFromBinary(bin, form, options));
        state.PauseTiming();
        delete form;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReadWindowLayout)->Unit(benchmark::kMicrosecond);

void BM_Clone(benchmark::State& state)
{
    std::unique_ptr<hx::TvxObject> root(hx::TvxObject::CreateFromBinary(Layout(), nullptr));
    for (auto _ : state) {
        hx::TvxObject* copy = root->Clone(nullptr);
        state.PauseTiming();
        delete copy;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Clone)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
