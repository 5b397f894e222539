// The same 400 x 480 scene — 300 rounded rectangles with two-point gradient fills, one-pixel
// outlines and two-digit labels — drawn through TvxCanvas and with bare cairo + Pango, so
// that the canvas's own cost shows as a ratio measured in the same run.
#include "scene/canvas/TvxCanvasCairo.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <pango/pangocairo.h>
#include <string>

using namespace hx;

namespace {

constexpr int W = 400, H = 480, Cols = 15, Rows = 20;
constexpr float CellW = float(W) / Cols, CellH = float(H) / Rows;
constexpr double K = 0.4477152502;

struct Cell {
    TvxRect r;
    uint32_t top, bottom;
    std::u16string text16;
    std::string text8;
};

std::vector<Cell> MakeScene()
{
    std::vector<Cell> cells;
    for (int i = 0; i < Cols * Rows; ++i) {
        const float x = (i % Cols) * CellW, y = (i / Cols) * CellH;
        const std::string t = std::to_string(10 + i % 90);
        cells.push_back({ { x + 1, y + 1, x + CellW - 1, y + CellH - 1 }, 0xFF000000u | (i * 2654435761u & 0xFFFFFF),
            0xC0FFFFFFu, std::u16string(t.begin(), t.end()), t });
    }
    return cells;
}

void DrawWithCanvas(TvxCanvasCairo& c, const std::vector<Cell>& cells)
{
    c.BeginScene();
    c.Clear(0);
    c.Fill().SetStyle(TvxBrushStyle::vgBrushGradient);
    c.StrokeThickness = 1;
    for (const Cell& k : cells) {
        c.Fill().Gradient().SetPoints({ { k.top, 0 }, { k.bottom, 1 } });
        c.Fill().SetStyle(TvxBrushStyle::vgBrushGradient);
        c.FillRect(k.r, 5, 5, AllCorners, 1);
        c.DrawRect(k.r, 5, 5, AllCorners, 1);
        c.Fill().SetStyle(TvxBrushStyle::vgBrushSolid);
        c.FillText(k.r, k.r, k.text16, false, 1);
    }
    c.EndScene();
}

void RoundRect(cairo_t* cr, const TvxRect& r, double rad)
{
    const double L = r.Left, T = r.Top, R = r.Right, B = r.Bottom;
    cairo_new_path(cr);
    cairo_move_to(cr, L, T + rad);
    cairo_curve_to(cr, L, T + K * rad, L + K * rad, T, L + rad, T);
    cairo_line_to(cr, R - rad, T);
    cairo_curve_to(cr, R - K * rad, T, R, T + K * rad, R, T + rad);
    cairo_line_to(cr, R, B - rad);
    cairo_curve_to(cr, R, B - K * rad, R - K * rad, B, R - rad, B);
    cairo_line_to(cr, L + rad, B);
    cairo_curve_to(cr, L + K * rad, B, L, B - K * rad, L, B - rad);
    cairo_close_path(cr);
}

void Rgba(cairo_pattern_t* p, double off, uint32_t c)
{
    cairo_pattern_add_color_stop_rgba(
        p, off, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0, (c >> 24) / 255.0);
}

void DrawWithCairo(cairo_t* cr, PangoLayout* layout, const std::vector<Cell>& cells)
{
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, 0, 0, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_set_line_width(cr, 1);
    for (const Cell& k : cells) {
        cairo_pattern_t* p = cairo_pattern_create_linear(k.r.Left, k.r.Top, k.r.Left, k.r.Bottom);
        cairo_pattern_set_extend(p, CAIRO_EXTEND_REFLECT);
        Rgba(p, 0, k.top);
        Rgba(p, 1, k.bottom);
        RoundRect(cr, k.r, 5);
        cairo_set_source(cr, p);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
        RoundRect(cr, k.r, 5);
        cairo_set_source_rgba(cr, 0, 0, 0, 1);
        cairo_stroke(cr);
        pango_layout_set_text(layout, k.text8.c_str(), int(k.text8.size()));
        PangoRectangle log;
        pango_layout_get_extents(layout, nullptr, &log);
        cairo_move_to(cr, k.r.Left + (k.r.Width() - log.width / double(PANGO_SCALE)) / 2,
            k.r.Top + (k.r.Height() - log.height / double(PANGO_SCALE)) / 2);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.99);
        pango_cairo_show_layout(cr, layout);
    }
    cairo_surface_flush(cairo_get_target(cr));
}

void BM_SceneThroughTvxCanvas(benchmark::State& state)
{
    const auto cells = MakeScene();
    TvxCanvasCairo c(W, H);
    c.Font().SetFamily("DejaVu Sans");
    c.Font().SetSize(10);
    for (auto _ : state) {
        DrawWithCanvas(c, cells);
        benchmark::DoNotOptimize(c.Buffer());
    }
}

void BM_SceneWithBareCairo(benchmark::State& state)
{
    const auto cells = MakeScene();
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, W, H);
    cairo_t* cr = cairo_create(s);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* d = pango_font_description_from_string("DejaVu Sans");
    pango_font_description_set_absolute_size(d, 10 * PANGO_SCALE);
    pango_layout_set_font_description(layout, d);
    pango_font_description_free(d);
    for (auto _ : state) {
        DrawWithCairo(cr, layout, cells);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(s));
    }
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_destroy(s);
}

BENCHMARK(BM_SceneWithBareCairo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SceneThroughTvxCanvas)->Unit(benchmark::kMillisecond);

// Prints the ratio of the two runs after the usual table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Iteration)
                times_[r.run_name.function_name] = r.GetAdjustedCPUTime();
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const double canvas = times_["BM_SceneThroughTvxCanvas"], bare = times_["BM_SceneWithBareCairo"];
        if (canvas > 0 && bare > 0)
            std::printf("canvas / bare cairo ratio: %.3f (target <= 1.5)\n", canvas / bare);
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
