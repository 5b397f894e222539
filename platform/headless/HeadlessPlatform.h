// The deterministic desktop used by tests: a settable clock that drives the timers,
// a post queue drained on the test's thread (the "UI thread"), in-memory windows whose
// last pushed pixels can be read, scripted menus, and recorded shell, power and time calls.
#pragma once

#include "platform/Platform.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

namespace hx::headless {

class HeadlessPlatform;

class HeadlessWindow final : public ILayeredWindow {
public:
    HeadlessWindow(HeadlessPlatform* owner, std::string title)
        : owner_(owner)
        , title_(std::move(title))
    {
    }
    ~HeadlessWindow() override;

    void SetPosition(int left, int top) override;
    int Left() const override { return left_; }
    int Top() const override { return top_; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void Show() override { showing_ = true; }
    void Hide() override { showing_ = false; }
    bool IsShowing() const override { return showing_; }
    void Push(const uint8_t* pixels, int width, int height, int stride, uint8_t constantAlpha) override;
    // Takes the promise at its word and copies the box only, as a real window would: a wrong
    // box then shows as wrong pixels.
    void Push(const uint8_t* pixels, int width, int height, int stride, uint8_t constantAlpha,
        const PixelBox* changed) override;
    void BeginMove(const MouseEvent& from) override;

    const std::string& Title() const { return title_; }
    int PushCount() const { return pushes_; }
    uint8_t ConstantAlpha() const { return constantAlpha_; }
    // The last pushed pixel, premultiplied ARGB; 0 outside the buffer.
    uint32_t PixelAt(int x, int y) const;
    // Whether a click at (x, y) would reach the window (alpha > 0, as on the desktop).
    bool HitTest(int x, int y) const { return (PixelAt(x, y) >> 24) != 0; }
    int MoveRequests() const { return moveRequests_; }

    // Scripted input. A drag delivered by the window manager after BeginMove: moves the window.
    void SimulateMouseMove(int x, int y, bool leftDown = false);
    void SimulateMouseDown(int x, int y, int button = 1);
    void SimulateDoubleClick(int x, int y);
    void SimulateRightClick(int x, int y);
    void SimulateWindowManagerMove(int dx, int dy);

private:
    friend class HeadlessPlatform;
    MouseEvent Event(int x, int y, int button) const;

    HeadlessPlatform* owner_;
    std::string title_;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool showing_ = false;
    int pushes_ = 0;
    uint8_t constantAlpha_ = 255;
    std::vector<uint32_t> pixels_;
    int moveRequests_ = 0;
    bool moving_ = false;
};

class HeadlessMenu final : public IContextMenu {
public:
    explicit HeadlessMenu(HeadlessPlatform* owner)
        : owner_(owner)
    {
    }
    ~HeadlessMenu() override;
    void SetItems(std::vector<MenuItem> items) override { items_ = std::move(items); }
    void SetChecked(int index, bool checked) override;
    bool IsChecked(int index) const override;
    void Popup(const MouseEvent& at) override;

    const std::vector<MenuItem>& Items() const { return items_; }
    bool IsOpen() const { return open_; }
    // Chooses item `index` of the open menu, as a user's click does; the menu closes first.
    void Choose(int index);

private:
    friend class HeadlessPlatform;
    HeadlessPlatform* owner_;
    std::vector<MenuItem> items_;
    bool open_ = false;
};

class RecordingPower final : public IPower {
public:
    bool PowerOff() override { return Record("PowerOff"); }
    bool Reboot() override { return Record("Reboot"); }
    bool Suspend() override { return Record("Suspend"); }
    bool MonitorOff() override { return Record("MonitorOff"); }

    std::vector<std::string> Calls() const;
    void SetResult(bool accepted) { result_ = accepted; }

private:
    bool Record(const char* name);
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    bool result_ = true;
};

class RecordingSystemClock final : public ISystemClock {
public:
    bool SetTime(SystemTimePoint t) override;
    std::vector<SystemTimePoint> Calls() const;
    void SetResult(bool accepted) { result_ = accepted; }

private:
    mutable std::mutex mutex_;
    std::vector<SystemTimePoint> calls_;
    bool result_ = true;
};

class HeadlessPlatform final : public IPlatform {
public:
    HeadlessPlatform();
    ~HeadlessPlatform() override;

    SystemTimePoint Now() override;
    void Post(std::function<void()> fn) override;
    bool Invoke(std::function<void()> fn) override;
    TimerId StartTimer(unsigned intervalMs, std::function<void()> fn) override;
    void StopTimer(TimerId id) override;
    // Run processes posted work (and Invoke hand-overs) as they arrive until Quit; the clock
    // does not move by itself: tests move it with Advance.
    void Run() override;
    void Quit() override;
    WorkArea GetWorkArea() override { return workArea_; }
    std::unique_ptr<ILayeredWindow> CreateLayeredWindow(const std::string& title) override;
    std::unique_ptr<IContextMenu> CreateContextMenu() override;
    void OpenUrl(const std::string& url) override;
    LongTimeFormat GetLongTimeFormat() override { return timeFormat_; }
    IPower& Power() override { return power_; }
    ISystemClock& SystemClock() override { return systemClock_; }
    std::string ConfigDir() override { return configDir_; }

    // --- test controls (call them on the test's thread, which is the UI thread) ---
    void SetNow(SystemTimePoint t);
    void SetLocalNow(int year, int month, int day, int hour, int minute, int second, int ms = 0);
    // Moves the clock forward, firing every timer whose moment passes, in time order, and
    // running posted work after each step.
    void Advance(std::chrono::milliseconds by);
    // Runs the posted work and hand-overs that are waiting; returns how many ran.
    int RunPending();
    // Waits (up to `timeout`, real time) until some work is posted, then runs it.
    bool WaitAndRunPending(std::chrono::milliseconds timeout);
    bool Quitting() const;

    void SetWorkArea(WorkArea area) { workArea_ = area; }
    void SetTimeFormat(LongTimeFormat f) { timeFormat_ = std::move(f); }
    void SetConfigDir(std::string dir) { configDir_ = std::move(dir); }
    std::vector<std::string> OpenedUrls() const { return urls_; }
    RecordingPower& Recorder() { return power_; }
    RecordingSystemClock& ClockRecorder() { return systemClock_; }
    // The windows and menus created so far, in order of creation (owned by their creators).
    const std::vector<HeadlessWindow*>& Windows() const { return windows_; }
    const std::vector<HeadlessMenu*>& Menus() const { return menus_; }

private:
    friend class HeadlessWindow;
    friend class HeadlessMenu;

    struct Timer {
        unsigned interval;
        SystemTimePoint due;
        std::function<void()> fn;
    };

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> queue_;
    bool quitting_ = false;
    SystemTimePoint now_;
    std::map<TimerId, Timer> timers_;
    TimerId nextTimer_ = 1;
    WorkArea workArea_ { 0, 0, 1280, 770 };
    LongTimeFormat timeFormat_;
    std::string configDir_;
    std::vector<std::string> urls_;
    RecordingPower power_;
    RecordingSystemClock systemClock_;
    std::vector<HeadlessWindow*> windows_;
    std::vector<HeadlessMenu*> menus_;
};

} // namespace hx::headless
