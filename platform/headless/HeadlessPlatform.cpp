#include "platform/headless/HeadlessPlatform.h"

#include <algorithm>
#include <cstring>
#include <future>

namespace hx::headless {

// ---- window ----

HeadlessWindow::~HeadlessWindow()
{
    if (owner_)
        std::erase(owner_->windows_, this);
}

void HeadlessWindow::SetPosition(int left, int top)
{
    left_ = left;
    top_ = top;
}

void HeadlessWindow::Push(const uint8_t* pixels, int width, int height, int stride, uint8_t constantAlpha)
{
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    constantAlpha_ = constantAlpha;
    pixels_.assign(static_cast<size_t>(width_) * height_, 0);
    for (int y = 0; y < height_; ++y)
        std::memcpy(&pixels_[static_cast<size_t>(y) * width_], pixels + static_cast<size_t>(y) * stride,
            static_cast<size_t>(width_) * 4);
    ++pushes_;
}

void HeadlessWindow::Push(
    const uint8_t* pixels, int width, int height, int stride, uint8_t constantAlpha, const PixelBox* changed)
{
    if (!changed || pushes_ == 0 || width != width_ || height != height_ || constantAlpha != constantAlpha_) {
        Push(pixels, width, height, stride, constantAlpha);
        return;
    }
    const int x0 = std::max(changed->x, 0), x1 = std::min(changed->x + changed->width, width_);
    const int y0 = std::max(changed->y, 0), y1 = std::min(changed->y + changed->height, height_);
    for (int y = y0; y < y1 && x0 < x1; ++y)
        std::memcpy(&pixels_[static_cast<size_t>(y) * width_ + x0], pixels + static_cast<size_t>(y) * stride + 4 * x0,
            static_cast<size_t>(x1 - x0) * 4);
    ++pushes_;
}

uint32_t HeadlessWindow::PixelAt(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0;
    return pixels_[static_cast<size_t>(y) * width_ + x];
}

void HeadlessWindow::BeginMove(const MouseEvent&)
{
    ++moveRequests_;
    moving_ = true;
}

MouseEvent HeadlessWindow::Event(int x, int y, int button) const
{
    MouseEvent e;
    e.x = x;
    e.y = y;
    e.rootX = left_ + x;
    e.rootY = top_ + y;
    e.button = button;
    return e;
}

void HeadlessWindow::SimulateMouseMove(int x, int y, bool leftDown)
{
    if (!HitTest(x, y))
        return; // fully transparent pixels let the mouse through
    auto e = Event(x, y, 0);
    e.leftDown = leftDown;
    if (OnMouseMove)
        OnMouseMove(e);
}

void HeadlessWindow::SimulateMouseDown(int x, int y, int button)
{
    if (!HitTest(x, y))
        return;
    if (OnMouseDown)
        OnMouseDown(Event(x, y, button));
}

void HeadlessWindow::SimulateDoubleClick(int x, int y)
{
    if (!HitTest(x, y))
        return;
    if (OnDoubleClick)
        OnDoubleClick(Event(x, y, 1));
}

void HeadlessWindow::SimulateRightClick(int x, int y)
{
    if (!HitTest(x, y))
        return;
    if (OnContextMenu)
        OnContextMenu(Event(x, y, 3));
}

void HeadlessWindow::SimulateWindowManagerMove(int dx, int dy)
{
    if (!moving_)
        return;
    left_ += dx;
    top_ += dy;
    moving_ = false;
}

// ---- menu ----

HeadlessMenu::~HeadlessMenu()
{
    if (owner_)
        std::erase(owner_->menus_, this);
}

void HeadlessMenu::SetChecked(int index, bool checked)
{
    if (index >= 0 && index < static_cast<int>(items_.size()))
        items_[index].checked = checked;
}

bool HeadlessMenu::IsChecked(int index) const
{
    return index >= 0 && index < static_cast<int>(items_.size()) && items_[index].checked;
}

void HeadlessMenu::Popup(const MouseEvent&)
{
    if (OnPopup)
        OnPopup();
    open_ = true;
}

void HeadlessMenu::Choose(int index)
{
    if (!open_ || index < 0 || index >= static_cast<int>(items_.size()))
        return;
    open_ = false;
    auto handler = items_[index].onClick; // the handler may replace the items
    if (handler)
        handler();
}

// ---- recorders ----

bool RecordingPower::Record(const char* name)
{
    std::lock_guard lock(mutex_);
    calls_.emplace_back(name);
    return result_;
}

std::vector<std::string> RecordingPower::Calls() const
{
    std::lock_guard lock(mutex_);
    return calls_;
}

bool RecordingSystemClock::SetTime(SystemTimePoint t)
{
    std::lock_guard lock(mutex_);
    calls_.push_back(t);
    return result_;
}

std::vector<SystemTimePoint> RecordingSystemClock::Calls() const
{
    std::lock_guard lock(mutex_);
    return calls_;
}

// ---- platform ----

HeadlessPlatform::HeadlessPlatform()
    : now_(std::chrono::system_clock::now())
{
}

HeadlessPlatform::~HeadlessPlatform()
{
    Quit();
    for (auto* w : windows_)
        w->owner_ = nullptr;
    for (auto* m : menus_)
        m->owner_ = nullptr;
}

SystemTimePoint HeadlessPlatform::Now()
{
    std::lock_guard lock(mutex_);
    return now_;
}

void HeadlessPlatform::SetNow(SystemTimePoint t)
{
    std::lock_guard lock(mutex_);
    now_ = t;
    for (auto& [id, timer] : timers_)
        timer.due = t + std::chrono::milliseconds(timer.interval);
}

void HeadlessPlatform::SetLocalNow(int year, int month, int day, int hour, int minute, int second, int ms)
{
    LocalDateTime l;
    l.year = year;
    l.month = month;
    l.day = day;
    l.hour = hour;
    l.minute = minute;
    l.second = second;
    l.millisecond = ms;
    SetNow(FromLocal(l));
}

void HeadlessPlatform::Post(std::function<void()> fn)
{
    {
        std::lock_guard lock(mutex_);
        if (quitting_)
            return;
        queue_.push_back(std::move(fn));
    }
    cv_.notify_all();
}

bool HeadlessPlatform::Invoke(std::function<void()> fn)
{
    auto done = std::make_shared<std::promise<bool>>();
    auto result = done->get_future();
    {
        std::lock_guard lock(mutex_);
        if (quitting_)
            return false;
        // The queue holds the only reference, so dropping the queue breaks the promise.
        queue_.push_back([fn = std::move(fn), done = std::move(done)] {
            fn();
            done->set_value(true);
        });
    }
    cv_.notify_all();
    // Quit abandons the queue: the promise is then destroyed unset and get() throws.
    try {
        return result.get();
    } catch (const std::future_error&) {
        return false;
    }
}

TimerId HeadlessPlatform::StartTimer(unsigned intervalMs, std::function<void()> fn)
{
    std::lock_guard lock(mutex_);
    const TimerId id = nextTimer_++;
    timers_[id] = Timer { intervalMs, now_ + std::chrono::milliseconds(intervalMs), std::move(fn) };
    return id;
}

void HeadlessPlatform::StopTimer(TimerId id)
{
    std::lock_guard lock(mutex_);
    timers_.erase(id);
}

int HeadlessPlatform::RunPending()
{
    int ran = 0;
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty())
                return ran;
            fn = std::move(queue_.front());
            queue_.pop_front();
        }
        fn();
        ++ran;
    }
}

