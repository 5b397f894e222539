// A borderless, always-on-top window whose pixels carry their own alpha (the desktop's
// stand-in for a layered window). Input reaches it only where a pushed pixel has alpha > 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace hx {

struct MouseEvent {
    int x = 0, y = 0; // window coordinates
    int rootX = 0, rootY = 0; // screen coordinates
    int button = 0; // 1 left, 2 middle, 3 right; 0 for a plain move
    bool leftDown = false; // left button held during a move
    uint32_t time = 0; // the platform's event time, needed to start a window move
};

// A box of pixels in frame coordinates; empty when width or height is 0.
struct PixelBox {
    int x = 0, y = 0, width = 0, height = 0;
    bool Empty() const { return width <= 0 || height <= 0; }
    bool operator==(const PixelBox&) const = default;
};

// A picture piece placed in a frame: in columns [a, b) the frame shows the piece's colour
// pixels (premultiplied ARGB32) at (x, y), and over them the frame's gradient through the
// piece's coverage (A8) at the same place. Pieces with the same id have the same pixels.
struct PiecePlacement {
    int a = 0, b = 0; // frame columns, end exclusive
    int x = 0, y = 0; // where the piece's top-left pixel lands in the frame
    uint64_t id = 0;
    int width = 0, height = 0;
    const uint8_t* color = nullptr;
    int colorStride = 0;
    const uint8_t* coverage = nullptr;
    int coverageStride = 0;
};

// A frame described by its pieces: transparent, then every placement, under a horizontal
// gradient from startColor at x = 0 to endColor at x = width (0xAARRGGBB, repeating).
// `changed` is where it may differ from the previous pieces frame.
struct PieceFrame {
    int width = 0, height = 0;
    uint32_t startColor = 0, endColor = 0;
    const PiecePlacement* placements = nullptr;
    size_t count = 0;
    PixelBox changed;
};

class ILayeredWindow {
public:
    virtual ~ILayeredWindow() = default;

    virtual void SetPosition(int left, int top) = 0;
    virtual int Left() const = 0;
    virtual int Top() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;

    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual bool IsShowing() const = 0;

    // Pushes a top-down premultiplied ARGB32 buffer (cairo's ARGB32, the same bytes as a
    // 32-bit BGRA DIB on little-endian). The window takes the buffer's size; every pixel is
    // scaled by constantAlpha/255 on screen. Input shape: pixels with alpha > 0.
    virtual void Push(const uint8_t* pixels, int width, int height, int stride, uint8_t constantAlpha) = 0;

    // The same, with a promise from the caller: every pixel outside `changed` equals that of
    // the previous push, which had the same size and constant alpha. A window may then look
    // at the box only, and do nothing at all for an empty box. A null `changed`, or a push of
    // another size or alpha, is a full push. Windows that cannot use the promise take the
    // whole frame, which is always right.
    virtual void Push(
        const uint8_t* pixels, int width, int height, int stride, uint8_t constantAlpha, const PixelBox* changed)
    {
        (void)changed;
        Push(pixels, width, height, stride, constantAlpha);
    }

    // Shows a frame composed from pieces the window keeps (on the display server, where it
    // can), so that a frame of known pieces costs the program no pixel work: the same as a
    // Push of that frame's pixels. False when this window cannot; then nothing was done and the
    // caller pushes pixels instead. After a Push, the next pieces frame is taken whole.
    // Whether ShowPieces can take a frame now at all: a caller spares itself describing one
    // to a window that shows pixels only.
    virtual bool TakesPieces() const { return false; }
    virtual bool ShowPieces(const PieceFrame& frame, uint8_t constantAlpha)
    {
        (void)frame, (void)constantAlpha;
        return false;
    }

    // Pieces of frames to come: a window that keeps pieces may take them now, so that showing
    // those frames later costs no transfer. False when it does not keep pieces (yet).
    virtual bool KeepPieces(const PieceFrame& frame)
    {
        (void)frame;
        return false;
    }

    // Hands the pointer to the window manager's move loop (the desktop's SC_MOVE).
    virtual void BeginMove(const MouseEvent& from) = 0;

    std::function<void(const MouseEvent&)> OnMouseMove;
    std::function<void(const MouseEvent&)> OnMouseDown;
    std::function<void(const MouseEvent&)> OnMouseUp;
    std::function<void(const MouseEvent&)> OnDoubleClick;
    std::function<void(const MouseEvent&)> OnContextMenu; // right click
};

} // namespace hx
