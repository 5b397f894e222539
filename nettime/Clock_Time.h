// One SNTP exchange with the time server and the correction of the machine's clock from it.
// The exchange is bounded (about 1.5 s from start, name lookup included) and believes only
// a reply that passes the checks of Fast_net.h and comes from the server's address and port.
#pragma once

#include "platform/DateTime.h"
#include "platform/SystemClock.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>

namespace hx {

inline constexpr const char* kDefaultNtpServer = "pool.ntp.org";
inline constexpr uint16_t kNtpPort = 123;
inline constexpr std::chrono::milliseconds kNetTimeBound { 1500 };

struct NtpServer {
    std::string host;
    uint16_t port = kNtpPort;
};

// "host" or "host:port"; an empty text gives $HORALUX_NTP_SERVER, else kDefaultNtpServer.
// nullopt (and a log line) for a port that is not 1..65535.
std::optional<NtpServer> ParseNtpServer(const std::string& text);

struct NetTime {
    SystemTimePoint instant; // the server's transmit time
    std::chrono::steady_clock::time_point received; // when its reply arrived here
};

// The exchange: nullopt when it failed, ran out of time or was stopped.
std::optional<NetTime> QueryNetInstant(
    const std::string& server, std::chrono::milliseconds bound = kNetTimeBound, std::stop_token stop = {});

// The server's time as local date-time, or 0 when the query failed. Blocks its caller for at
// most the bound; the clock window uses SyncClockAsync (NetTimeSync.h) instead.
double QueryNetTime(const std::string& server = "");

// Sets the machine's clock to the local date-time `value`; 0 does nothing. Returns whether
// the clock was set (a refusal has already been logged by the clock service).
bool ApplyNetTime(double value, ISystemClock& clock);

} // namespace hx
