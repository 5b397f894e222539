#include "app/ClockFaceRenderer.h"

namespace hx {

// FIXME: no reuse yet; every tick is the plain rendering.
struct ClockFaceRenderer::Impl {
    SurfacePtr frame;
};

ClockFaceRenderer::ClockFaceRenderer(size_t)
    : impl_(std::make_unique<Impl>())
{
}

ClockFaceRenderer::~ClockFaceRenderer() = default;

ClockFaceFrame ClockFaceRenderer::Render(const ClockFaceInput& input)
{
    impl_->frame = RenderClockFaceNaive(input);
    cairo_surface_t* s = impl_->frame.get();
    return { cairo_image_surface_get_data(s), cairo_image_surface_get_width(s), cairo_image_surface_get_height(s),
        cairo_image_surface_get_stride(s), s };
}

ClockFaceCacheStats ClockFaceRenderer::CacheStats() const { return {}; }

} // namespace hx
