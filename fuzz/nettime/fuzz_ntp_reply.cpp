// Any datagram at all goes through the reply checks and, when it passes, the conversion.
#include "nettime/Fast_net.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The originate time is what the fuzzer chose for bytes 24-31, so that passing replies are reachable.
    uint64_t transmit = 0;
    for (size_t i = 24; i < 32 && i < size; ++i)
        transmit = (transmit << 8) | data[i];
    hx::NtpReplyTime time;
    const char* reason = nullptr;
    if (hx::CheckNtpReply(data, size, transmit, time, reason))
        (void)hx::NtpToLocal(time.seconds, time.fraction);
    return 0;
}
