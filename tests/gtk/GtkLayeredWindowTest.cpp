// The layered window under a private Xvfb: a push that is told which box changed must leave
// the X window with the same pixels and the same input and bounding shapes as a full push of
// the same frame. Its own executable: GTK binds one display per process, and the platform
// tests end theirs.
// clang-format off
// gtest before Xlib, whose macros (None, Bool) would break it.
#include <gtest/gtest.h>
// clang-format on

#include "platform/gtk/GtkLayeredWindow.h"

#include "platform/gtk/AlphaShape.h"
#include "platform/gtk/GtkPlatform.h"
#include "tests/support/PrivateXvfb.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gdk/gdkx.h>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

class GtkLayeredWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        xvfb_ = new hx::test::PrivateXvfb("640x480x24");
        if (xvfb_->Started()) {
            setenv("DISPLAY", xvfb_->Display().c_str(), 1);
            int argc = 1;
            static char name[] = "gtk_window_tests";
            static char* argvStore[] = { name, nullptr };
            char** argv = argvStore;
            platform_ = hx::CreateGtkPlatform(argc, argv).release();
        }
    }

    static void TearDownTestSuite()
    {
        delete platform_;
        platform_ = nullptr;
        delete xvfb_;
        xvfb_ = nullptr;
    }

    void SetUp() override
    {
        if (!platform_)
            FAIL() << "no private X display (Xvfb) could be started";
    }

    // Turns the loop for a while: maps, configure events and the first draws come through.
    static void Pump(std::chrono::milliseconds forAbout)
    {
        const auto end = std::chrono::steady_clock::now() + forAbout;
        while (std::chrono::steady_clock::now() < end) {
            while (g_main_context_iteration(nullptr, FALSE)) { }
            std::this_thread::sleep_for(5ms);
        }
    }

    static inline hx::test::PrivateXvfb* xvfb_ = nullptr;
    static inline hx::IPlatform* platform_ = nullptr;
};

struct Frame {
    int width, height;
    std::vector<uint32_t> px;
    Frame(int w, int h)
        : width(w)
        , height(h)
        , px(static_cast<size_t>(w) * h, 0)
    {
    }
    uint32_t& At(int x, int y) { return px[static_cast<size_t>(y) * width + x]; }
    uint32_t At(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
    const uint8_t* Bytes() const { return reinterpret_cast<const uint8_t*>(px.data()); }
};

// Premultiplied blobs: opaque, faint (alpha 1) and clear pixels, `seed` picks them.
Frame Blobs(int w, int h, unsigned seed)
{
    Frame f(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            const unsigned r = (seed >> 16) % 5;
            f.At(x, y) = r == 0 ? 0xff2080c0u : r == 1 ? 0x01010000u : r == 2 ? 0x80404040u : 0u;
        }
    return f;
}

Window XidOf(const hx::GtkLayeredWindow& w) { return GDK_WINDOW_XID(gtk_widget_get_window(w.Widget())); }

Display* XDisplay() { return GDK_DISPLAY_XDISPLAY(gdk_display_get_default()); }

std::vector<uint32_t> WindowPixels(Window xid, int w, int h)
{
    XImage* image = XGetImage(XDisplay(), xid, 0, 0, w, h, AllPlanes, ZPixmap);
    std::vector<uint32_t> out;
    if (!image)
        return out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.push_back(static_cast<uint32_t>(XGetPixel(image, x, y)));
    XDestroyImage(image);
    return out;
}

cairo_region_t* ShapeOf(Window xid, int kind)
{
    int count = 0, ordering = 0;
    XRectangle* rects = XShapeGetRectangles(XDisplay(), xid, kind, &count, &ordering);
    std::vector<cairo_rectangle_int_t> list;
    for (int i = 0; i < count; ++i)
        list.push_back({ rects[i].x, rects[i].y, rects[i].width, rects[i].height });
    if (rects)
        XFree(rects);
    return cairo_region_create_rectangles(list.data(), static_cast<int>(list.size()));
}

::testing::AssertionResult SameShapes(Window a, Window b, const Frame& f)
{
    cairo_region_t* want = hx::RegionFromAlpha(f.Bytes(), f.width, f.height, f.width * 4);
    std::string failed;
    for (int kind : { ShapeInput, ShapeBounding }) {
        cairo_region_t* ra = ShapeOf(a, kind);
        cairo_region_t* rb = ShapeOf(b, kind);
        if (!cairo_region_equal(ra, want) || !cairo_region_equal(rb, want))
            failed += kind == ShapeInput ? " input" : " bounding";
        cairo_region_destroy(ra);
        cairo_region_destroy(rb);
    }
    cairo_region_destroy(want);
    if (failed.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "shape differs from alpha > 0:" << failed;
}

TEST_F(GtkLayeredWindowTest, AHintedPushGivesThePixelsAndShapesOfAFullPush)
{
    const int w = 48, h = 20;
    const Frame before = Blobs(w, h, 11);
    Frame after = before;
    const hx::PixelBox box { 13, 4, 17, 9 };
    const Frame other = Blobs(w, h, 12);
    for (int y = box.y; y < box.y + box.height; ++y)
        for (int x = box.x; x < box.x + box.width; ++x)
            after.At(x, y) = other.At(x, y);

    hx::GtkLayeredWindow full("full", nullptr), hinted("hinted", nullptr);
    full.SetPosition(10, 10);
    hinted.SetPosition(10, 100);
    for (hx::GtkLayeredWindow* win : { &full, &hinted }) {
        win->Push(before.Bytes(), w, h, w * 4, 200);
        win->Show();
    }
    Pump(300ms);
    ASSERT_TRUE(gtk_widget_get_mapped(full.Widget()) && gtk_widget_get_mapped(hinted.Widget()));

    full.Push(after.Bytes(), w, h, w * 4, 200);
    hinted.Push(after.Bytes(), w, h, w * 4, 200, &box);
    Pump(100ms);
    XSync(XDisplay(), False);
    const Window a = XidOf(full), b = XidOf(hinted);
    EXPECT_TRUE(SameShapes(a, b, after));

    // The screen: the same everywhere, and the new frame scaled by 200 where it has pixels.
    Frame scaled(w, h);
    hx::ScaleByConstantAlpha(after.Bytes(), w * 4, reinterpret_cast<uint8_t*>(scaled.px.data()), w * 4, w, h, 200);
    const std::vector<uint32_t> pa = WindowPixels(a, w, h), pb = WindowPixels(b, w, h);
    ASSERT_EQ(pa.size(), scaled.px.size());
    ASSERT_EQ(pb.size(), scaled.px.size());
    int differ = 0, checked = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y) * w + x;
            if (pa[i] != pb[i] && differ++ < 3)
                ADD_FAILURE() << "window pixels differ at " << x << "," << y;
            if ((after.At(x, y) >> 24) != 0) {
                ++checked;
                EXPECT_EQ(pb[i], scaled.At(x, y)) << x << "," << y;
            }
        }
    EXPECT_GT(checked, 100);

