// Path `Data` text and the binary "Path" form: either reader may meet any bytes a stored
// layout holds. Whatever is read must write back out and map onto a canvas without harm.
#include "platform/Log.h"
#include "scene/canvas/TvxCanvasCairo.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {
hx::TvxCanvasCairo* canvasPtr;
}

// The canvas (and with it the font machinery's one-time caches) is made before the runs.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    hx::SetLogSink([](std::string_view) {});
    canvasPtr = new hx::TvxCanvasCairo(16, 16);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    hx::TvxCanvasCairo& canvas = *canvasPtr;

    hx::TvxPathData text;
    text.SetData(std::string_view(reinterpret_cast<const char*>(data), size));
    hx::TvxPathData again;
    again.SetData(text.Data());

    hx::TvxPathData binary;
    binary.LoadPath({ data, size });
    hx::TvxPathData copy;
    copy.LoadPath(binary.SavePath());
    if (!(copy == binary))
        __builtin_trap();

    for (const auto* p : { &text, &binary }) {
        if (p->Points().size() > 4096)
            continue; // drawing cost, not safety, grows with the size
        canvas.FillPath(*p, { 0, 0, 16, 16 }, 1);
        canvas.DrawPath(*p, { 0, 0, 16, 16 }, 1);
        canvas.PtInPath({ 8, 8 }, { 0, 0, 16, 16 }, *p);
    }
    return 0;
}
