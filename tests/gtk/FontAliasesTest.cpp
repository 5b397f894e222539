// The Windows face names the program asks for resolve to the installed faces, both for
// fontconfig and for Pango (which must see the aliases: they are loaded before its first use).
#include "platform/gtk/FontAliases.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <pango/pangocairo.h>
#include <string>

namespace {

std::string MatchedFamily(const char* family)
{
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::string name;
    FcChar8* value = nullptr;
    if (match && FcPatternGetString(match, FC_FAMILY, 0, &value) == FcResultMatch)
        name = reinterpret_cast<const char*>(value);
    if (match)
        FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return name;
}

TEST(FontAliases, WindowsNamesResolveToInstalledFaces)
{
    ASSERT_TRUE(hx::LoadFontAliases());
    EXPECT_TRUE(hx::LoadFontAliases()) << "a second call must be harmless";
    struct Case {
        const char* asked;
        const char* face;
    } cases[] = {
        { "宋体", "AR PL UMing CN" },
        { "SimSun", "AR PL UMing CN" },
        { "黑体", "WenQuanYi Zen Hei" },
        { "SimHei", "WenQuanYi Zen Hei" },
        { "微软雅黑", "WenQuanYi Zen Hei" },
        { "Microsoft YaHei", "WenQuanYi Zen Hei" },
        { "Tahoma", "DejaVu Sans" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchedFamily(c.asked), c.face) << c.asked;

    // Pango resolves through the same configuration.
    PangoFontMap* map = pango_cairo_font_map_new();
    PangoContext* context = pango_font_map_create_context(map);
    PangoFontDescription* wanted = pango_font_description_from_string("宋体 20");
    PangoFont* font = pango_font_map_load_font(map, context, wanted);
    ASSERT_NE(font, nullptr);
    PangoFontDescription* got = pango_font_describe(font);
    EXPECT_STREQ(pango_font_description_get_family(got), "AR PL UMing CN");
    pango_font_description_free(got);
    g_object_unref(font);
    pango_font_description_free(wanted);
    g_object_unref(context);
    g_object_unref(map);
}

} // namespace
