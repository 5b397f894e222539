// Feeds arbitrary text to the text-form converter. Text it accepts must convert back and
// forth again: binary -> text -> binary gives the same bytes.
#include "platform/Log.h"
#include "scene/ObjectText.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool quiet = (hx::SetLogSink([](std::string_view) {}), true);
    (void)quiet;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<uint8_t> bin;
    if (!hx::ObjectTextToBinary(text, bin))
        return 0;
    std::string back;
    if (!hx::ObjectBinaryToText(bin, back))
        std::abort();
    std::vector<uint8_t> again;
    if (!hx::ObjectTextToBinary(back, again) || again != bin)
        std::abort();
    return 0;
}
