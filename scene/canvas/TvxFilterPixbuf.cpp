#include "scene/canvas/TvxFilterPixbuf.h"

#include "platform/Log.h"
#include "scene/canvas/TvxBitmap.h"

#include <cstring>
#include <gdk-pixbuf/gdk-pixbuf.h>

namespace hx {

namespace {

    // Only the PNG and JPEG decoders are offered the bytes: the stored forms and the program's
    // pictures hold nothing else, and other decoders size their buffers from header fields
    // before any size check can refuse them.
    // Only baseline, extended and progressive Huffman-coded JPEGs (SOF0, SOF1, SOF2) are taken.
    // The incremental JPEG loader spins for good on some tiny arithmetic-coded files (a 246-byte
    // one kept it busy for minutes), and nothing we write or ship uses the other codings.
    bool JpegIsHuffmanCoded(std::span<const uint8_t> b)
    {
        size_t i = 2;
        while (i + 1 < b.size()) {
            if (b[i] != 0xFF)
                return false;
            while (i + 1 < b.size() && b[i + 1] == 0xFF)
                ++i; // fill bytes
            if (i + 1 >= b.size())
                return false;
            const uint8_t marker = b[i + 1];
            if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
                i += 2; // markers without a length
                continue;
            }
            if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2)
                return true;
            // Any other frame kind, arithmetic conditioning, or data before a frame.
            if ((marker >= 0xC3 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8) || marker == 0xD9
                || marker == 0xDA)
                return false;
            if (i + 3 >= b.size())
                return false;
            i += 2 + (size_t(b[i + 2]) << 8 | b[i + 3]);
        }
        return false;
    }

    const char* SniffType(std::span<const uint8_t> b)
    {
        auto starts
            = [&](const char* magic, size_t n) { return b.size() >= n && std::memcmp(b.data(), magic, n) == 0; };
        if (starts("\x89PNG\r\n\x1a\n", 8))
            return "png";
        if (starts("\xFF\xD8\xFF", 3))
            return JpegIsHuffmanCoded(b) ? "jpeg" : nullptr;
        return nullptr;
    }

    bool SizeAcceptable(int w, int h)
    {
        return w > 0 && h > 0 && w <= TvxBitmap::MaxSide && h <= TvxBitmap::MaxSide
            && int64_t(w) * h <= TvxBitmap::MaxPixels;
    }

    void OnSizePrepared(GdkPixbufLoader* loader, int w, int h, gpointer refused)
    {
        if (!SizeAcceptable(w, h)) {
            *static_cast<bool*>(refused) = true;
            // A zero size makes the decoder stop before it allocates the picture.
            gdk_pixbuf_loader_set_size(loader, 0, 0);
        }
    }

    struct Thumb {
        int maxW, maxH;
        bool refused = false;
    };

    // Straight RGB(A) rows into premultiplied ARGB, replacing the bitmap's pixels.
    bool CopyFromPixbuf(GdkPixbuf* pb, TvxBitmap& bitmap)
    {
        const int w = gdk_pixbuf_get_width(pb);
        const int h = gdk_pixbuf_get_height(pb);
        const int n = gdk_pixbuf_get_n_channels(pb);
        if (!SizeAcceptable(w, h) || gdk_pixbuf_get_colorspace(pb) != GDK_COLORSPACE_RGB
            || gdk_pixbuf_get_bits_per_sample(pb) != 8 || (n != 3 && n != 4))
            return false;
        if (!bitmap.SetSize(w, h))
            return false;
        const int stride = gdk_pixbuf_get_rowstride(pb);
        const uint8_t* src = gdk_pixbuf_read_pixels(pb);
        for (int y = 0; y < h; ++y) {
            const uint8_t* s = src + size_t(y) * stride;
            uint32_t* d = bitmap.Scanline(y);
            for (int x = 0; x < w; ++x, s += n) {
                const uint32_t a = n == 4 ? s[3] : 255;
                auto pm = [a](uint32_t c) { return (c * a + 127) / 255; };
                d[x] = a << 24 | pm(s[0]) << 16 | pm(s[1]) << 8 | pm(s[2]);
            }
        }
        bitmap.Changed();
        return true;
    }

    GdkPixbuf* DecodeBytes(std::span<const uint8_t> bytes, Thumb* thumb)
    {
        const char* type = SniffType(bytes);
        if (!type)
            return nullptr;
        GError* err = nullptr;
        GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type(type, &err);
        if (!loader) {
            g_clear_error(&err);
            return nullptr;
        }
        bool refused = false;
        g_signal_connect(loader, "size-prepared", G_CALLBACK(OnSizePrepared), &refused);
        if (thumb) {
            g_signal_connect(loader, "size-prepared", G_CALLBACK(+[](GdkPixbufLoader* l, int w, int h, gpointer p) {
                auto* t = static_cast<Thumb*>(p);
                if (!SizeAcceptable(w, h) || (w <= t->maxW && h <= t->maxH))
                    return;
                const double s = std::min(double(t->maxW) / w, double(t->maxH) / h);
                gdk_pixbuf_loader_set_size(l, std::max(1, int(w * s)), std::max(1, int(h * s)));
            }),
                thumb);
        }
        bool ok = gdk_pixbuf_loader_write(loader, bytes.data(), bytes.size(), &err);
        g_clear_error(&err);
        // close reports truncated data: a half-decoded picture counts as one that does not decode.
        ok = gdk_pixbuf_loader_close(loader, &err) && ok;
        g_clear_error(&err);
        GdkPixbuf* pb = ok && !refused ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
        if (pb)
            g_object_ref(pb);
        g_object_unref(loader);
        return pb;
    }

    bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes)
    {
        gchar* data = nullptr;
        gsize len = 0;
        if (!g_file_get_contents(path.c_str(), &data, &len, nullptr))
            return false;
        bytes.assign(reinterpret_cast<uint8_t*>(data), reinterpret_cast<uint8_t*>(data) + len);
        g_free(data);
        return true;
    }

    GdkPixbuf* ToPixbuf(const TvxBitmap& bitmap, bool alpha)
    {
        const int w = bitmap.Width(), h = bitmap.Height();
        GdkPixbuf* pb = gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, w, h);
        if (!pb)
            return nullptr;
        const int stride = gdk_pixbuf_get_rowstride(pb);
        const int n = alpha ? 4 : 3;
        uint8_t* dst = gdk_pixbuf_get_pixels(pb);
        for (int y = 0; y < h; ++y) {
            uint8_t* d = dst + size_t(y) * stride;
            const uint32_t* s = bitmap.Pixels() + size_t(y) * w;
            for (int x = 0; x < w; ++x, d += n) {
                const uint32_t p = s[x];
                const uint32_t a = p >> 24;
                auto un = [a](uint32_t c) { return a == 0 ? 0u : std::min(255u, (c * 255 + a / 2) / a); };
                d[0] = uint8_t(un((p >> 16) & 0xFF));
                d[1] = uint8_t(un((p >> 8) & 0xFF));
                d[2] = uint8_t(un(p & 0xFF));
                if (alpha)
                    d[3] = uint8_t(a);
            }
        }
        return pb;
    }

    std::string Lower(std::string_view s)
    {
        std::string r(s);
        for (auto& c : r)
            c = char(g_ascii_tolower(c));
        return r;
    }

} // namespace

