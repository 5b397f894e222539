#include "nettime/Fast_net.h"

#include <ctime>
#include <random>

namespace hx {
namespace {

    uint32_t ReadBE32(const uint8_t* p)
    {
        return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
    }

    uint64_t ReadBE64(const uint8_t* p) { return (uint64_t(ReadBE32(p)) << 32) | ReadBE32(p + 4); }

    constexpr int64_t kNtpToUnixSeconds = 2208988800; // 1900-01-01 .. 1970-01-01
    constexpr int64_t kNtpEraSeconds = int64_t(1) << 32;

} // namespace

NtpPacket BuildNtpRequest(uint64_t transmit)
{
    NtpPacket p {};
    p[0] = 0x1B; // leap indicator 0, version 3, mode 3 (client)
    for (int i = 0; i < 8; ++i)
        p[40 + i] = static_cast<uint8_t>(transmit >> (56 - 8 * i));
    return p;
}

uint64_t RandomNtpTransmit()
{
    // Straight from the system's random source: a forger off the path must not be able to
    // guess it from earlier requests, as it could with a seeded generator's outputs.
    std::random_device rd;
    uint64_t v = 0;
    while (v == 0)
        v = (uint64_t(rd()) << 32) ^ rd();
    return v;
}

bool CheckNtpReply(const uint8_t* data, size_t size, uint64_t transmit, NtpReplyTime& time, const char*& reason)
{
    if (!data || size < kNtpPacketSize) {
        reason = "shorter than 48 bytes";
        return false;
    }
    const unsigned leap = data[0] >> 6;
    const unsigned mode = data[0] & 7;
    const unsigned stratum = data[1];
    if (mode != 4) {
        reason = "not a server reply (mode is not 4)";
        return false;
    }
    if (leap == 3) {
        reason = "server unsynchronised (leap indicator 3)";
        return false;
    }
    if (stratum < 1 || stratum > 15) {
        reason = "stratum outside 1..15";
        return false;
    }
    if (ReadBE64(data + 40) == 0) {
        reason = "transmit time is 0";
        return false;
    }
    if (ReadBE64(data + 24) != transmit) {
        reason = "originate time does not match our request";
        return false;
    }
    time.seconds = ReadBE32(data + 40);
    time.fraction = ReadBE32(data + 44);
    return true;
}

SystemTimePoint NtpToInstant(uint32_t seconds, uint32_t fraction)
{
    int64_t ntp = seconds;
    if (seconds < 0x80000000u)
        ntp += kNtpEraSeconds;
    const int64_t unixSeconds = ntp - kNtpToUnixSeconds;
    const int64_t ms = static_cast<int64_t>((uint64_t(fraction) * 1000) >> 32);
    return SystemTimePoint(std::chrono::seconds(unixSeconds) + std::chrono::milliseconds(ms));
}

double NtpToLocal(uint32_t seconds, uint32_t fraction)
{
    // localtime_r does not look at the zone again by itself; the user may have changed it
    // since start, and the correction must use the zone in force now.
    tzset();
    return ToDateTime(NtpToInstant(seconds, fraction));
}

} // namespace hx
