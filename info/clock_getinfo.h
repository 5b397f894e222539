// TgetInfo, the fetch worker: one run gathers today's weather for a city, today's horoscope
// for a star sign and today's almanac text, publishes them in an InfoStore and, when the run
// got to its end, posts the completion callback to the UI thread.
#pragma once

#include "info/Almanac.h"
#include "info/HttpFetch.h"
#include "info/InfoRecords.h"

#include <functional>
#include <string>

namespace hx {

class IPlatform;

// What a run talks to. FromEnvironment gives the program's: hosts from the environment or
// the defaults, production time limits, the bound almanac library, the program-wide store.
struct InfoConfig {
    std::string weatherBase;
    std::string astroBase;
    HttpLimits limits;
    AlmanacOutPutFn almanac = nullptr;
    InfoStore* store = nullptr;

    static InfoConfig FromEnvironment();
};

// Replies this short are not parsed: their record keeps its values.
inline constexpr size_t MinParsedReply = 31;

class TgetInfo {
public:
    // city and astro are the worker's own copies, taken by the starter.
    TgetInfo(IPlatform& platform, const InfoConfig& config, std::string city, std::string astro,
        std::function<void()> onFinished, FetchCancel& cancel);

    // The thread body. Returns true when the run got to its end and posted onFinished; an
    // unreachable address, a failed request, an unusable weather reply or a cancel end it
    // early without posting.
    bool Execute();

private:
    // Fills FReplyText with the decoded reply. False ends the run. parse tells whether the
    // reply is worth parsing (long enough, a success status).
    bool Request(const std::string& url, const char* what, bool& parse);

    IPlatform& platform_;
    const InfoConfig& config_;
    std::string city_;
    std::string astro_;
    std::function<void()> onFinished_;
    FetchCancel& cancel_;

    // The reply text of the request in progress, UTF-8.
    std::string FReplyText;
};

} // namespace hx
