// Any page bytes, decoded as the worker decodes them, then taken apart as a horoscope page.
#include "info/ParseAstro.h"
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
    std::string page = hx::DecodeReply(bytes, "");
    hx::TastroRec rec = hx::ParseAstro(page);
    // Cut texts come out of the page: they can never be longer than it.
    if (rec.Summary.size() > page.size() || rec.OverallStars != rec.LoveStars || rec.LoveStars < 0)
        __builtin_trap();
    return 0;
}
