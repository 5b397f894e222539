#include "platform/gtk/GtkLayeredWindow.h"

#include "platform/Log.h"
#include "platform/gtk/AlphaShape.h"
#include "platform/gtk/GtkTriggerEvent.h"
#include "platform/gtk/XRenderPieces.h"

#include <X11/Xlib.h>
#include <X11/extensions/shape.h>
#include <bit>
#include <cairo-xlib.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gdk/gdkx.h>
#include <memory>
#include <vector>

namespace hx {
namespace {

    MouseEvent ToMouseEvent(double x, double y, double rootX, double rootY, int button, unsigned state, uint32_t time)
    {
        MouseEvent m;
        m.x = static_cast<int>(std::floor(x));
        m.y = static_cast<int>(std::floor(y));
        m.rootX = static_cast<int>(std::floor(rootX));
        m.rootY = static_cast<int>(std::floor(rootY));
        m.button = button;
        m.leftDown = (state & GDK_BUTTON1_MASK) != 0;
        m.time = time;
        return m;
    }

    // Handlers may destroy the window (a menu choice that ends the program); `alive` tells the
    // caller whether it may still touch the window afterwards.
    bool Fire(
        const std::function<void(const MouseEvent&)>& handler, const MouseEvent& e, const std::shared_ptr<bool>& alive)
    {
        if (!handler)
            return true;
        auto keep = alive;
        auto copy = handler;
        copy(e);
        return *keep;
    }

} // namespace

GtkLayeredWindow::GtkLayeredWindow(const std::string& title, std::function<void()> onCloseRequest)
    : onCloseRequest_(std::move(onCloseRequest))
    , shape_(cairo_region_create())
{
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    g_object_ref_sink(window_);
    GtkWindow* w = GTK_WINDOW(window_);
    gtk_window_set_title(w, title.c_str());
    gtk_window_set_decorated(w, FALSE);
    gtk_window_set_keep_above(w, TRUE);
    gtk_window_set_skip_taskbar_hint(w, TRUE);
    gtk_window_set_skip_pager_hint(w, TRUE);
    // A utility window is kept off the taskbar and out of Alt+Tab by the usual window managers.
    gtk_window_set_type_hint(w, GDK_WINDOW_TYPE_HINT_UTILITY);
    gtk_window_set_focus_on_map(w, FALSE);
    gtk_window_set_default_size(w, 1, 1);
    gtk_window_set_gravity(w, GDK_GRAVITY_NORTH_WEST);
    // The position is the program's own (stored, or the first-start place near the right
    // edge): as user-specified, the window manager neither re-places it nor pulls it fully
    // onto the screen, so that a clock whose transparent strip reaches past the edge stays put.
    GdkGeometry geometry {};
    gtk_window_set_geometry_hints(w, nullptr, &geometry, GDK_HINT_USER_POS);
    gtk_widget_set_app_paintable(window_, TRUE);

    screen_ = gtk_widget_get_screen(window_);
    if (GdkVisual* rgba = gdk_screen_get_rgba_visual(screen_))
        gtk_widget_set_visual(window_, rgba);
    else
        Log("window: the screen has no RGBA visual; the clock is drawn without transparency");

    gtk_widget_add_events(window_, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
    g_signal_connect(window_, "draw", G_CALLBACK(OnDraw), this);
    g_signal_connect(window_, "button-press-event", G_CALLBACK(OnButtonPress), this);
    g_signal_connect(window_, "button-release-event", G_CALLBACK(OnButtonRelease), this);
    g_signal_connect(window_, "motion-notify-event", G_CALLBACK(OnMotion), this);
    g_signal_connect(window_, "configure-event", G_CALLBACK(OnConfigure), this);
    g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);
    g_signal_connect(window_, "map-event", G_CALLBACK(OnMapChanged), this);
    g_signal_connect(window_, "unmap-event", G_CALLBACK(OnMapChanged), this);
    g_signal_connect(window_, "notify::scale-factor", G_CALLBACK(OnScaleChanged), this);
    // Not on realize: GTK resets the input shape to its own record right after that signal.
    g_signal_connect_after(window_, "map", G_CALLBACK(OnMap), this);
    compositedHandler_ = g_signal_connect(screen_, "composited-changed", G_CALLBACK(OnCompositedChanged), this);
}

GtkLayeredWindow::~GtkLayeredWindow()
{
    *alive_ = false;
    ReleaseGc();
    pieces_.reset(); // its pictures and pixmaps, while the display is there
    if (compositedHandler_)
        g_signal_handler_disconnect(screen_, compositedHandler_);
    g_signal_handlers_disconnect_by_data(window_, this);
    gtk_widget_destroy(window_);
    g_object_unref(window_);
    if (frame_)
        cairo_surface_destroy(frame_);
    cairo_region_destroy(shape_);
}

void GtkLayeredWindow::SetPosition(int left, int top)
{
    if (left == left_ && top == top_ && moved_)
        return;
    left_ = left;
    top_ = top;
    moved_ = true;
    gtk_window_move(GTK_WINDOW(window_), left, top);
}

void GtkLayeredWindow::Show()
{
    showing_ = true;
    // Until the first frame there is nothing to see: mapping then gives the window manager
    // the real size with the position, instead of a 1x1 window that it later resizes.
    if (frame_)
        gtk_widget_show(window_);
}

void GtkLayeredWindow::Hide()
{
    gtk_widget_hide(window_);
    showing_ = false;
}

bool GtkLayeredWindow::IsShowing() const { return showing_; }

bool GtkLayeredWindow::EnsureSurface(int width, int height)
{
    if (frame_ && cairo_image_surface_get_width(frame_) == width && cairo_image_surface_get_height(frame_) == height)
        return false;
    if (frame_)
        cairo_surface_destroy(frame_);
    frame_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height); // cleared to transparent
    return true;
}