std::string TvxFilterPixbuf::GetFileTypes() { return "*.png *.jpg *.jpeg"; }

bool TvxFilterPixbuf::GetImageSize(const std::string& path, int& width, int& height)
{
    int w = 0, h = 0;
    if (!gdk_pixbuf_get_file_info(path.c_str(), &w, &h) || w <= 0 || h <= 0)
        return false;
    width = w;
    height = h;
    return true;
}

bool TvxFilterPixbuf::LoadFromStream(std::span<const uint8_t> bytes, TvxBitmap& bitmap)
{
    GdkPixbuf* pb = DecodeBytes(bytes, nullptr);
    if (!pb) {
        Log("canvas: a picture of " + std::to_string(bytes.size()) + " bytes does not decode; bitmap left as it was");
        return false;
    }
    const bool ok = CopyFromPixbuf(pb, bitmap);
    g_object_unref(pb);
    return ok;
}

bool TvxFilterPixbuf::LoadFromFile(const std::string& path, TvxBitmap& bitmap)
{
    std::vector<uint8_t> bytes;
    return ReadFile(path, bytes) && LoadFromStream(bytes, bitmap);
}

bool TvxFilterPixbuf::LoadThumbnailFromFile(const std::string& path, int maxWidth, int maxHeight, TvxBitmap& bitmap)
{
    std::vector<uint8_t> bytes;
    if (maxWidth <= 0 || maxHeight <= 0 || !ReadFile(path, bytes))
        return false;
    Thumb thumb { maxWidth, maxHeight };
    GdkPixbuf* pb = DecodeBytes(bytes, &thumb);
    if (!pb)
        return false;
    const bool ok = CopyFromPixbuf(pb, bitmap);
    g_object_unref(pb);
    return ok;
}

