// Starts fetch workers and keeps track of them, so that none outlives the program's state:
// StopAll (also run by the destructor) cancels the running transfers and joins every worker.
#pragma once

#include "info/clock_getinfo.h"

#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>

namespace hx {

class IPlatform;

class InfoWorkers {
public:
    // onFinished is posted to the UI thread by every run that gets to its end.
    InfoWorkers(
        IPlatform& platform, std::function<void()> onFinished, InfoConfig config = InfoConfig::FromEnvironment());
    ~InfoWorkers();
    InfoWorkers(const InfoWorkers&) = delete;
    InfoWorkers& operator=(const InfoWorkers&) = delete;

    // Starts one run with copies of city and astro; workers that have ended are joined here.
    // Does nothing after StopAll.
    void Start(const std::string& city, const std::string& astro);
    // Cancels every running worker and waits for them; their transfers stop at once.
    void StopAll();
    // Workers started and not yet joined.
    size_t Count() const;

private:
    struct Worker;
    void ReapLocked();

    IPlatform& platform_;
    std::function<void()> onFinished_;
    const InfoConfig config_;
    mutable std::mutex mutex_;
    std::list<std::unique_ptr<Worker>> workers_;
    bool stopped_ = false;
};

} // namespace hx