    // An empty box changes nothing; a hinted push of another size is taken whole.
    const hx::PixelBox none {};
    hinted.Push(other.Bytes(), w, h, w * 4, 200, &none);
    Pump(50ms);
    XSync(XDisplay(), False);
    EXPECT_EQ(WindowPixels(b, w, h), pb) << "an empty box must leave the window alone";
    const Frame wider = Blobs(w + 6, h, 13);
    hinted.Push(wider.Bytes(), w + 6, h, (w + 6) * 4, 200, &box);
    EXPECT_EQ(hinted.Width(), w + 6);
    Pump(200ms);
    XSync(XDisplay(), False);
    EXPECT_TRUE(SameShapes(b, b, wider));
}

} // namespace

namespace {

// A piece of the face: premultiplied strokes and the fill's coverage, as the renderer keeps.
struct TestPiece {
    int width, height;
    std::vector<uint32_t> color;
    std::vector<uint8_t> coverage; // rows of cairo's A8 stride
    int coverageStride;
};

TestPiece MakePiece(int w, int h, unsigned seed)
{
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_A8, w);
    TestPiece p { w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h),
        std::vector<uint8_t>(static_cast<size_t>(stride) * h), stride };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            const unsigned r = (seed >> 16) % 7;
            // Strokes here and there; coverage alone too, faint (1 and 2) and full.
            p.color[static_cast<size_t>(y) * w + x] = r == 0 ? 0xff1040a0u : r == 1 ? 0x40200810u : 0u;
            p.coverage[static_cast<size_t>(y) * stride + x] = r == 2 ? 1 : r == 3 ? 2 : r == 4 ? 255 : r == 1 ? 128 : 0;
        }
    return p;
}

hx::PiecePlacement Place(const TestPiece& p, uint64_t id, int a, int b, int x, int y)
{
    hx::PiecePlacement pl;
    pl.a = a, pl.b = b, pl.x = x, pl.y = y, pl.id = id, pl.width = p.width, pl.height = p.height;
    pl.color = reinterpret_cast<const uint8_t*>(p.color.data());
    pl.colorStride = p.width * 4;
    pl.coverage = p.coverage.data();
    pl.coverageStride = p.coverageStride;
    return pl;
}

