#include "info/InfoWorkers.h"

#include "platform/Log.h"

#include <atomic>
#include <thread>

namespace hx {

struct InfoWorkers::Worker {
    FetchCancel cancel;
    std::atomic<bool> done { false };
    std::thread thread;
};

InfoWorkers::InfoWorkers(IPlatform& platform, std::function<void()> onFinished, InfoConfig config)
    : platform_(platform)
    , onFinished_(std::move(onFinished))
    , config_(std::move(config))
{
}

InfoWorkers::~InfoWorkers() { StopAll(); }

void InfoWorkers::Start(const std::string& city, const std::string& astro)
{
    std::lock_guard lock(mutex_);
    if (stopped_)
        return;
    ReapLocked();
    auto worker = std::make_unique<Worker>();
    Worker* w = worker.get();
    try {
        w->thread = std::thread([this, w, city, astro] {
            try {
                TgetInfo(platform_, config_, city, astro, onFinished_, w->cancel).Execute();
            } catch (const std::exception& e) {
                // Out of memory on a huge reply and the like: this run is lost, the program is not.
                Log(std::string("fetch worker stopped: ") + e.what());
            }
            w->done.store(true);
        });
    } catch (const std::system_error& e) {
        Log(std::string("fetch worker could not be started: ") + e.what());
        return;
    }
    workers_.push_back(std::move(worker));
}

void InfoWorkers::StopAll()
{
    std::list<std::unique_ptr<Worker>> workers;
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        workers.swap(workers_);
    }
    for (auto& w : workers)
        w->cancel.Cancel();
    for (auto& w : workers)
        if (w->thread.joinable())
            w->thread.join();
}

size_t InfoWorkers::Count() const
{
    std::lock_guard lock(mutex_);
    return workers_.size();
}

void InfoWorkers::ReapLocked()
{
    for (auto it = workers_.begin(); it != workers_.end();) {
        if ((*it)->done.load()) {
            (*it)->thread.join();
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace hx