void GtkLayeredWindow::Push(const uint8_t* pixels, int width, int height, int stride, uint8_t constantAlpha)
{
    Push(pixels, width, height, stride, constantAlpha, nullptr);
}

void GtkLayeredWindow::Push(
    const uint8_t* pixels, int width, int height, int stride, uint8_t constantAlpha, const PixelBox* changed)
{
    if (!pixels || width <= 0 || height <= 0 || stride < width * 4 || width > 16384 || height > 16384) {
        Log("window: a frame of " + std::to_string(width) + "x" + std::to_string(height) + " (stride "
            + std::to_string(stride) + ") was refused");
        return;
    }
    // After frames composed from pieces, frame_ no longer is what the window shows: all of it goes.
    const bool afterPieces = piecesShown_;
    RebuildShapeFromPieces();
    piecesShown_ = false;
    if (afterPieces && frame_) {
        cairo_surface_flush(frame_);
        std::memset(cairo_image_surface_get_data(frame_), 0,
            static_cast<size_t>(cairo_image_surface_get_stride(frame_)) * cairo_image_surface_get_height(frame_));
        cairo_surface_mark_dirty(frame_);
    }
    // The promise holds only against the frame this window keeps: same size, same scaling.
    const bool hinted = !afterPieces && changed && frame_ && width == width_ && height == height_
        && constantAlpha == frameAlpha_ && cairo_image_surface_get_width(frame_) == width
        && cairo_image_surface_get_height(frame_) == height;
    cairo_rectangle_int_t box { 0, 0, width, height };
    if (hinted) {
        const int x0 = std::max(changed->x, 0), y0 = std::max(changed->y, 0);
        const int x1 = std::min(changed->x + std::max(changed->width, 0), width);
        const int y1 = std::min(changed->y + std::max(changed->height, 0), height);
        if (x1 <= x0 || y1 <= y0) {
            CountFrame();
            return;
        }
        box = { x0, y0, x1 - x0, y1 - y0 };
    }
    const bool resized = EnsureSurface(width, height);
    frameAlpha_ = constantAlpha;
    cairo_surface_flush(frame_);
    const cairo_rectangle_int_t scaled = ScaleByConstantAlphaInBox(pixels, stride, cairo_image_surface_get_data(frame_),
        cairo_image_surface_get_stride(frame_), box, constantAlpha);
    cairo_surface_mark_dirty(frame_);

    // The shape only changes when the digits do; reshaping costs X requests, so skip equal
    // ones. An unchanged scaled frame has the same shape, unless a constant alpha below 128
    // scaled some faint pixels to 0 (they still take the mouse).
    bool unflushed = false;
    if (resized || scaled.width > 0 || constantAlpha < 128) {
        if (hinted) {
            cairo_region_t* inBox = RegionFromAlphaInBox(pixels, stride, box);
            if (ReplaceRegionInBox(shape_, box, inBox))
                unflushed = ApplyShapesInBox(box, inBox);
            cairo_region_destroy(inBox);
        } else {
            cairo_region_t* shape = RegionFromAlpha(pixels, width, height, stride);
            if (!cairo_region_equal(shape, shape_)) {
                cairo_region_destroy(shape_);
                shape_ = shape;
                ApplyShapes();
            } else {
                cairo_region_destroy(shape);
            }
        }
    }

    if (width != width_ || height != height_) {
        width_ = width;
        height_ = height;
        gtk_widget_set_size_request(window_, width, height);
        gtk_window_resize(GTK_WINDOW(window_), width, height);
        // A resize alone lets the window manager pull the window back onto the screen; with
        // the position in the same request it keeps the left edge where it is, as the
        // clock's face grows to the right.
        if (GdkWindow* gdkWindow = gtk_widget_get_window(window_); gdkWindow && gtk_widget_get_mapped(window_))
            gdk_window_move_resize(gdkWindow, left_, top_, width, height);
    }
    if (showing_ && !gtk_widget_get_visible(window_))
        gtk_widget_show(window_);
    // Only what changed goes to the X server (from tick to tick, mostly the seconds).
    if (resized || width != gtk_widget_get_allocated_width(window_)
        || height != gtk_widget_get_allocated_height(window_))
        gtk_widget_queue_draw(window_);
    else if (afterPieces && PutDirect({ 0, 0, width, height }))
        unflushed = false;
    else if (afterPieces)
        gtk_widget_queue_draw(window_);
    else if (scaled.width > 0 && PutDirect(scaled))
        unflushed = false; // it flushed the shape requests with the image
    else if (scaled.width > 0)
        gtk_widget_queue_draw_area(window_, scaled.x, scaled.y, scaled.width, scaled.height);
    if (unflushed)
        gdk_display_flush(gtk_widget_get_display(window_));
    CountFrame();
}

