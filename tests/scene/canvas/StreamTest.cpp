#include "scene/ClassSelfCheck.h"
#include "scene/PropertyPath.h"
#include "scene/canvas/TvxFont.h"
#include "scene/canvas/TvxResourceObjects.h"

#include <gtest/gtest.h>
#include <memory>

using namespace hx;

namespace {

struct Stream : ::testing::Test {
    static void SetUpTestSuite() { RegisterCanvasClasses(); }
};

template <class T> std::unique_ptr<T> Reread(const std::string& text)
{
    std::unique_ptr<TvxObject> obj(TvxObject::CreateFromText(text, nullptr));
    EXPECT_TRUE(obj) << text;
    auto* t = dynamic_cast<T*>(obj.get());
    EXPECT_TRUE(t) << text;
    if (t)
        obj.release();
    return std::unique_ptr<T>(t);
}

bool Has(const std::string& text, const char* line) { return text.find(line) != std::string::npos; }

} // namespace

TEST_F(Stream, BrushStoresOnlyWhatItsStyleUses)
{
    TvxBrushObject b(nullptr);
    b.SetName("plain");
    std::string text = b.SaveToText();
    EXPECT_FALSE(Has(text, "Brush.Style")) << text;
    EXPECT_FALSE(Has(text, "Brush.Color")) << text;
    EXPECT_FALSE(Has(text, "ResourceName")) << text; // follows the name

    b.Brush().SetColor(0xFFCE2CA1);
    text = b.SaveToText();
    EXPECT_TRUE(Has(text, "Brush.Color = '#FFCE2CA1'")) << text;

    b.Brush().SetStyle(vgBrushGradient);
    text = b.SaveToText();
    EXPECT_TRUE(Has(text, "Brush.Style = vgBrushGradient")) << text;
    EXPECT_FALSE(Has(text, "Brush.Color")) << text;
    EXPECT_TRUE(Has(text, "Brush.Gradient.Points")) << text;
}

TEST_F(Stream, GradientBrushRoundTripsThroughTextAndBinary)
{
    TvxBrushObject b(nullptr);
    b.SetName("glow");
    b.SetResourceName("halo");
    b.Brush().SetStyle(vgBrushGradient);
    b.Brush().Gradient().SetPoints({ { 0xFF112233, 0.2f }, { 0x80445566, 0.8f } });
    b.Brush().Gradient().SetStyle(vgRadialGradient);
    b.Brush().Gradient().StopPosition().SetPoint({ 1, 0.5f });
    b.Brush().Gradient().RadialTransform().SetRotateAngle(30);

    auto back = Reread<TvxBrushObject>(b.SaveToText());
    ASSERT_TRUE(back);
    const TvxGradient& g = back->Brush().Gradient();
    EXPECT_EQ(back->Brush().Style(), vgBrushGradient);
    EXPECT_EQ(g.Stops(), b.Brush().Gradient().Stops());
    EXPECT_EQ(g.Style(), vgRadialGradient);
    EXPECT_EQ(g.StopPosition().Point(), (TvxPoint { 1, 0.5f }));
    EXPECT_EQ(g.RadialTransform().RotateAngle(), 30);
    EXPECT_EQ(back->ResourceName(), "halo");

    std::unique_ptr<TvxObject> bin(TvxObject::CreateFromBinary(b.SaveToBinary(), nullptr));
    auto* bb = dynamic_cast<TvxBrushObject*>(bin.get());
    ASSERT_TRUE(bb);
    EXPECT_EQ(bb->Brush().Gradient().Stops(), b.Brush().Gradient().Stops());
}

TEST_F(Stream, CloneOfABrushIsIndependent)
{
    TvxBrushObject b(nullptr);
    b.Brush().SetStyle(vgBrushGradient);
    std::unique_ptr<TvxObject> copy(b.Clone(nullptr));
    auto* c = dynamic_cast<TvxBrushObject*>(copy.get());
    ASSERT_TRUE(c);
    b.Brush().Gradient().SetPoints({ { 0xFFFF0000, 0 } });
    EXPECT_EQ(c->Brush().Gradient().Stops().size(), 2u);
    EXPECT_EQ(c->Brush().Style(), vgBrushGradient);
}

TEST_F(Stream, BitmapPixelsTravelAsThePngProperty)
{
    TvxBitmapObject b(nullptr);
    b.Bitmap().SetSize(3, 2);
    b.Bitmap().Clear(0x80400000);
    const std::string text = b.SaveToText();
    EXPECT_TRUE(Has(text, "Bitmap.PNG = {")) << text;
    auto back = Reread<TvxBitmapObject>(text);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->Bitmap().Width(), 3);
    EXPECT_EQ(back->Bitmap().Pixel(2, 1), 0x80400000u);

    TvxBitmapObject empty(nullptr);
    EXPECT_FALSE(Has(empty.SaveToText(), "PNG"));
}

TEST_F(Stream, UndecodablePngInAStreamLeavesTheBitmapEmpty)
{
    const char* text = "object x: TvxBitmapObject\n  Bitmap.PNG = {0011223344}\nend\n";
    auto back = Reread<TvxBitmapObject>(text);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->Bitmap().IsEmpty());
}

TEST_F(Stream, PathDataTravelsAsThePathPropertyAndIsReachableAsData)
{
    TvxPathObject p(nullptr);
    ASSERT_TRUE(SetPropertyValue(p, "Path.Data", TValue(std::string("M 0 0 L 10 0 L 10 10 Z"))));
    EXPECT_EQ(p.Path().Points().size(), 4u);
    const std::string text = p.SaveToText();
    EXPECT_TRUE(Has(text, "Path.Path = {")) << text;
    EXPECT_FALSE(Has(text, "Path.Data")) << text; // stored once, in binary
    auto back = Reread<TvxPathObject>(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Path().Data(), "M 0,0 L 10,0 L 10,10 Z ");
}

TEST_F(Stream, PathAndBitmapLinkToSharedResources)
{
    auto* shared = new TvxPathObject(nullptr);
    shared->SetName("arrow");
    shared->Path().SetData("M 0 0 L 4 2 L 0 4 Z");
    TvxPathData own;
    own.SetData("M 0 0 L 1 1");
    own.SetResourceName("arrow");
    EXPECT_EQ(&own.Effective(), &shared->Path());
    own.SetResource(shared);
    delete shared;
    EXPECT_EQ(own.Resource(), nullptr);
    EXPECT_EQ(&own.Effective(), &own);

    auto* pic = new TvxBitmapObject(nullptr);
    pic->SetName("pic");
    TvxBitmap bm;
    bm.SetResourceName("pic");
    EXPECT_EQ(&bm.Effective(), &pic->Bitmap());
    delete pic;
    EXPECT_EQ(&bm.Effective(), &bm);
}

TEST_F(Stream, EveryCanvasClassPassesTheTableSelfCheck)
{
    for (const TClassInfo* cls : { &TvxFont::StaticClass(), &TvxGradientPoint::StaticClass(),
             &TvxGradient::StaticClass(), &TvxTransform::StaticClass(), &TvxBitmap::StaticClass(),
             &TvxBrushBitmap::StaticClass(), &TvxBrushResource::StaticClass(), &TvxVisual::StaticClass(),
             &TvxBrush::StaticClass(), &TvxPathData::StaticClass(), &TvxBitmapObject::StaticClass(),
             &TvxBrushObject::StaticClass(), &TvxPathObject::StaticClass() }) {
        for (const std::string& problem : CheckClassTable(*cls))
            ADD_FAILURE() << cls->Name() << ": " << problem;
    }
}
