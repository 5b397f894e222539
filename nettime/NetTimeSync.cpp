#include "nettime/NetTimeSync.h"

#include "nettime/Clock_Time.h"

namespace hx {

bool NetTimeSync::Start(IPlatform& platform, const std::string& server)
{
    std::lock_guard lock(mutex_);
    if (running_)
        return false;
    if (haveSuccess_ && std::chrono::steady_clock::now() - lastSuccess_ < minInterval)
        return false;
    if (worker_.joinable())
        worker_.join(); // the previous query has finished; only its thread remains
    running_ = true;
    const auto limit = bound;
    worker_ = std::jthread([this, &platform, server, limit](std::stop_token stop) {
        const auto result = QueryNetInstant(server, limit, stop);
        {
            std::lock_guard lock(mutex_);
            running_ = false;
            if (result) {
                haveSuccess_ = true;
                lastSuccess_ = result->received;
            }
        }
        if (!result || stop.stop_requested())
            return;
        const NetTime time = *result;
        platform.Post([&platform, time] {
            // The hand-over takes a moment; the server's time has moved on by as much.
            const auto late = std::chrono::steady_clock::now() - time.received;
            platform.SystemClock().SetTime(time.instant + std::chrono::duration_cast<SystemTimePoint::duration>(late));
        });
    });
    return true;
}

void NetTimeSync::Stop()
{
    std::jthread worker;
    {
        std::lock_guard lock(mutex_);
        worker = std::move(worker_);
    }
    if (worker.joinable()) {
        worker.request_stop();
        worker.join();
    }
}

bool NetTimeSync::Running() const
{
    std::lock_guard lock(mutex_);
    return running_;
}

namespace {
    NetTimeSync& Instance()
    {
        static NetTimeSync sync;
        return sync;
    }
} // namespace

bool SyncClockAsync(IPlatform& platform) { return Instance().Start(platform); }

void StopClockSync() { Instance().Stop(); }

} // namespace hx
