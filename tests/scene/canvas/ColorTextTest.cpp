#include "scene/canvas/ColorText.h"

#include <gtest/gtest.h>

using namespace hx;

TEST(ColorText, WritesEightUpperCaseDigits)
{
    EXPECT_EQ(ColorToText(0xFFFCFCFC), "#FFFCFCFC");
    EXPECT_EQ(ColorToText(0x00000A0B), "#00000A0B");
}

TEST(ColorText, ReadsEveryAcceptedForm)
{
    struct Case {
        const char* text;
        TvxColor want;
    } cases[] = {
        { "0", 0 },
        { "#FFCE2CA1", 0xFFCE2CA1 },
        { "#ce2ca1", 0x00CE2CA1 },
        { "gold", 0xFFFFD700 },
        { "GOLD", 0xFFFFD700 },
        { "Grey", 0xFF808080 },
        { "gray", 0xFF808080 },
        { "Aliceblue", 0xFFF0F8FF },
        { "yellowgreen", 0xFF9ACD32 },
        { "255", 0x000000FF },
        { "-1", 0xFFFFFFFF },
        { "$FF00FF00", 0xFF00FF00 },
        { "2147483647", 0x7FFFFFFF },
    };
    for (const auto& c : cases) {
        auto got = TryTextToColor(c.text);
        ASSERT_TRUE(got.has_value()) << c.text;
        EXPECT_EQ(*got, c.want) << c.text;
    }
}

TEST(ColorText, RefusesTextItCannotRead)
{
    for (const char* bad : { "", "#", "#123456789", "#12G4", "goldish", "12abc", "2147483648", "$", "--1", " 5" })
        EXPECT_FALSE(TryTextToColor(bad).has_value()) << bad;
    // Callers that must keep their colour pass it as the fallback.
    EXPECT_EQ(TextToColor("#123456789", 0xFF112233), 0xFF112233u);
}
