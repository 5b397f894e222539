// Any reply bytes, decoded as the worker decodes them, then read as a weather reply.
#include "info/ParseWeather.h"
#include "info/TextDecode.h"
#include "platform/Log.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    hx::SetLogSink([](std::string_view) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    hx::TweatherRec rec;
    int assigned = hx::ParseWeather(hx::DecodeReply(bytes, ""), rec);
    if (assigned < 0 || assigned > hx::WeatherFieldCount)
        __builtin_trap();
    return 0;
}