// For soak runs: a count that says how many ticks the window has taken so far, an unchanged
// frame included.
void GtkLayeredWindow::CountFrame()
{
    if (++frames_ % 1000 == 0 && std::getenv("HORALUX_TRACE_UI"))
        Log("window: " + std::to_string(frames_) + " frames pushed");
}

// GTK's redraw of a box runs a frame-clock cycle (a paint phase, a drawing context, an offscreen
// surface copied to the window): for a clock that changes a few digits a second it cost more
// than the face itself. The frame is already exactly what the window shows, so the box goes to
// the window as one PutImage; the compositor sees it as damage like any other drawing. Expose
// and resizes still go through OnDraw, which paints the same frame.
bool GtkLayeredWindow::PutDirect(const cairo_rectangle_int_t& box)
{
    GdkWindow* gdkWindow = gtk_widget_get_window(window_);
    if (!frame_ || !mapped_ || !gdkWindow || !GDK_IS_X11_WINDOW(gdkWindow)
        || gdk_window_get_scale_factor(gdkWindow) != 1)
        return false;
    if (gdk_window_get_width(gdkWindow) != width_ || gdk_window_get_height(gdkWindow) != height_)
        return false;
    GdkVisual* visual = gdk_window_get_visual(gdkWindow);
    const int depth = gdk_visual_get_depth(visual);
    if (depth != 32 && depth != 24)
        return false;
    Display* display = GDK_WINDOW_XDISPLAY(gdkWindow);
    const Window xid = GDK_WINDOW_XID(gdkWindow);
    if (gc_ && gcDisplay_ != display)
        ReleaseGc();
    if (!gc_) {
        gc_ = XCreateGC(display, xid, 0, nullptr);
        gcDisplay_ = display;
    }
    cairo_surface_flush(frame_);
    XImage* image = XCreateImage(display, gdk_x11_visual_get_xvisual(visual), depth, ZPixmap, 0,
        reinterpret_cast<char*>(cairo_image_surface_get_data(frame_)), width_, height_, 32,
        cairo_image_surface_get_stride(frame_));
    if (!image)
        return false;
    // The frame is in this machine's byte order; Xlib converts when the server's differs.
    image->byte_order = image->bitmap_bit_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    XPutImage(display, xid, static_cast<GC>(gc_), image, box.x, box.y, box.x, box.y, box.width, box.height);
    image->data = nullptr; // the frame's own pixels
    XDestroyImage(image);
    XFlush(display);
    return true;
}

