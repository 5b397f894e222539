// The SNTP datagrams: the client request that carries a random transmit time, the checks a
// reply must pass before its time is believed, and the conversion of an NTP timestamp to an
// instant and to the shared local date-time.
#pragma once

#include "platform/DateTime.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace hx {

inline constexpr size_t kNtpPacketSize = 48;
using NtpPacket = std::array<uint8_t, kNtpPacketSize>;

// Version 3, client mode, with `transmit` (seconds in the high word) in bytes 40-47; a
// server echoes it in the originate field, which is how its reply is told from a forgery.
NtpPacket BuildNtpRequest(uint64_t transmit);

// A fresh random transmit value, never 0.
uint64_t RandomNtpTransmit();

struct NtpReplyTime {
    uint32_t seconds = 0;
    uint32_t fraction = 0;
};

// Checks one received datagram against the request that carried `transmit`: at least 48
// bytes, mode 4 (server), leap indicator not 3 (unsynchronised), stratum 1..15, a non-zero
// transmit time and the originate time equal to ours. On success fills `time`; otherwise
// `reason` names the first failed check.
bool CheckNtpReply(const uint8_t* data, size_t size, uint64_t transmit, NtpReplyTime& time, const char*& reason);

// NTP seconds below 2^31 are read as era 1 (from 2036-02-07), the rest as era 0 (from 1900).
// The fraction is cut to whole milliseconds (0xFFFFFFFF gives 999).
SystemTimePoint NtpToInstant(uint32_t seconds, uint32_t fraction);
// The same moment as local date-time, with the zone's real offset at that instant.
double NtpToLocal(uint32_t seconds, uint32_t fraction);

} // namespace hx
