// What the clock's structure costs before it draws anything: the same desktop platform, a
// mapped layered window that got one frame, a 1000 ms UI-thread timer with nothing to do, and a
// nice-19 thread that wakes just past every second and hands an empty call to the UI thread.
// The program benchmark runs it beside the clock and xclock, so that the clock's own drawing
// can be told from the price of its loop and threads.
#include "platform/gtk/GtkPlatform.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv)
{
    auto platform = hx::CreateGtkPlatform(argc, argv);
    if (!platform)
        return 1;
    platform->OnSessionEnd = [&] { platform->Quit(); };
    auto window = platform->CreateLayeredWindow("Horalux floor");
    std::vector<uint32_t> pixels(320 * 60, 0xC8000000u);
    window->SetPosition(100, 100);
    window->Show();
    window->Push(reinterpret_cast<const uint8_t*>(pixels.data()), 320, 60, 320 * 4, 200);
    platform->StartTimer(1000, [] {});
    std::atomic<bool> stop { false };
    std::thread pacing([&] {
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
        while (!stop) {
            const auto now = std::chrono::system_clock::now();
            std::this_thread::sleep_until(std::chrono::ceil<std::chrono::seconds>(now + std::chrono::milliseconds(300))
                + std::chrono::milliseconds(2));
            platform->Post([] {});
        }
    });
    platform->Run();
    stop = true;
    pacing.join();
    return 0;
}