void GtkLayeredWindow::ReleaseGc()
{
    if (gc_)
        XFreeGC(static_cast<Display*>(gcDisplay_), static_cast<GC>(gc_));
    gc_ = nullptr;
    gcDisplay_ = nullptr;
}

// The server side of the pieces path, for the X window GTK has now.
bool GtkLayeredWindow::EnsurePieces()
{
    GdkWindow* gdkWindow = gtk_widget_get_window(window_);
    if (piecesRefused_ || !gdkWindow || !GDK_IS_X11_WINDOW(gdkWindow))
        return false;
    const unsigned long xid = GDK_WINDOW_XID(gdkWindow);
    if (pieces_ && piecesWindow_ == xid)
        return true;
    piecesShown_ = false;
    pieces_ = std::make_unique<XRenderPieces>(
        GDK_WINDOW_XDISPLAY(gdkWindow), xid, gdk_x11_visual_get_xvisual(gdk_window_get_visual(gdkWindow)));
    piecesWindow_ = xid;
    if (!pieces_->Usable()) {
        pieces_.reset();
        piecesRefused_ = true;
        Log("window: no Render extension or no 32-bit visual with alpha; frames go as pixels");
        return false;
    }
    return true;
}

bool GtkLayeredWindow::KeepPieces(const PieceFrame& frame)
{
    if (frame.width <= 0 || frame.height <= 0 || (frame.count > 0 && !frame.placements) || !EnsurePieces())
        return false;
    if (!pieces_->Keep(frame))
        return false;
    // Drawn ahead in chunks between ticks: the requests go now, not with the next tick.
    XFlush(GDK_WINDOW_XDISPLAY(gtk_widget_get_window(window_)));
    return true;
}

bool GtkLayeredWindow::ShowPieces(const PieceFrame& frame, uint8_t constantAlpha)
{
    if (piecesRefused_ || !frame_ || !mapped_ || frame.width != width_ || frame.height != height_ || frame.width <= 0
        || frame.height <= 0 || (frame.count > 0 && !frame.placements))
        return false;
    GdkWindow* gdkWindow = gtk_widget_get_window(window_);
    if (!gdkWindow || !GDK_IS_X11_WINDOW(gdkWindow) || gdk_window_get_scale_factor(gdkWindow) != 1
        || gdk_window_get_width(gdkWindow) != width_ || gdk_window_get_height(gdkWindow) != height_)
        return false;
    if (!EnsurePieces())
        return false;
    // A window that showed pushed pixels, or another alpha, takes the whole frame.
    const bool whole = !piecesShown_ || constantAlpha != piecesAlpha_;
    cairo_rectangle_int_t box { 0, 0, frame.width, frame.height };
    if (!whole) {
        const int x0 = std::max(frame.changed.x, 0), y0 = std::max(frame.changed.y, 0);
        const int x1 = std::min(frame.changed.x + std::max(frame.changed.width, 0), frame.width);
        const int y1 = std::min(frame.changed.y + std::max(frame.changed.height, 0), frame.height);
        if (x1 <= x0 || y1 <= y0) {
            CountFrame();
            return true;
        }
        box = { x0, y0, x1 - x0, y1 - y0 };
    }
    pieceRuns_.clear();
    if (!pieces_->Compose(frame, box, constantAlpha, whole ? nullptr : &lastPieces_, pieceRuns_, pieceCuts_)) {
        piecesShown_ = false;
        return false;
    }
    piecesShown_ = true;
    piecesAlpha_ = constantAlpha;
    // The box's runs go to the server as they are: it unites them, and this side keeps no
    // region (shape_ is rebuilt from the pieces when it is needed whole).
    lastPieces_.assign(frame.placements, frame.placements + frame.count);
    lastPieceFrame_ = frame;
    lastPieceFrame_.placements = nullptr;
    shapeFromPieces_ = true;
    SendShapeRuns(pieceCuts_, pieceRuns_, whole);
    XFlush(GDK_WINDOW_XDISPLAY(gdkWindow));
    CountFrame();
    return true;
}