bool HeadlessPlatform::WaitAndRunPending(std::chrono::milliseconds timeout)
{
    {
        std::unique_lock lock(mutex_);
        if (!cv_.wait_for(lock, timeout, [this] { return !queue_.empty() || quitting_; }))
            return false;
    }
    return RunPending() > 0;
}

void HeadlessPlatform::Advance(std::chrono::milliseconds by)
{
    SystemTimePoint target;
    {
        std::lock_guard lock(mutex_);
        target = now_ + by;
    }
    RunPending();
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard lock(mutex_);
            auto next = timers_.end();
            for (auto it = timers_.begin(); it != timers_.end(); ++it)
                if (it->second.due <= target && (next == timers_.end() || it->second.due < next->second.due))
                    next = it;
            if (next == timers_.end()) {
                now_ = target;
                break;
            }
            now_ = next->second.due;
            next->second.due += std::chrono::milliseconds(std::max(1u, next->second.interval));
            fn = next->second.fn; // a copy: the callback may stop its own timer
        }
        fn();
        RunPending();
    }
    RunPending();
}

void HeadlessPlatform::Run()
{
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            cv_.wait(lock, [this] { return !queue_.empty() || quitting_; });
            if (quitting_)
                return;
        }
        RunPending();
    }
}

void HeadlessPlatform::Quit()
{
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(mutex_);
        quitting_ = true;
        dropped.swap(queue_);
    }
    cv_.notify_all();
    // `dropped` dies here: hand-overs still waiting in it are released with false.
}

bool HeadlessPlatform::Quitting() const
{
    std::lock_guard lock(mutex_);
    return quitting_;
}

std::unique_ptr<ILayeredWindow> HeadlessPlatform::CreateLayeredWindow(const std::string& title)
{
    auto w = std::make_unique<HeadlessWindow>(this, title);
    windows_.push_back(w.get());
    return w;
}

std::unique_ptr<IContextMenu> HeadlessPlatform::CreateContextMenu()
{
    auto m = std::make_unique<HeadlessMenu>(this);
    menus_.push_back(m.get());
    return m;
}

void HeadlessPlatform::OpenUrl(const std::string& url) { urls_.push_back(url); }

} // namespace hx::headless
