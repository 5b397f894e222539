#include "SceneFixtures.h"
#include "scene/EmbeddedLayouts.h"
#include "scene/ObjectReader.h"

#include <gtest/gtest.h>

namespace hx::test {

TEST(EmbeddedLayouts, BuildEmbedsTheBinaryFormAndTheTreeReadsFromIt)
{
    std::span<const uint8_t> data = FindEmbeddedLayout("SAMPLE_PANEL");
    ASSERT_GE(data.size(), 4u);
    EXPECT_EQ(std::string(data.begin(), data.begin() + 4), "TPF0");
    EXPECT_TRUE(FindEmbeddedLayout("no_such_layout").empty());

    // Read as a window reads its layout: names kept, handlers bound by name, every component
    // owned by the form.
    TComponent form(nullptr);
    bool clicked = false;
    TReadOptions options;
    options.owner = &form;
    options.findHandler = [&](std::string_view name) -> std::any {
        return name == "PanelClick" ? std::any(TNotifyEvent([&](TObject*) { clicked = true; })) : std::any();
    };
    auto* shape = static_cast<TTestShape*>(CreateComponentFromBinary(data, &form, options));
    ASSERT_TRUE(shape);
    EXPECT_EQ(shape->Text(), u"今日天气");
    EXPECT_EQ(shape->Margins()->Rect(), (TvxRect { 5, 5, 5, 5 }));
    ASSERT_EQ(shape->ChildrenCount(), 2);
    EXPECT_EQ(form.FindComponent("body"), shape->Child(1));
    EXPECT_EQ(static_cast<TTestShape*>(shape->FindByResourceName("title"))->Position()->Point(), (TvxPoint { 10, 8 }));
    shape->OnClick(shape);
    EXPECT_TRUE(clicked);
}

} // namespace hx::test
