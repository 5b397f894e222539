// Counts the X resources (windows, pixmaps, GCs, pictures, ...) that the client owning a given
// window holds in the server, through the X-Resource extension: the soak benchmark compares
// the count before and after thousands of clock ticks.
//
//   hx_xres_count 0xWINDOW   -> "total N pixmap_bytes B" and one "TYPE COUNT" line per type
#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: hx_xres_count 0xWINDOW\n");
        return 2;
    }
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "hx_xres_count: cannot open display\n");
        return 2;
    }
    int event, error;
    if (!XResQueryExtension(d, &event, &error)) {
        std::fprintf(stderr, "hx_xres_count: the server has no X-Resource extension\n");
        return 2;
    }
    const XID window = std::strtoul(argv[1], nullptr, 0);
    int count = 0;
    XResClient* clients = nullptr;
    XResQueryClients(d, &count, &clients);
    int rc = 1;
    for (int i = 0; i < count; ++i) {
        if ((window & ~clients[i].resource_mask) != clients[i].resource_base)
            continue;
        int types = 0;
        XResType* usage = nullptr;
        XResQueryClientResources(d, clients[i].resource_base, &types, &usage);
        unsigned long pixmapBytes = 0;
        XResQueryClientPixmapBytes(d, clients[i].resource_base, &pixmapBytes);
        long total = 0;
        for (int t = 0; t < types; ++t)
            total += usage[t].count;
        std::printf("total %ld pixmap_bytes %lu\n", total, pixmapBytes);
        for (int t = 0; t < types; ++t) {
            char* name = XGetAtomName(d, usage[t].resource_type);
            std::printf("%s %u\n", name ? name : "?", usage[t].count);
            if (name)
                XFree(name);
        }
        XFree(usage);
        rc = 0;
        break;
    }
    if (clients)
        XFree(clients);
    XCloseDisplay(d);
    if (rc != 0)
        std::fprintf(stderr, "hx_xres_count: no client owns 0x%lx\n", window);
    return rc;
}