void GtkLayeredWindow::BeginMove(const MouseEvent& from)
{
    // The window manager's move follows a held button until its release; without one held it
    // would drag the window along with every later hover, so nothing starts then.
    const int button = from.button != 0 ? from.button : (from.leftDown ? 1 : 0);
    if (button == 0)
        return;
    gtk_window_begin_move_drag(GTK_WINDOW(window_), button, from.rootX, from.rootY, from.time);
}

namespace {

    // The X window of a realised GTK window and its scale (X pixels per frame pixel).
    struct XTarget {
        Display* display = nullptr;
        Window xid = 0;
        int scale = 1;
    };

    bool XTargetOf(GtkWidget* widget, XTarget& to)
    {
        GdkWindow* gdkWindow = gtk_widget_get_window(widget);
        if (!gdkWindow || !GDK_IS_X11_WINDOW(gdkWindow))
            return false;
        to.display = GDK_WINDOW_XDISPLAY(gdkWindow);
        to.xid = GDK_WINDOW_XID(gdkWindow);
        to.scale = std::max(1, gdk_window_get_scale_factor(gdkWindow));
        return true;
    }

    void AppendXRectangles(const cairo_region_t* region, int scale, std::vector<XRectangle>& out)
    {
        const int n = cairo_region_num_rectangles(region);
        for (int i = 0; i < n; ++i) {
            cairo_rectangle_int_t r;
            cairo_region_get_rectangle(region, i, &r);
            out.push_back({ static_cast<short>(r.x * scale), static_cast<short>(r.y * scale),
                static_cast<unsigned short>(r.width * scale), static_cast<unsigned short>(r.height * scale) });
        }
    }

    // cairo gives a region's rectangles in bands, top to bottom and left to right in each.
    void CombineRegion(const XTarget& t, int kind, const cairo_region_t* region, int op)
    {
        thread_local std::vector<XRectangle> rects;
        rects.clear();
        AppendXRectangles(region, t.scale, rects);
        XShapeCombineRectangles(
            t.display, t.xid, kind, 0, 0, rects.data(), static_cast<int>(rects.size()), op, YXBanded);
    }

} // namespace

void GtkLayeredWindow::ApplyShapes()
{
    RebuildShapeFromPieces();
    XTarget t;
    if (!XTargetOf(window_, t))
        return; // OnMap sends them
    CombineRegion(t, ShapeInput, shape_, ShapeSet);
    // Composited, the alpha channel does the showing; without a compositor an RGBA window is a
    // black box, so the bounding shape has to cut the digits out.
    if (gdk_screen_is_composited(screen_))
        XShapeCombineMask(t.display, t.xid, ShapeBounding, 0, 0, None, ShapeSet);
    else
        CombineRegion(t, ShapeBounding, shape_, ShapeSet);
    XFlush(t.display);
}

// The box is cut out of the shape the X window has and its new runs put back: two small
// requests instead of the whole shape, which is the same for every pixel outside the box.
bool GtkLayeredWindow::ApplyShapesInBox(const cairo_rectangle_int_t& box, const cairo_region_t* inBox)
{
    XTarget t;
    if (!XTargetOf(window_, t))
        return false;
    XRectangle cut { static_cast<short>(box.x * t.scale), static_cast<short>(box.y * t.scale),
        static_cast<unsigned short>(box.width * t.scale), static_cast<unsigned short>(box.height * t.scale) };
    const bool bounding = !gdk_screen_is_composited(screen_);
    for (int kind : { ShapeInput, ShapeBounding }) {
        if (kind == ShapeBounding && !bounding)
            continue;
        XShapeCombineRectangles(t.display, t.xid, kind, 0, 0, &cut, 1, ShapeSubtract, Unsorted);
        CombineRegion(t, kind, inBox, ShapeUnion);
    }
    return true;
}

