// Horalux's entry point: picks the real desktop and runs the program until "退出程序" or the
// end of the session.
#include "app/Horalux_main.h"
#include "info/InfoWorkers.h"
#include "nettime/NetTimeSync.h"
#include "platform/Log.h"
#include "platform/gtk/GtkPlatform.h"

#include <clocale>

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    auto platform = hx::CreateGtkPlatform(argc, argv);
    if (!platform)
        return 1;
    {
        std::unique_ptr<hx::HoraluxApp> app;
        hx::InfoWorkers workers(*platform, [&app] {
            if (app)
                app->Clock().OnInfoArrived();
        });
        hx::ClockServices services;
        services.StartFetch = [&workers] { workers.Start(hx::Settings().City, hx::Settings().Astro); };
        services.SyncTime = [&platform] { hx::SyncClockAsync(*platform); };
        services.StopAll = [&workers] {
            workers.StopAll();
            hx::StopClockSync();
        };
        app = std::make_unique<hx::HoraluxApp>(*platform, services);
        app->Run();
        app.reset();
    }
    hx::Log("exit");
    return 0;
}
