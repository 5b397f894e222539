// Renders the clock face for one tick into a frame it keeps, reusing from earlier ticks
// every piece whose pixels cannot have changed. The result matches RenderClockFaceNaive
// within rounding (±2 per channel); docs/clock-face.md says how and why.
#pragma once

#include "app/ClockFaceNaive.h"
#include "platform/LayeredWindow.h"
#include "platform/cairo/CairoPtr.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace hx {

struct ClockFaceFrame {
    const uint8_t* pixels = nullptr; // premultiplied ARGB32, rows top-down
    int width = 0, height = 0, stride = 0;
    cairo_surface_t* surface = nullptr; // the same pixels, owned by the renderer
    // Where this frame may differ from the frame the renderer returned before it: empty when
    // nothing changed; the whole frame for the first one and after a change of size or
    // colours. Exactly what ILayeredWindow::Push takes as `changed`, as long as every frame of
    // this renderer goes to that one window.
    PixelBox changed;
};

// The face as placed pieces (tiles) instead of pixels: what a window that composes frames
// from kept pieces needs. The pointers stay valid until the renderer's next call.
struct ClockFaceArrangement {
    int width = 0, height = 0;
    uint32_t startColor = 0, endColor = 0;
    std::vector<PiecePlacement> placements;
    // Where the face may differ from the last arrangement; the whole face for the first one
    // and after a change of size or colours.
    PixelBox changed;
};

struct ClockFaceCacheStats {
    size_t tiles = 0, bytes = 0;
    uint64_t hits = 0, misses = 0;
};

// Create and use it on one thread (the UI thread): it holds Pango objects of that thread's
// font map.
class ClockFaceRenderer {
public:
    // cacheBudgetBytes bounds the kept pieces (0: the default, 8 MiB); the oldest go first.
    explicit ClockFaceRenderer(size_t cacheBudgetBytes = 0);
    ~ClockFaceRenderer();
    ClockFaceRenderer(const ClockFaceRenderer&) = delete;
    ClockFaceRenderer& operator=(const ClockFaceRenderer&) = delete;

    // The frame stays valid until the next call. Any change of the input shows at once:
    // whatever is reused is keyed by everything that decides its pixels.
    ClockFaceFrame Render(const ClockFaceInput& input);

    // The same face as Render, described by its pieces; nothing is drawn into the kept frame.
    // False when the face takes the plain way (a glyph no font has, a face of straight lines,
    // strokes cut by the right edge): then Render it.
    // `shown` false: a face drawn ahead (the warm-up), which the next box is not measured from.
    bool Arrange(const ClockFaceInput& input, ClockFaceArrangement& out, bool shown = true);
    // The next Arrange's box is then the whole face (its window showed something else).
    void ForgetArrangement();

    ClockFaceCacheStats CacheStats() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace hx