void GtkLayeredWindow::SendShapeRuns(
    const std::vector<cairo_rectangle_int_t>& cuts, const std::vector<cairo_rectangle_int_t>& runs, bool whole)
{
    XTarget t;
    if (!XTargetOf(window_, t))
        return;
    thread_local std::vector<XRectangle> rects;
    rects.clear();
    for (const cairo_rectangle_int_t& r : runs)
        rects.push_back({ static_cast<short>(r.x * t.scale), static_cast<short>(r.y * t.scale),
            static_cast<unsigned short>(r.width * t.scale), static_cast<unsigned short>(r.height * t.scale) });
    thread_local std::vector<XRectangle> cutRects;
    cutRects.clear();
    for (const cairo_rectangle_int_t& c : cuts)
        cutRects.push_back({ static_cast<short>(c.x * t.scale), static_cast<short>(c.y * t.scale),
            static_cast<unsigned short>(c.width * t.scale), static_cast<unsigned short>(c.height * t.scale) });
    const bool bounding = !gdk_screen_is_composited(screen_);
    for (int kind : { ShapeInput, ShapeBounding }) {
        if (kind == ShapeBounding && !bounding)
            continue;
        if (whole) {
            XShapeCombineRectangles(
                t.display, t.xid, kind, 0, 0, rects.data(), static_cast<int>(rects.size()), ShapeSet, Unsorted);
        } else {
            XShapeCombineRectangles(t.display, t.xid, kind, 0, 0, cutRects.data(), static_cast<int>(cutRects.size()),
                ShapeSubtract, Unsorted);
            XShapeCombineRectangles(
                t.display, t.xid, kind, 0, 0, rects.data(), static_cast<int>(rects.size()), ShapeUnion, Unsorted);
        }
    }
    if (bounding)
        return;
    if (whole)
        XShapeCombineMask(t.display, t.xid, ShapeBounding, 0, 0, None, ShapeSet);
}

// After frames of pieces the shape lives on the server only; the whole of it, when needed
// (a map, a compositor coming or going), comes from the last frame's pieces.
void GtkLayeredWindow::RebuildShapeFromPieces()
{
    if (!shapeFromPieces_)
        return;
    shapeFromPieces_ = false;
    if (!pieces_)
        return;
    std::vector<cairo_rectangle_int_t> runs;
    PieceFrame frame = lastPieceFrame_;
    frame.placements = lastPieces_.data();
    frame.count = lastPieces_.size();
    pieces_->ShapeRuns(frame, { 0, 0, frame.width, frame.height }, runs);
    cairo_region_destroy(shape_);
    shape_ = cairo_region_create_rectangles(runs.data(), static_cast<int>(runs.size()));
}

void GtkLayeredWindow::OnMap(GtkWidget*, gpointer data) { static_cast<GtkLayeredWindow*>(data)->ApplyShapes(); }

gboolean GtkLayeredWindow::OnDraw(GtkWidget*, cairo_t* cr, gpointer data)
{
    auto* self = static_cast<GtkLayeredWindow*>(data);
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    GdkWindow* gdkWindow = gtk_widget_get_window(self->window_);
    if (self->piecesShown_ && self->pieces_ && self->pieces_->FramePixmap() && gdkWindow) {
        // The window shows the server's frame: an expose repaints from there.
        cairo_set_source_rgba(cr, 0, 0, 0, 0);
        cairo_paint(cr);
        cairo_surface_t* server
            = cairo_xlib_surface_create(GDK_WINDOW_XDISPLAY(gdkWindow), self->pieces_->FramePixmap(),
                gdk_x11_visual_get_xvisual(gdk_window_get_visual(gdkWindow)), self->width_, self->height_);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        cairo_set_source_surface(cr, server, 0, 0);
        cairo_paint_with_alpha(cr, self->piecesAlpha_ / 255.0);
        cairo_surface_destroy(server);
    } else {
        if (self->frame_)
            cairo_set_source_surface(cr, self->frame_, 0, 0);
        else
            cairo_set_source_rgba(cr, 0, 0, 0, 0);
        cairo_paint(cr);
    }
    cairo_restore(cr);
    return TRUE;
}

