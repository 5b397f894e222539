// The clock window Tfrm_clock, the program's main window: it shows the clock face, owns the
// menu and the one-second timer (task trigger, hourly refresh), handles the fetch worker's
// "information arrived" message, and saves the settings when it is destroyed at exit.
// HoraluxApp creates the four windows in the program's order and tears them down in an
// orderly way; main() only picks the platform.
#pragma once

#include "app/ToolWindows.h"
#include "app/clock_data.h"
#include "app/clock_thd.h"
#include "platform/KeyStore.h"
#include "platform/Platform.h"

#include <functional>
#include <memory>
#include <string>

namespace hx {

// What the clock window starts but does not own the workings of, so that program tests can
// count the starts. The program wires the fetch workers and the network time query in.
struct ClockServices {
    std::function<void()> StartFetch; // one information fetch worker, with copies of City and Astro
    std::function<void()> SyncTime; // one time correction, off the UI thread
    std::function<void()> StopAll; // at exit: cancel and join running workers and queries
};

// The menu positions of PopupMenu1.
enum ClockMenuItem { N1 = 0, N2, N3, N4, N5, N7, N6 };

class Tfrm_clock {
public:
    // The create handler: loads the settings and starts Timer1.
    Tfrm_clock(IPlatform& platform, KeyStore& store, ClockServices services);
    // Stops the pacing thread, then saves the settings with the window's current position.
    ~Tfrm_clock();
    Tfrm_clock(const Tfrm_clock&) = delete;
    Tfrm_clock& operator=(const Tfrm_clock&) = delete;

    void SetToolWindows(Tfrm_content* content, Tfrm_set* set, Tfrm_task* task);

    // The show handler, run once when the loop first shows the window.
    void FormShow();
    void Timer1Timer();
    // Message 8031, posted by a fetch worker that has finished.
    void OnInfoArrived();

    void ShowPage(int page);
    void showNext();
    void OpenHomePage();
    // "退出程序": ends the loop; the windows are destroyed after it.
    void Close();

    ILayeredWindow& Window() { return *window_; }
    IContextMenu& PopupMenu1() { return *menu_; }

private:
    void BuildMenu();
    void HourlyRefresh(const LocalDateTime& now);

    IPlatform& platform_;
    KeyStore& store_;
    ClockServices services_;
    std::unique_ptr<ILayeredWindow> window_;
    std::unique_ptr<IContextMenu> menu_;
    LongTimeFormat format_;
    std::unique_ptr<TshowClock> pacing_;
    TimerId timer1_ = 0;
    // The hour (as days * 24 + hour) whose minute 3 has already refreshed; -1 for none.
    long long refreshedHour_ = -1;
    Tfrm_content* content_ = nullptr;
    Tfrm_set* set_ = nullptr;
    Tfrm_task* task_ = nullptr;
};

class HoraluxApp {
public:
    // Creates the clock window, the info panel, the settings window and the task window, in
    // this order. The settings are stored in platform.ConfigDir()/settings.conf.
    HoraluxApp(IPlatform& platform, ClockServices services);
    // The orderly exit: stops the workers, destroys the tool windows, then the clock window,
    // which saves the settings.
    ~HoraluxApp();

    void Show() { clock_->FormShow(); }
    // Shows the clock window and runs the loop until "退出程序" or the session's end.
    void Run();

    Tfrm_clock& Clock() { return *clock_; }
    Tfrm_content& Content() { return *content_; }

private:
    IPlatform& platform_;
    KeyStore store_;
    ClockServices services_;
    std::unique_ptr<Tfrm_clock> clock_;
    std::unique_ptr<Tfrm_content> content_;
    std::unique_ptr<Tfrm_set> set_;
    std::unique_ptr<Tfrm_task> task_;
};

// The maker's home page; HORALUX_HOME_URL overrides it.
std::string HomePageUrl();

} // namespace hx
