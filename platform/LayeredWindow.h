// A borderless, always-on-top window whose pixels carry their own alpha (the desktop's
// stand-in for a layered window). Input reaches it only where a pushed pixel has alpha > 0.
#pragma once

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

    // Hands the pointer to the window manager's move loop (the desktop's SC_MOVE).
    virtual void BeginMove(const MouseEvent& from) = 0;

    std::function<void(const MouseEvent&)> OnMouseMove;
    std::function<void(const MouseEvent&)> OnMouseDown;
    std::function<void(const MouseEvent&)> OnMouseUp;
    std::function<void(const MouseEvent&)> OnDoubleClick;
    std::function<void(const MouseEvent&)> OnContextMenu; // right click
};

} // namespace hx
