// Frames composed on the X server from pieces kept there (the clock face's tiles), through the
// Render extension: a tick that only re-arranges known pieces sends a few small requests
// instead of its pixels. The pieces live in two fixed atlases (colour ARGB32, coverage A8), so
// the count of X resources never changes while the size stays.
#pragma once

#include "platform/LayeredWindow.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrender.h>
#include <cairo.h>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

namespace hx {

class XRenderPieces {
public:
    // For a window with a 32-bit visual that has alpha; Usable() is false otherwise (no Render,
    // another visual), and nothing else may be called then.
    XRenderPieces(Display* display, ::Window window, Visual* visual);
    ~XRenderPieces();
    XRenderPieces(const XRenderPieces&) = delete;
    XRenderPieces& operator=(const XRenderPieces&) = delete;

    bool Usable() const { return windowPicture_ != 0; }

    // Composes `box` of the frame in the server's copy and puts it on the window with the
    // constant alpha; adds the alpha > 0 runs of what it drew to `shape` (frame coordinates). False, with
    // nothing drawn, when a piece does not fit the atlas: the caller pushes pixels then.
    // With `before` (the placements of the frame the server's copy shows), only placements that
    // differ from those are drawn; `cuts` gets the boxes cleared (the shape's too).
    bool Compose(const PieceFrame& frame, const cairo_rectangle_int_t& box, uint8_t constantAlpha,
        const std::vector<PiecePlacement>* before, std::vector<cairo_rectangle_int_t>& shape,
        std::vector<cairo_rectangle_int_t>& cuts);
    // The alpha > 0 runs of the kept pieces of `frame` inside `box` (frame coordinates); pieces
    // not kept are left out.
    void ShapeRuns(const PieceFrame& frame, const cairo_rectangle_int_t& box, std::vector<cairo_rectangle_int_t>& runs);
    // Uploads the pieces of a frame to come that are not kept yet, evicting only pieces older
    // than the last composed frame's; false when the atlas has no room.
    bool Keep(const PieceFrame& frame);
    // The server's copy of the last composed frame (0 before the first), for repaints.
    Pixmap FramePixmap() const { return framePixmap_; }

private:
    struct Piece {
        int slot = -1;
        int width = 0, height = 0;
        uint64_t lastUse = 0;
        // Piece coordinates. Where the strokes have alpha the frame does; where only the fill
        // coverage has some, it depends on the gradient's alpha in that column.
        std::vector<cairo_rectangle_int_t> strokeRuns;
        struct FillOnly {
            int x, y;
            uint8_t coverage;
        };
        std::vector<FillOnly> fillOnly;
    };

    bool EnsureFrame(int width, int height);
    void AppendRuns(const PieceFrame& frame, const PiecePlacement& p, const Piece& piece, int x0, int y0, int x1,
        int y1, std::vector<cairo_rectangle_int_t>& shape);
    bool EnsureAtlas(int slotWidth, int slotHeight);
    const Piece* Upload(const PiecePlacement& p);
    void SlotOrigin(int slot, int& x, int& y) const;
    Picture Gradient(int width, uint32_t start, uint32_t end);
    // The gradient's alpha per column, as the server's compositing computes it.
    void GradientAlpha(int width, uint32_t start, uint32_t end);
    Picture Alpha(uint8_t alpha);
    void FreeAtlas();
    // Each frees what it is given, if anything, and clears it.
    void FreePicture(Picture& picture);
    void FreePixmap(Pixmap& pixmap);
    void FreeGc(GC& gc);

    Display* display_;
    ::Window window_;
    Visual* visual_ = nullptr;
    uint64_t frameFirstUse_ = 0; // pieces used since this count belong to the frame being composed
    std::vector<std::pair<const PiecePlacement*, const Piece*>> placed_;
    Picture windowPicture_ = 0;
    XRenderPictFormat* argb_ = nullptr;
    XRenderPictFormat* a8_ = nullptr;
    Pixmap framePixmap_ = 0;
    Picture framePicture_ = 0;
    int frameWidth_ = 0, frameHeight_ = 0;
    Pixmap colorAtlas_ = 0, coverageAtlas_ = 0;
    Picture colorPicture_ = 0, coveragePicture_ = 0;
    GC colorGc_ = nullptr, coverageGc_ = nullptr;
    int slotWidth_ = 0, slotHeight_ = 0, slotColumns_ = 0, slots_ = 0;
    std::unordered_map<uint64_t, Piece> pieces_;
    std::vector<uint64_t> slotOwner_; // piece id per slot, 0 when free
    uint64_t uses_ = 0;
    Picture gradient_ = 0;
    int gradientWidth_ = 0;
    uint32_t gradientStart_ = 0, gradientEnd_ = 0;
    std::vector<uint8_t> gradientAlpha_;
    int alphaWidth_ = 0;
    uint32_t alphaStart_ = 0, alphaEnd_ = 0;
    Picture alpha_ = 0;
    int alphaValue_ = -1;
};

} // namespace hx
