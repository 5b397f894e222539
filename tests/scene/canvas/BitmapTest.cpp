#include "scene/canvas/TvxBitmap.h"
#include "scene/canvas/TvxFilter.h"

#include <glib.h>
#include <gtest/gtest.h>

using namespace hx;

namespace {

uint32_t Crc32(const uint8_t* p, size_t n)
{
    uint32_t c = 0xFFFFFFFF;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

void PutBE(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (24 - 8 * i));
}

bool IsPng(const std::vector<uint8_t>& b)
{
    return b.size() > 8 && b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G';
}

bool IsJpeg(const std::vector<uint8_t>& b) { return b.size() > 3 && b[0] == 0xFF && b[1] == 0xD8; }

} // namespace

TEST(Bitmap, StoresOpaquePicturesAsJpegAndTranslucentOnesAsPng)
{
    TvxBitmap opaque(8, 8);
    opaque.Clear(0xFF336699);
    const auto jpeg = opaque.SavePng();
    EXPECT_TRUE(IsJpeg(jpeg));
    TvxBitmap back;
    ASSERT_TRUE(back.LoadPng(jpeg));
    EXPECT_EQ(back.Width(), 8);
    // Quality 100 keeps a flat colour within a step or two.
    const uint32_t p = back.Pixel(4, 4);
    EXPECT_EQ(p >> 24, 0xFFu);
    EXPECT_NEAR(int((p >> 16) & 0xFF), 0x33, 2);
    EXPECT_NEAR(int(p & 0xFF), 0x99, 2);

    TvxBitmap translucent(3, 2);
    translucent.Clear(0xFF000000);
    translucent.Pixels()[4] = 0x40102030; // premultiplied, alpha 0x40
    const auto png = translucent.SavePng();
    EXPECT_TRUE(IsPng(png));
    TvxBitmap back2;
    ASSERT_TRUE(back2.LoadPng(png));
    EXPECT_EQ(back2.Pixel(1, 1), 0x40102030u);
    EXPECT_EQ(back2.Pixel(0, 0), 0xFF000000u);

    EXPECT_TRUE(TvxBitmap().SavePng().empty());
}

TEST(Bitmap, LoadingReplacesThePicture)
{
    TvxBitmap src(2, 2);
    src.Clear(0x00000000);
    src.Pixels()[0] = 0x80800000;
    const auto png = src.SavePng();

    TvxBitmap dst(2, 2);
    dst.Clear(0xFF00FF00);
    ASSERT_TRUE(dst.LoadPng(png));
    // Not drawn over the old pixels: the transparent ones stay transparent.
    EXPECT_EQ(dst.Pixel(1, 1), 0u);
    EXPECT_EQ(dst.Pixel(0, 0), 0x80800000u);
}

TEST(Bitmap, UndecodablePicturesLeaveTheBitmapUnchanged)
{
    TvxBitmap src(4, 4);
    src.Clear(0x80000000);
    const auto png = src.SavePng();
    ASSERT_TRUE(IsPng(png));

    auto truncated = png;
    truncated.resize(png.size() / 2);
    auto garbage = std::vector<uint8_t>(100, 0x5A);
    // A valid header (good CRC) announcing 100000 x 100000 pixels.
    auto huge = png;
    PutBE(huge, 16, 100000);
    PutBE(huge, 20, 100000);
    PutBE(huge, 29, Crc32(&huge[12], 17));

    // An arithmetic-coded JPEG (SOF9) of 4 x 2 pixels that the incremental decoder never finishes.
    std::vector<uint8_t> arithmetic = [] {
        const char* b64
            = "/9j/4AAQSkZJRgABAQAAAAABAAD/2wBDAAMCAgMCAgMDAwIEAwMEBQgFDQ0NDQ0NDQ0NDQ0NDQ0NDQ0NDQ0NDQ0NDQ0NDQ3/"
              "BHRpZmYHBggMQAoMDAsKCw4NCxIQDg0OEQsLEBYQERMUFQUVDA8XGBYqGBIUFf/bAEMBfgMEBAUEBQJdRgkFBQkUDQsNFB"
              "QUFBQUFBQUFAAAABQUFBQUFBQUFBQUFBQUFBQUFBQQFBTIAAAAFBQUFBQU9evr6//JABEIAAIABAMBEQACEQEDEQAAFBQUEQ"
              "EAAAAAAAAAAAAAAFsAAAAI/9oADAMBAAIRAxEAPwA9";
        gsize n = 0;
        guchar* raw = g_base64_decode(b64, &n);
        std::vector<uint8_t> v(raw, raw + n);
        g_free(raw);
        return v;
    }();

    for (const auto* bytes : { &truncated, &garbage, &huge, &arithmetic }) {
        TvxBitmap b(1, 1);
        b.Clear(0xFF123456);
        EXPECT_FALSE(b.LoadPng(*bytes));
        EXPECT_EQ(b.Width(), 1);
        EXPECT_EQ(b.Pixel(0, 0), 0xFF123456u);
    }
}

TEST(Bitmap, RefusesAbsurdSizes)
{
    TvxBitmap b(2, 2);
    EXPECT_FALSE(b.SetSize(-1, 5));
    EXPECT_FALSE(b.SetSize(100000, 100000));
    EXPECT_EQ(b.Width(), 2);
    EXPECT_TRUE(b.SetSize(0, 0));
    EXPECT_TRUE(b.IsEmpty());
}

TEST(Bitmap, CodecWritesTheRequestedFormat)
{
    TvxBitmap b(4, 4);
    b.Clear(0xFF102030);
    std::vector<uint8_t> out;
    ASSERT_TRUE(DefaultFilter().SaveToStream(out, b, "bmp", ""));
    EXPECT_EQ(out[0], 'B');
    ASSERT_TRUE(DefaultFilter().SaveToStream(out, b, "whatever", ""));
    EXPECT_TRUE(IsPng(out));
    ASSERT_TRUE(DefaultFilter().SaveToStream(out, b, "JPG", "quality=50"));
    EXPECT_TRUE(IsJpeg(out));
}
