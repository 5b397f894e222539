// The image codec: decodes pictures into a TvxBitmap and encodes a bitmap by format name.
// The toolkit's codec is TvxFilterPixbuf (gdk-pixbuf); DefaultFilter() returns it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hx {

class TvxBitmap;

class TvxFilter {
public:
    virtual ~TvxFilter() = default;

    // Space-separated patterns of the readable files ("*.png *.jpg ...").
    virtual std::string GetFileTypes() = 0;
    // Size of the picture in a file without decoding it all; false when unreadable.
    virtual bool GetImageSize(const std::string& path, int& width, int& height) = 0;
    // True and the bitmap holds the picture; false (and the bitmap unchanged) when it does not decode.
    virtual bool LoadFromStream(std::span<const uint8_t> bytes, TvxBitmap& bitmap) = 0;
    virtual bool LoadFromFile(const std::string& path, TvxBitmap& bitmap) = 0;
    // Decodes a picture scaled to fit maxWidth x maxHeight.
    virtual bool LoadThumbnailFromFile(const std::string& path, int maxWidth, int maxHeight, TvxBitmap& bitmap) = 0;
    // format: "png", "jpeg"/"jpg", "bmp", "tif"/"tiff", "gif" (other names give PNG); parameters:
    // name=value items separated by " ", of which "quality" is used.
    virtual bool SaveToStream(
        std::vector<uint8_t>& out, const TvxBitmap& bitmap, std::string_view format, std::string_view parameters)
        = 0;
    virtual bool SaveToFile(
        const std::string& path, const TvxBitmap& bitmap, std::string_view format, std::string_view parameters)
        = 0;
};

TvxFilter& DefaultFilter();

} // namespace hx