// The frame the renderer draws for these placements: strokes copied, the gradient masked by
// the coverage through cairo, each within its columns.
Frame Reference(const hx::PieceFrame& f)
{
    Frame out(f.width, f.height);
    cairo_surface_t* s = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(out.px.data()), CAIRO_FORMAT_ARGB32, f.width, f.height, f.width * 4);
    for (size_t i = 0; i < f.count; ++i) {
        const hx::PiecePlacement& p = f.placements[i];
        for (int y = std::max(p.y, 0); y < std::min(p.y + p.height, f.height); ++y)
            for (int x = std::max({ p.a, p.x, 0 }); x < std::min({ p.b, p.x + p.width, f.width }); ++x)
                std::memcpy(&out.At(x, y), p.color + static_cast<size_t>(y - p.y) * p.colorStride + 4 * (x - p.x), 4);
    }
    cairo_surface_mark_dirty(s);
    cairo_t* cr = cairo_create(s);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, f.width, 0);
    for (auto [offset, c] : { std::pair { 0.0, f.startColor }, std::pair { 1.0, f.endColor } })
        cairo_pattern_add_color_stop_rgba(
            g, offset, ((c >> 16) & 255) / 255.0, ((c >> 8) & 255) / 255.0, (c & 255) / 255.0, (c >> 24) / 255.0);
    cairo_pattern_set_extend(g, CAIRO_EXTEND_REPEAT);
    for (size_t i = 0; i < f.count; ++i) {
        const hx::PiecePlacement& p = f.placements[i];
        cairo_surface_t* mask = cairo_image_surface_create_for_data(
            const_cast<unsigned char*>(p.coverage), CAIRO_FORMAT_A8, p.width, p.height, p.coverageStride);
        cairo_save(cr);
        cairo_rectangle(cr, p.a, 0, p.b - p.a, f.height);
        cairo_clip(cr);
        cairo_set_source(cr, g);
        cairo_mask_surface(cr, mask, p.x, p.y);
        cairo_restore(cr);
        cairo_surface_destroy(mask);
    }
    cairo_pattern_destroy(g);
    cairo_destroy(cr);
    cairo_surface_flush(s);
    cairo_surface_destroy(s);
    return out;
}

// Largest difference per channel between the window's pixels and what it should show.
int MaxDifference(const std::vector<uint32_t>& got, const std::vector<uint32_t>& want)
{
    int worst = got.size() == want.size() ? 0 : 256;
    for (size_t i = 0; i < got.size() && i < want.size(); ++i)
        for (int shift = 0; shift < 32; shift += 8)
            worst = std::max(worst, std::abs(int((got[i] >> shift) & 255) - int((want[i] >> shift) & 255)));
    return worst;
}

} // namespace

// A window shown frames by their pieces (composed on the X server) must look and take the mouse
// like one pushed the same frames as pixels: after a first, whole frame and after one that
// changes a box only, under a translucent gradient (the clock's default colours).
TEST_F(GtkLayeredWindowTest, FramesOfPiecesLookAndShapeLikeTheirPixels)
{
    const int w = 90, h = 24;
    const TestPiece one = MakePiece(30, 20, 5), two = MakePiece(26, 22, 6), three = MakePiece(30, 20, 7);
    std::vector<hx::PiecePlacement> placed { Place(one, 1, 0, 35, 3, 2), Place(two, 2, 35, 90, 40, 1) };
    hx::PieceFrame frame;
    frame.width = w, frame.height = h;
    frame.startColor = 0x66666666, frame.endColor = 0xF0F8F8F8;
    frame.placements = placed.data(), frame.count = placed.size();
    frame.changed = { 0, 0, w, h };

    hx::GtkLayeredWindow pixels("pixels", nullptr), pieces("pieces", nullptr);
    pixels.SetPosition(10, 200);
    pieces.SetPosition(10, 300);
    const Frame blank(w, h);
    for (hx::GtkLayeredWindow* win : { &pixels, &pieces }) {
        win->Push(blank.Bytes(), w, h, w * 4, 200);
        win->Show();
    }
    Pump(300ms);
    ASSERT_TRUE(gtk_widget_get_mapped(pieces.Widget()));

    for (int step = 0; step < 2; ++step) {
        if (step == 1) {
            // The second piece makes way for another in its columns only.
            placed[1] = Place(three, 3, 35, 90, 44, 3);
            frame.changed = { 35, 0, 55, h };
        }
        const Frame want = Reference(frame);
        pixels.Push(want.Bytes(), w, h, w * 4, 200);
        ASSERT_TRUE(pieces.ShowPieces(frame, 200)) << "step " << step;
        Pump(100ms);
        XSync(XDisplay(), False);
        const auto gotPieces = WindowPixels(XidOf(pieces), w, h), gotPixels = WindowPixels(XidOf(pixels), w, h);
        EXPECT_LE(MaxDifference(gotPieces, gotPixels), 1) << "step " << step;
        for (size_t i = 0, shown = 0; i < gotPieces.size() && shown < 6; ++i)
            if (MaxDifference({ gotPieces[i] }, { gotPixels[i] }) > 1 && ++shown)
                ADD_FAILURE() << "at " << i % w << "," << i / w << std::hex << " pieces " << gotPieces[i] << " pixels "
                              << gotPixels[i] << " frame " << want.px[i];
        EXPECT_TRUE(SameShapes(XidOf(pixels), XidOf(pieces), want)) << "step " << step;
    }

    // Pixels pushed after pieces are taken whole, even with a hint of nothing changed.
    const Frame other = Blobs(w, h, 21);
    const hx::PixelBox none {};
    pieces.Push(other.Bytes(), w, h, w * 4, 200, &none);
    pixels.Push(other.Bytes(), w, h, w * 4, 200);
    Pump(100ms);
    XSync(XDisplay(), False);
    EXPECT_EQ(WindowPixels(XidOf(pieces), w, h), WindowPixels(XidOf(pixels), w, h));
    EXPECT_TRUE(SameShapes(XidOf(pixels), XidOf(pieces), other));
}
