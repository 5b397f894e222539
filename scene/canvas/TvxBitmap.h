// A picture in the canvas buffer's layout: Width x Height premultiplied ARGB pixels, rows
// top-down. It lends itself to a canvas for drawing into, and is stored as the "PNG" bytes.
#pragma once

#include "scene/ChangeNotifier.h"
#include "scene/Persistent.h"
#include "scene/canvas/TvxResourceLink.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace hx {

class TvxCanvas;
class TvxBitmapObject;

class TvxBitmap : public TPersistent, public TChangeNotifier<TvxBitmap> {
    HX_CLASS(TvxBitmap)

    // Larger pictures are refused, so that a corrupt size cannot exhaust memory.
    static constexpr int MaxSide = 16384;
    static constexpr int64_t MaxPixels = 40LL * 1024 * 1024;

    TvxBitmap();
    TvxBitmap(int width, int height);
    ~TvxBitmap();

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool IsEmpty() const { return width_ <= 0 || height_ <= 0; }

    // Reallocates and clears to transparent when the size changes; a negative or oversized
    // request is refused (logged) and leaves the bitmap as it was. Returns whether the size is now w x h.
    bool SetSize(int width, int height);
    void Clear(uint32_t color = 0);

    uint32_t* Pixels() { return pixels_.data(); }
    const uint32_t* Pixels() const { return pixels_.data(); }
    uint32_t* Scanline(int y)
    {
        return y >= 0 && y < height_ && !pixels_.empty() ? &pixels_[size_t(y) * width_] : nullptr;
    }
    uint32_t Pixel(int x, int y) const { return pixels_[size_t(y) * width_ + x]; }

    // True when some pixel is not fully opaque: such a picture is stored as PNG, others as JPEG.
    bool HasTranslucentPixels() const;

    // The canvas drawing into these pixels, made on first use and freed with them.
    TvxCanvas& Canvas();

    // The "PNG" defined property: empty for an empty bitmap, else PNG or JPEG (quality 100) bytes.
    std::vector<uint8_t> SavePng() const;
    // Decodes with the codec; a picture that does not decode leaves the bitmap unchanged (false).
    bool LoadPng(std::span<const uint8_t> bytes);

    void Assign(const TPersistent& source) override;

    // A shared picture used instead of the own pixels when it resolves.
    TvxBitmapObject* Resource() const;
    void SetResource(TvxBitmapObject* obj);
    const std::string& ResourceName() const { return resource_.Name(); }
    void SetResourceName(const std::string& name);
    void ResourceDestroying(TPersistent* resource) override { resource_.Forget(resource); }
    // The bitmap that is drawn: the resource's when it resolves, else this one.
    const TvxBitmap& Effective() const;

    // Pixel filters working on the buffer say so through this.
    using TChangeNotifier<TvxBitmap>::Changed;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint32_t> pixels_;
    std::unique_ptr<TvxCanvas> canvas_;
    TvxResourceLink resource_ { this };
};

} // namespace hx
