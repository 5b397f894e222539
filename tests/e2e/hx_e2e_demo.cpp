// A stand-in clock for the GTK backend's end-to-end tests: a layered window at the clock's
// first-start place with a test frame (opaque body, faint halo, transparent right strip)
// pushed from a pacing thread through Invoke, the program's seven menu captions, a drag on
// the left button, and an exit (menu or signal) that writes the position the way the program
// does. It exercises the backend alone, before and besides the real program.
#include "platform/Log.h"
#include "platform/gtk/GtkPlatform.h"

#include <atomic>
#include <cairo.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

constexpr int kWidth = 280, kHeight = 60, kBody = 200, kHalo = 10;

void DrawFrame(cairo_surface_t* s, int phase)
{
    cairo_t* cr = cairo_create(s);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, 0, 0, 0, 0);
    cairo_paint(cr);
    // The halo: barely visible, yet it must take the mouse (alpha > 0, far below 128).
    cairo_set_source_rgba(cr, 0, 0, 0, 10 / 255.0);
    cairo_rectangle(cr, 0, 0, kBody, kHeight);
    cairo_fill(cr);
    cairo_pattern_t* g = cairo_pattern_create_linear(kHalo, 0, kBody - kHalo, 0);
    cairo_pattern_add_color_stop_rgba(g, 0, 1, phase % 2 ? 0.5 : 0, 0, 1);
    cairo_pattern_add_color_stop_rgba(g, 1, 1, 1, 0, 1);
    cairo_set_source(cr, g);
    cairo_rectangle(cr, kHalo, kHalo, kBody - 2 * kHalo, kHeight - 2 * kHalo);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    cairo_destroy(cr);
    cairo_surface_flush(s);
}

void SavePosition(hx::IPlatform& platform, const hx::ILayeredWindow& window)
{
    const std::filesystem::path dir = platform.ConfigDir();
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    // The same value form as the program's settings file, so one reader checks both.
    char text[96];
    std::snprintf(text, sizeof text, "\"Frmtop\"=dword:%08x\n\"FrmLeft\"=dword:%08x\n",
        static_cast<unsigned>(window.Top()), static_cast<unsigned>(window.Left()));
    std::ofstream(dir / "demo.conf") << text;
    hx::Log("demo: saved " + std::to_string(window.Left()) + "," + std::to_string(window.Top()));
}

} // namespace

int main(int argc, char** argv)
{
    auto platform = hx::CreateGtkPlatform(argc, argv);
    if (!platform)
        return 1;
    auto window = platform->CreateLayeredWindow("Horalux");
    auto menu = platform->CreateContextMenu();
    const hx::WorkArea area = platform->GetWorkArea();
    window->SetPosition(area.width - 280, 30);

    bool exiting = false;
    auto exitProgram = [&] {
        if (exiting)
            return;
        exiting = true;
        SavePosition(*platform, *window);
        platform->Quit();
    };
    std::vector<hx::MenuItem> items;
    for (const char* caption : { "显示天气", "星座运势", "黄历信息", "定时任务", "设置...", "查看更新", "退出程序" })
        items.push_back({ caption, false, false, {} });
    items[3].checkable = true;
    items[6].onClick = exitProgram;
    menu->SetItems(std::move(items));
    platform->OnSessionEnd = exitProgram;

    window->OnMouseDown = [&](const hx::MouseEvent& e) {
        if (e.button == 1)
            window->BeginMove(e);
    };
    window->OnContextMenu = [&](const hx::MouseEvent& e) { menu->Popup(e); };
    window->OnDoubleClick = [&](const hx::MouseEvent&) { hx::Log("demo: double click"); };

    cairo_surface_t* frame = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
    int phase = 0;
    auto tick = [&] {
        DrawFrame(frame, phase++);
        window->Push(cairo_image_surface_get_data(frame), kWidth, kHeight, cairo_image_surface_get_stride(frame), 200);
    };
    window->Show();

    std::atomic<bool> stop { false };
    std::thread pacer([&] {
        while (!stop) {
            std::this_thread::sleep_for(std::chrono::milliseconds(900));
            if (stop || !platform->Invoke(tick))
                break;
        }
    });
    platform->Run();
    stop = true;
    pacer.join();
    menu.reset();
    window.reset();
    cairo_surface_destroy(frame);
    return 0;
}
