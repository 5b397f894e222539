// The picture loader: "PNG" bytes from a stored layout or any picture file. A picture that
// decodes must fit the size limits; one that does not must leave the bitmap as it was.
#include "platform/Log.h"
#include "scene/canvas/TvxBitmap.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    hx::SetLogSink([](std::string_view) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    hx::TvxBitmap b(2, 1);
    b.Pixels()[0] = 0xFF102030;
    if (!b.LoadPng({ data, size })) {
        if (b.Width() != 2 || b.Height() != 1 || b.Pixel(0, 0) != 0xFF102030)
            __builtin_trap();
        return 0;
    }
    if (b.Width() > hx::TvxBitmap::MaxSide || int64_t(b.Width()) * b.Height() > hx::TvxBitmap::MaxPixels)
        __builtin_trap();
    // Premultiplied: no channel above its alpha.
    for (int i = 0; i < b.Width() * b.Height() && i < 4096; ++i) {
        const uint32_t p = b.Pixels()[i], a = p >> 24;
        if (((p >> 16) & 0xFF) > a || ((p >> 8) & 0xFF) > a || (p & 0xFF) > a)
            __builtin_trap();
    }
    return 0;
}
