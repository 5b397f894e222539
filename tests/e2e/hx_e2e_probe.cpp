// A small X11 inspector for the end-to-end scripts: lists the mapped top-level windows with
// their geometry and window type, counts a window's non-transparent pixels in a rectangle
// (read with alpha, as xwd -id does), and says whether a compositing manager runs.
//
//   hx_e2e_probe windows                  -> "0xID x y w h TYPE NAME" per mapped window
//   hx_e2e_probe alpha 0xID x y w h       -> the number of pixels with alpha > 0
//   hx_e2e_probe spot 0xID MODE           -> "x y": a point for the mouse (see Spot)
//   hx_e2e_probe composited               -> exit 0 when _NET_WM_CM_S0 has an owner
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string AtomProperty(Display* d, Window w, const char* name)
{
    Atom prop = XInternAtom(d, name, True);
    if (prop == None)
        return "-";
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::string result = "-";
    if (XGetWindowProperty(d, w, prop, 0, 1, False, XA_ATOM, &type, &format, &count, &after, &data) == Success && data
        && count > 0) {
        char* atomName = XGetAtomName(d, *reinterpret_cast<Atom*>(data));
        if (atomName) {
            result = atomName;
            XFree(atomName);
        }
    }
    if (data)
        XFree(data);
    return result;
}

std::string Name(Display* d, Window w)
{
    Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    Atom prop = XInternAtom(d, "_NET_WM_NAME", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::string result;
    if (XGetWindowProperty(d, w, prop, 0, 256, False, utf8, &type, &format, &count, &after, &data) == Success && data)
        result.assign(reinterpret_cast<char*>(data), count);
    if (data)
        XFree(data);
    if (result.empty()) {
        char* name = nullptr;
        if (XFetchName(d, w, &name) && name) {
            result = name;
            XFree(name);
        }
    }
    return result.empty() ? "-" : result;
}

bool HasWmState(Display* d, Window w)
{
    Atom wmState = XInternAtom(d, "WM_STATE", True);
    if (wmState == None)
        return false;
    Atom type = None;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    XGetWindowProperty(d, w, wmState, 0, 0, False, AnyPropertyType, &type, &format, &count, &after, &data);
    if (data)
        XFree(data);
    return type != None;
}

Window FindClient(Display* d, Window w)
{
    if (HasWmState(d, w))
        return w;
    Window root, parent, *children = nullptr;
    unsigned n = 0;
    Window found = None;
    if (XQueryTree(d, w, &root, &parent, &children, &n)) {
        for (unsigned i = 0; i < n && found == None; ++i)
            found = FindClient(d, children[i]);
        if (children)
            XFree(children);
    }
    return found;
}

// A reparenting window manager puts the client inside its frame: report the client (the
// window carrying WM_STATE); override-redirect popups are not framed.
Window Client(Display* d, Window w)
{
    Window c = FindClient(d, w);
    return c == None ? w : c;
}

int ListWindows(Display* d)
{
    Window root = DefaultRootWindow(d), parent, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(d, root, &root, &parent, &children, &n))
        return 1;
    for (unsigned i = 0; i < n; ++i) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable)
            continue;
        Window client = a.override_redirect ? children[i] : Client(d, children[i]);
        XWindowAttributes ca;
        if (!XGetWindowAttributes(d, client, &ca))
            continue;
        int x = 0, y = 0;
        Window child;
        XTranslateCoordinates(d, client, root, 0, 0, &x, &y, &child);
        std::printf("0x%lx %d %d %d %d %s %s\n", client, x, y, ca.width, ca.height,
            AtomProperty(d, client, "_NET_WM_WINDOW_TYPE").c_str(), Name(d, client).c_str());
    }
    if (children)
        XFree(children);
    return 0;
}

