// The clock window's time correction without blocking it: the exchange runs on a thread of
// its own and the result is applied on the UI thread through IPlatform::Post, so the face
// keeps ticking while the server is slow or silent. One correction runs at a time.
#pragma once

#include "nettime/Clock_Time.h"
#include "platform/Platform.h"

#include <chrono>
#include <mutex>
#include <string>
#include <thread>

namespace hx {

class NetTimeSync {
public:
    NetTimeSync() = default;
    ~NetTimeSync() { Stop(); }
    NetTimeSync(const NetTimeSync&) = delete;
    NetTimeSync& operator=(const NetTimeSync&) = delete;

    // Starts a correction unless one is still running or one succeeded less than
    // `minInterval` ago (a public pool must not be asked sixty times in one minute).
    // Returns whether a query was started. Call on the UI thread.
    bool Start(IPlatform& platform, const std::string& server = "");
    // Cancels a running query and waits for its thread (at most one wait slice, ~50 ms).
    void Stop();
    bool Running() const;

    std::chrono::milliseconds minInterval { std::chrono::minutes(10) };
    std::chrono::milliseconds bound { kNetTimeBound };

private:
    mutable std::mutex mutex_;
    std::jthread worker_;
    bool running_ = false;
    bool haveSuccess_ = false;
    std::chrono::steady_clock::time_point lastSuccess_ {};
};

// The program's one instance, for the clock window's show handler and its hourly tick.
bool SyncClockAsync(IPlatform& platform);
// At exit, before the platform goes away.
void StopClockSync();

} // namespace hx
