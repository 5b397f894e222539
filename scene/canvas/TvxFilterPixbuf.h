// The codec on gdk-pixbuf: decodes with a size check before any pixel memory is taken, and
// converts between gdk-pixbuf's straight RGBA and the toolkit's premultiplied ARGB.
#pragma once

#include "scene/canvas/TvxFilter.h"

namespace hx {

class TvxFilterPixbuf final : public TvxFilter {
public:
    std::string GetFileTypes() override;
    bool GetImageSize(const std::string& path, int& width, int& height) override;
    bool LoadFromStream(std::span<const uint8_t> bytes, TvxBitmap& bitmap) override;
    bool LoadFromFile(const std::string& path, TvxBitmap& bitmap) override;
    bool LoadThumbnailFromFile(const std::string& path, int maxWidth, int maxHeight, TvxBitmap& bitmap) override;
    bool SaveToStream(std::vector<uint8_t>& out, const TvxBitmap& bitmap, std::string_view format,
        std::string_view parameters) override;
    bool SaveToFile(const std::string& path, const TvxBitmap& bitmap, std::string_view format,
        std::string_view parameters) override;
};

} // namespace hx
