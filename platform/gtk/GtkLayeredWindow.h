// The layered window on X11: an undecorated, keep-above GTK window with the screen's RGBA
// visual, kept off the taskbar and pager, painted only from pushed premultiplied frames, with
// the input shape (and, without a compositor, the bounding shape) cut from the frame's alpha.
#pragma once

#include "platform/LayeredWindow.h"

#include <cairo.h>
#include <functional>
#include <gtk/gtk.h>
#include <memory>
#include <string>
#include <vector>

namespace hx {

class XRenderPieces; // X headers stay out of this one: their macros clash with other code

class GtkLayeredWindow final : public ILayeredWindow {
public:
    // onCloseRequest runs when the window manager asks the window to close (at logout, when
    // no session manager tells the program first); the window itself stays.
    GtkLayeredWindow(const std::string& title, std::function<void()> onCloseRequest);
    ~GtkLayeredWindow() override;
    GtkLayeredWindow(const GtkLayeredWindow&) = delete;
    GtkLayeredWindow& operator=(const GtkLayeredWindow&) = delete;

    void SetPosition(int left, int top) override;
    int Left() const override { return left_; }
    int Top() const override { return top_; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }

    void Show() override;
    void Hide() override;
    bool IsShowing() const override;

    void Push(const uint8_t* pixels, int width, int height, int stride, uint8_t constantAlpha) override;
    // With `changed`, only that box is scaled, compared, reshaped and sent; an empty box costs
    // nothing.
    void Push(const uint8_t* pixels, int width, int height, int stride, uint8_t constantAlpha,
        const PixelBox* changed) override;
    // On the X server, through the Render extension, once the window is on the screen with
    // the frame's size and a 32-bit visual; false before that (the first frames and every
    // resize go through Push).
    bool TakesPieces() const override { return !piecesRefused_ && mapped_ && frame_; }
    bool ShowPieces(const PieceFrame& frame, uint8_t constantAlpha) override;
    // Uploads them to the server now (the clock's warm-up draws the next minutes ahead).
    bool KeepPieces(const PieceFrame& frame) override;
    void BeginMove(const MouseEvent& from) override;

    GtkWidget* Widget() const { return window_; }

private:
    static gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer self);
    static gboolean OnButtonPress(GtkWidget*, GdkEventButton* event, gpointer self);
    static gboolean OnButtonRelease(GtkWidget*, GdkEventButton* event, gpointer self);
    static gboolean OnMotion(GtkWidget*, GdkEventMotion* event, gpointer self);
    static gboolean OnConfigure(GtkWidget*, GdkEventConfigure* event, gpointer self);
    static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self);
    static gboolean OnMapChanged(GtkWidget*, GdkEvent* event, gpointer self);
    static void OnCompositedChanged(GdkScreen*, gpointer self);
    static void OnScaleChanged(GObject*, GParamSpec*, gpointer self);
    static void OnMap(GtkWidget*, gpointer self);

    // The shapes are kept on the X window by this class alone, never through GTK: GDK would
    // check clicks against its own copy, which a box update cannot refresh cheaply.
    void ApplyShapes();
    // true when requests were queued that still need a flush
    bool ApplyShapesInBox(const cairo_rectangle_int_t& box, const cairo_region_t* inBox);
    // Sends the box straight to the window when it is on the screen with the frame's size;
    // false when GTK's redraw has to do it.
    bool PutDirect(const cairo_rectangle_int_t& box);
    void ReleaseGc();
    bool EnsurePieces();
    void SendShapeRuns(
        const std::vector<cairo_rectangle_int_t>& cuts, const std::vector<cairo_rectangle_int_t>& runs, bool whole);
    void RebuildShapeFromPieces();
    void CountFrame();
    bool EnsureSurface(int width, int height); // true when the frame surface was replaced

    GtkWidget* window_ = nullptr;
    GdkScreen* screen_ = nullptr;
    gulong compositedHandler_ = 0;
    std::function<void()> onCloseRequest_;
    cairo_surface_t* frame_ = nullptr; // the last pushed frame, constant alpha applied
    cairo_region_t* shape_ = nullptr; // pixels with alpha > 0 of that frame
    uint8_t frameAlpha_ = 0; // the constant alpha frame_ was scaled with
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool showing_ = false;
    bool moved_ = false;
    bool mapped_ = false; // configure positions count only once the window manager has it
    unsigned long frames_ = 0;
    void* gc_ = nullptr; // the X graphics context of PutDirect (GC), made on first use
    void* gcDisplay_ = nullptr; // the Display it belongs to
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    // The pieces path: the server's frame, and whether the window shows it (then frame_ is
    // stale, and the next Push sends its whole frame).
    std::unique_ptr<XRenderPieces> pieces_;
    unsigned long piecesWindow_ = 0; // the X window pieces_ was made for
    bool piecesRefused_ = false; // this window's visual or server cannot
    bool piecesShown_ = false;
    uint8_t piecesAlpha_ = 0;
    std::vector<cairo_rectangle_int_t> pieceRuns_, pieceCuts_;
    // The last pieces frame (its pieces' pixels are on the server), for a whole shape later.
    std::vector<PiecePlacement> lastPieces_;
    PieceFrame lastPieceFrame_;
    bool shapeFromPieces_ = false; // shape_ is stale: the server has the pieces' shape
};

} // namespace hx
