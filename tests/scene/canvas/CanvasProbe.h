// Pixel probes for canvas tests: exact in flat areas, a tolerance near anti-aliased edges.
#pragma once

#include "scene/canvas/TvxCanvasCairo.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

namespace hx::test {

inline int Channel(uint32_t p, int shift) { return int((p >> shift) & 0xFF); }

inline ::testing::AssertionResult Near(uint32_t got, uint32_t want, int tol)
{
    for (int s = 0; s < 32; s += 8) {
        if (std::abs(Channel(got, s) - Channel(want, s)) > tol) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "pixel %08X, wanted %08X (+-%d)", got, want, tol);
            return ::testing::AssertionFailure() << buf;
        }
    }
    return ::testing::AssertionSuccess();
}

inline uint32_t Alpha(TvxCanvasCairo& c, int x, int y) { return c.Pixel(x, y) >> 24; }

} // namespace hx::test
