// Captures the program's log for the lifetime of the object, so that a test can check what
// was reported; the default outputs come back when it goes. Safe to feed from any thread.
#pragma once

#include "platform/Log.h"

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace hx::test {

class LogCapture {
public:
    LogCapture()
    {
        SetLogSink([this](std::string_view line) {
            std::lock_guard lock(mutex_);
            lines_.emplace_back(line);
        });
    }
    ~LogCapture() { SetLogSink({}); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> Lines() const
    {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

} // namespace hx::test
