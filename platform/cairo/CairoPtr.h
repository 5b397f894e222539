// Owning handles for the cairo, Pango and GObject objects the clock face uses, so that
// every object is released on every path without hand-written cleanup.
#pragma once

#include <cairo.h>
#include <glib-object.h>
#include <memory>
#include <pango/pango.h>

namespace hx {

struct CairoDeleter {
    void operator()(cairo_t* p) const { cairo_destroy(p); }
    void operator()(cairo_surface_t* p) const { cairo_surface_destroy(p); }
    void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
    void operator()(cairo_path_t* p) const { cairo_path_destroy(p); }
    void operator()(cairo_font_options_t* p) const { cairo_font_options_destroy(p); }
    void operator()(PangoFontDescription* p) const { pango_font_description_free(p); }
    void operator()(PangoLayoutIter* p) const { pango_layout_iter_free(p); }
};

struct GObjectDeleter {
    void operator()(gpointer p) const { g_object_unref(p); }
};

using CairoPtr = std::unique_ptr<cairo_t, CairoDeleter>;
using SurfacePtr = std::unique_ptr<cairo_surface_t, CairoDeleter>;
using PatternPtr = std::unique_ptr<cairo_pattern_t, CairoDeleter>;
using PathPtr = std::unique_ptr<cairo_path_t, CairoDeleter>;
using FontOptionsPtr = std::unique_ptr<cairo_font_options_t, CairoDeleter>;
using FontDescPtr = std::unique_ptr<PangoFontDescription, CairoDeleter>;
using LayoutIterPtr = std::unique_ptr<PangoLayoutIter, CairoDeleter>;
template <typename T> using GObjectPtr = std::unique_ptr<T, GObjectDeleter>;

} // namespace hx
