// Any date and any identification string: the text is either empty or holds exactly the
// eleven fields, starting with 农历:, whatever bytes the ident carries.
#include "almanac/Almanac.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 12)
        return 0;
    int v[3];
    std::memcpy(v, data, sizeof v);
    // Mostly dates near the covered range, sometimes raw integers.
    const bool raw = data[0] & 1;
    const int year = raw ? v[0] : 1890 + static_cast<int>(static_cast<unsigned>(v[0]) % 230);
    const int month = raw ? v[1] : static_cast<int>(static_cast<unsigned>(v[1]) % 14);
    const int day = raw ? v[2] : static_cast<int>(static_cast<unsigned>(v[2]) % 33);
    const std::string ident(reinterpret_cast<const char*>(data + 12), size - 12);
    const char* text = AlmanacOutPut(size == 12 ? nullptr : ident.c_str(), year, month, day);
    if (!text)
        std::abort();
    if (*text) {
        if (std::strncmp(text, "农历:", std::strlen("农历:")) != 0)
            std::abort();
        int slashes = 0;
        for (const char* p = text; *p; ++p) {
            slashes += *p == '/';
            if (*p == '\r' || *p == '\n')
                std::abort();
        }
        if (slashes != 10)
            std::abort();
    }
    return 0;
}