int CountAlpha(Display* d, Window w, int x, int y, int width, int height)
{
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a))
        return 2;
    // Clip to the window; XGetImage fails on a rectangle reaching outside it.
    if (x < 0) {
        width += x;
        x = 0;
    }
    if (y < 0) {
        height += y;
        y = 0;
    }
    width = std::min(width, a.width - x);
    height = std::min(height, a.height - y);
    if (width <= 0 || height <= 0) {
        std::printf("0\n");
        return 0;
    }
    XImage* image = XGetImage(d, w, x, y, width, height, AllPlanes, ZPixmap);
    if (!image)
        return 2;
    long count = 0;
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col) {
            unsigned long p = XGetPixel(image, col, row);
            // A 32-bit visual keeps alpha in the top byte; a 24-bit one has none (all opaque).
            bool visible = a.depth == 32 ? ((p >> 24) & 0xff) != 0 : true;
            count += visible ? 1 : 0;
        }
    XDestroyImage(image);
    std::printf("%ld\n", count);
    return 0;
}

// A point for the mouse, in window coordinates, whose 7x7 neighbourhood (just the pixel for a
// halo) is all of one kind:
//   solid: visible (alpha > 0), in the left quarter, where the clock's leading digit changes
//          only hourly, so a click there stays on the digits;
//   faint: visible but below alpha 96 (a halo, which a cut at alpha 128 of the pushed frame
//          would make click-through), also in the left quarter;
//   clear: fully transparent, in the right quarter (the clock's empty strip).
// The one nearest to the middle of its area is chosen.
int Spot(Display* d, Window w, const std::string& mode)
{
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a) || a.depth != 32)
        return 2;
    XImage* image = XGetImage(d, w, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    if (!image)
        return 2;
    auto alpha = [&](int x, int y) { return static_cast<int>((XGetPixel(image, x, y) >> 24) & 0xff); };
    auto fits = [&](int x, int y) {
        const int v = alpha(x, y);
        if (mode == "solid")
            return v > 0;
        if (mode == "faint")
            return v > 0 && v < 96;
        return v == 0;
    };
    int x0 = 3, x1 = a.width / 4;
    if (mode == "clear") {
        x0 = a.width * 3 / 4;
        x1 = a.width - 3;
    }
    // A halo is only a pixel or two wide: any single faint pixel will do (the pointer lands
    // exactly on it).
    const int r = mode == "faint" ? 0 : 3;
    const int cx = (x0 + x1) / 2, cy = a.height / 2;
    long best = -1;
    int bx = 0, by = 0;
    for (int y = 3; y < a.height - 3; ++y)
        for (int x = x0; x < x1; ++x) {
            bool all = true;
            for (int dy = -r; dy <= r && all; ++dy)
                for (int dx = -r; dx <= r && all; ++dx)
                    all = fits(x + dx, y + dy);
            const long dist = static_cast<long>(x - cx) * (x - cx) + static_cast<long>(y - cy) * (y - cy);
            if (all && (best < 0 || dist < best)) {
                best = dist;
                bx = x;
                by = y;
            }
        }
    XDestroyImage(image);
    if (best < 0)
        return 1;
    std::printf("%d %d\n", bx, by);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "hx_e2e_probe: cannot open display\n");
        return 2;
    }
    int rc = 2;
    if (argc == 2 && std::strcmp(argv[1], "windows") == 0) {
        rc = ListWindows(d);
    } else if (argc == 7 && std::strcmp(argv[1], "alpha") == 0) {
        rc = CountAlpha(d, std::strtoul(argv[2], nullptr, 0), std::atoi(argv[3]), std::atoi(argv[4]),
            std::atoi(argv[5]), std::atoi(argv[6]));
    } else if (argc == 4 && std::strcmp(argv[1], "spot") == 0) {
        rc = Spot(d, std::strtoul(argv[2], nullptr, 0), argv[3]);
    } else if (argc == 2 && std::strcmp(argv[1], "composited") == 0) {
        Atom cm = XInternAtom(d, "_NET_WM_CM_S0", False);
        rc = XGetSelectionOwner(d, cm) != None ? 0 : 1;
    } else {
        std::fprintf(
            stderr, "usage: hx_e2e_probe windows | alpha 0xID x y w h | spot 0xID solid|faint|clear | composited\n");
    }
    XCloseDisplay(d);
    return rc;
}