gboolean GtkLayeredWindow::OnButtonPress(GtkWidget*, GdkEventButton* event, gpointer data)
{
    auto* self = static_cast<GtkLayeredWindow*>(data);
    RememberTriggerEvent(reinterpret_cast<GdkEvent*>(event));
    const MouseEvent e = ToMouseEvent(event->x, event->y, event->x_root, event->y_root, static_cast<int>(event->button),
        event->state | (event->button == 1 ? GDK_BUTTON1_MASK : 0), event->time);
    auto alive = self->alive_;
    if (event->type == GDK_2BUTTON_PRESS) {
        if (event->button == 1)
            Fire(self->OnDoubleClick, e, alive);
        return TRUE;
    }
    if (event->type != GDK_BUTTON_PRESS)
        return TRUE;
    if (!Fire(self->OnMouseDown, e, alive))
        return TRUE;
    if (gdk_event_triggers_context_menu(reinterpret_cast<GdkEvent*>(event)))
        Fire(self->OnContextMenu, e, alive);
    return TRUE;
}

gboolean GtkLayeredWindow::OnButtonRelease(GtkWidget*, GdkEventButton* event, gpointer data)
{
    auto* self = static_cast<GtkLayeredWindow*>(data);
    const MouseEvent e = ToMouseEvent(event->x, event->y, event->x_root, event->y_root, static_cast<int>(event->button),
        event->state & ~(event->button == 1 ? GDK_BUTTON1_MASK : 0), event->time);
    Fire(self->OnMouseUp, e, self->alive_);
    return TRUE;
}

gboolean GtkLayeredWindow::OnMotion(GtkWidget*, GdkEventMotion* event, gpointer data)
{
    auto* self = static_cast<GtkLayeredWindow*>(data);
    const MouseEvent e = ToMouseEvent(event->x, event->y, event->x_root, event->y_root, 0, event->state, event->time);
    Fire(self->OnMouseMove, e, self->alive_);
    return TRUE;
}

gboolean GtkLayeredWindow::OnConfigure(GtkWidget*, GdkEventConfigure* event, gpointer data)
{
    // GDK gives a toplevel's configure position in root coordinates, which also tracks the
    // window manager's moves (a drag) without a round trip per question.
    auto* self = static_cast<GtkLayeredWindow*>(data);
    // Before the window is mapped, configure events still tell of the unplaced window (0,0
    // until the window manager has framed it); the requested position stands until then.
    if (!self->mapped_)
        return FALSE;
    self->left_ = event->x;
    self->top_ = event->y;
    return FALSE;
}

gboolean GtkLayeredWindow::OnMapChanged(GtkWidget*, GdkEvent* event, gpointer data)
{
    static_cast<GtkLayeredWindow*>(data)->mapped_ = event->type == GDK_MAP;
    return FALSE;
}

gboolean GtkLayeredWindow::OnDelete(GtkWidget*, GdkEvent*, gpointer data)
{
    auto* self = static_cast<GtkLayeredWindow*>(data);
    if (auto request = self->onCloseRequest_)
        request();
    return TRUE; // the program decides when its window goes
}

void GtkLayeredWindow::OnCompositedChanged(GdkScreen*, gpointer data)
{
    auto* self = static_cast<GtkLayeredWindow*>(data);
    // The visual is fixed at realisation; the shapes are what follows the compositor.
    self->ApplyShapes();
    gtk_widget_queue_draw(self->window_);
}

void GtkLayeredWindow::OnScaleChanged(GObject*, GParamSpec*, gpointer data)
{
    auto* self = static_cast<GtkLayeredWindow*>(data);
    self->ApplyShapes(); // kept in X pixels
    gtk_widget_queue_draw(self->window_);
}

} // namespace hx
