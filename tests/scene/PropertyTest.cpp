#include "SceneFixtures.h"
#include "scene/PropertyPath.h"

#include <gtest/gtest.h>

namespace hx::test {

TEST(PropertyTable, InheritedAndRedefinedPropertiesResolveByName)
{
    const TClassInfo& c = TTestControl::StaticClass();
    ASSERT_NE(c.FindProperty("resourcename"), nullptr); // from TvxObject, any case
    EXPECT_EQ(std::get<float>(*c.FindProperty("Width")->defaultValue), 100.f);
    EXPECT_EQ(std::get<float>(*TTestShape::StaticClass().FindProperty("Width")->defaultValue), 50.f);
    int widths = 0;
    for (const TPropInfo* p : c.Properties())
        widths += p->name == "Width";
    EXPECT_EQ(widths, 1);
}

TEST(PropertyTable, DottedPathsReachSubObjects)
{
    TTestShape s(nullptr);
    EXPECT_TRUE(SetPropertyValue(s, "Fill.Color", int64_t(0x80FF0000)));
    EXPECT_EQ(s.Fill()->ColorValue(), 0x80FF0000u);
    EXPECT_TRUE(SetPropertyValue(s, "fill.start.X", 2.5f));
    EXPECT_EQ(s.Fill()->Start()->X(), 2.5f);
    EXPECT_TRUE(SetPropertyValue(s, "Position.Point", std::string("(3,4.5)")));
    EXPECT_EQ(s.Position()->Y(), 4.5f);
    EXPECT_FALSE(SetPropertyValue(s, "Fill.Nothing", int64_t(1)));
    EXPECT_FALSE(SetPropertyValue(s, "Width.X", 1.f)); // Width is no object
    EXPECT_FALSE(SetPropertyValue(s, "Visible", std::string("yes")));
}

TEST(PropertyTable, LenientPathsSkipWhatIsNoObject)
{
    // As animations resolve "Parent.Opacity": Parent is a reference, unknown segments are skipped.
    TTestShape parent(nullptr);
    auto* child = new TTestShape(nullptr);
    parent.AddObject(child);
    TPropertyTarget t = ResolvePropertyPath(*child, "Parent . fill.Color", TPathMode::SkipUnknown);
    EXPECT_EQ(t.object, parent.Fill());
    EXPECT_EQ(t.prop->name, "Color");
    t = ResolvePropertyPath(*child, "Nope.Width", TPathMode::SkipUnknown);
    EXPECT_EQ(t.object, child);
    EXPECT_FALSE(ResolvePropertyPath(*child, "Nope.Width"));
    EXPECT_FALSE(ResolvePropertyPath(parent, "Parent.Width")); // no parent to go to
}

TEST(PropertyTable, ValuesAsTextBothWays)
{
    // As trigger conditions compare them: "IsMouseOver=true", "Align=taClient".
    TTestShape s(nullptr);
    struct Case {
        const char* prop;
        const char* text; // read
        const char* shown; // written back; nullptr: the text does not fit
    };
    for (const Case& c : { Case { "Visible", "TRUE", "true" }, Case { "Visible", "yes", nullptr },
             Case { "Align", "taclient", "taClient" }, Case { "Align", "taMiddle", nullptr },
             Case { "Count", "-12", "-12" }, Case { "Count", "12x", nullptr }, Case { "Width", "2.5", "2.5" },
             Case { "Width", "", nullptr }, Case { "Corners", "crTopLeft, crBottomRight", "crTopLeft,crBottomRight" },
             Case { "Corners", "crNowhere", nullptr }, Case { "Text", "文字", "文字" } }) {
        const TPropInfo* p = s.ClassType().FindProperty(c.prop);
        ASSERT_NE(p, nullptr);
        std::optional<TValue> v = PropertyValueFromText(*p, c.text);
        ASSERT_EQ(v.has_value(), c.shown != nullptr) << c.prop << "=" << c.text;
        if (v) {
            EXPECT_EQ(PropertyValueToText(*p, *v), c.shown);
        }
    }
}

} // namespace hx::test