bool TvxFilterPixbuf::SaveToStream(
    std::vector<uint8_t>& out, const TvxBitmap& bitmap, std::string_view format, std::string_view parameters)
{
    if (bitmap.IsEmpty())
        return false;
    const std::string f = Lower(format);
    const char* type = "png";
    if (f == "jpeg" || f == "jpg")
        type = "jpeg";
    else if (f == "bmp")
        type = "bmp";
    else if (f == "tif" || f == "tiff")
        type = "tiff";
    // gdk-pixbuf has no GIF encoder: such requests are written as PNG, the codec's fallback anyway.
    const bool alpha = std::strcmp(type, "png") == 0 || std::strcmp(type, "tiff") == 0;

    std::vector<std::string> keys, values;
    if (std::strcmp(type, "jpeg") == 0) {
        size_t pos = 0;
        while (pos < parameters.size()) {
            size_t end = parameters.find(' ', pos);
            if (end == std::string_view::npos)
                end = parameters.size();
            std::string_view item = parameters.substr(pos, end - pos);
            pos = end + 1;
            const size_t eq = item.find('=');
            if (eq != std::string_view::npos && Lower(item.substr(0, eq)) == "quality") {
                keys.push_back("quality");
                values.emplace_back(item.substr(eq + 1));
            }
        }
    }
    std::vector<char*> k, v;
    for (size_t i = 0; i < keys.size(); ++i) {
        k.push_back(keys[i].data());
        v.push_back(values[i].data());
    }
    k.push_back(nullptr);
    v.push_back(nullptr);

    GdkPixbuf* pb = ToPixbuf(bitmap, alpha);
    if (!pb)
        return false;
    gchar* buf = nullptr;
    gsize len = 0;
    GError* err = nullptr;
    const bool ok = gdk_pixbuf_save_to_bufferv(pb, &buf, &len, type, k.data(), v.data(), &err);
    g_object_unref(pb);
    if (!ok) {
        Log(std::string("canvas: encoding a picture as ") + type + " failed: " + (err ? err->message : "?"));
        g_clear_error(&err);
        return false;
    }
    out.assign(reinterpret_cast<uint8_t*>(buf), reinterpret_cast<uint8_t*>(buf) + len);
    g_free(buf);
    return true;
}

bool TvxFilterPixbuf::SaveToFile(
    const std::string& path, const TvxBitmap& bitmap, std::string_view format, std::string_view parameters)
{
    std::vector<uint8_t> bytes;
    if (!SaveToStream(bytes, bitmap, format, parameters))
        return false;
    return g_file_set_contents(
        path.c_str(), reinterpret_cast<const char*>(bytes.data()), gssize(bytes.size()), nullptr);
}

TvxFilter& DefaultFilter()
{
    static TvxFilterPixbuf filter;
    return filter;
}

} // namespace hx
