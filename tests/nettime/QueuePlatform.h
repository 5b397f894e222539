// A stand-in desktop for the time-sync tests and benchmark: Post queues work that the test's
// thread (the "UI thread") runs with RunPending or WaitAndRun; the clock service records calls.
// Everything else is inert.
#pragma once

#include "platform/Platform.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

namespace hx::test {

class RecordingSystemClock final : public ISystemClock {
public:
    bool SetTime(SystemTimePoint t) override
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(t);
        return true;
    }
    std::vector<SystemTimePoint> Calls() const
    {
        std::lock_guard lock(mutex_);
        return calls_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<SystemTimePoint> calls_;
};

class InertPower final : public IPower {
public:
    bool PowerOff() override { return false; }
    bool Reboot() override { return false; }
    bool Suspend() override { return false; }
    bool MonitorOff() override { return false; }
};

class QueuePlatform final : public IPlatform {
public:
    SystemTimePoint Now() override { return std::chrono::system_clock::now(); }
    void Post(std::function<void()> fn) override
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(fn));
        cv_.notify_all();
    }
    bool Invoke(std::function<void()>) override { return false; }
    TimerId StartTimer(unsigned, std::function<void()>) override { return 0; }
    void StopTimer(TimerId) override { }
    void Run() override { }
    void Quit() override { }
    WorkArea GetWorkArea() override { return {}; }
    std::unique_ptr<ILayeredWindow> CreateLayeredWindow(const std::string&) override { return nullptr; }
    std::unique_ptr<IContextMenu> CreateContextMenu() override { return nullptr; }
    void OpenUrl(const std::string&) override { }
    LongTimeFormat GetLongTimeFormat() override { return {}; }
    IPower& Power() override { return power_; }
    ISystemClock& SystemClock() override { return clock_; }
    std::string ConfigDir() override { return {}; }

    // Waits up to `timeout` for posted work, then runs all that is queued; returns how many ran.
    int WaitAndRun(std::chrono::milliseconds timeout)
    {
        std::deque<std::function<void()>> work;
        {
            std::unique_lock lock(mutex_);
            cv_.wait_for(lock, timeout, [this] { return !queue_.empty(); });
            work.swap(queue_);
        }
        for (auto& fn : work)
            fn();
        return static_cast<int>(work.size());
    }

    RecordingSystemClock& Clock() { return clock_; }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> queue_;
    InertPower power_;
    RecordingSystemClock clock_;
};

} // namespace hx::test
