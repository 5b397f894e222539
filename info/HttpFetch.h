// One bounded HTTP GET with libcurl for the fetch worker: it opens the address (the
// reachability check) and reads the reply in the same exchange, under a connect time-out, an
// overall time limit and a size cap, and can be cancelled from another thread at once.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>

namespace hx {

struct HttpLimits {
    // The probe's connect time-out: an address that does not connect in this time is unreachable.
    std::chrono::milliseconds connectTimeout { 500 };
    // Everything of one exchange: name look-up, connect, request, reply.
    std::chrono::milliseconds totalTimeout { 10000 };
    size_t maxBytes = 1024 * 1024;
};

// Lets another thread abort a worker's transfer; Cancel wakes the transfer's wait at once.
class FetchCancel {
public:
    void Cancel();
    bool Cancelled() const { return cancelled_.load(); }

    // Used by the transfer itself: the wait handle to wake, or null when none is running.
    void Attach(void* multi);
    void Detach();

private:
    std::atomic<bool> cancelled_ { false };
    std::mutex mutex_;
    void* multi_ = nullptr;
};

enum class HttpOutcome {
    Ok, // a reply came back whole (any status)
    Unreachable, // no reply headers: no connection, no name, time-out before the headers
    Failed, // the headers came but the reply did not (lost connection, time-out, too large)
    Cancelled,
};

struct HttpReply {
    HttpOutcome outcome = HttpOutcome::Unreachable;
    long status = 0;
    std::string contentType;
    std::string body;
    std::string error;
};

// The agent name the program sends.
inline constexpr const char* HttpAgent = "Internet Explorer 7.0";

HttpReply HttpGet(const std::string& url, const HttpLimits& limits = {}, FetchCancel* cancel = nullptr);

// True when the address can be opened: the request goes out and the reply's headers come back.
// The body is not read.
bool CheckUrl(const std::string& url, const HttpLimits& limits = {}, FetchCancel* cancel = nullptr);

// Percent-encodes every byte but the unreserved ASCII ones, for a query value.
std::string UrlEscape(const std::string& text);

} // namespace hx
