#include "SceneFixtures.h"

namespace hx::test {

HX_REGISTER_CLASS(TTestPoint, TCollectionItem)
{
    b.Single("Offset", &TTestPoint::Offset, &TTestPoint::SetOffset).Default(0);
    b.String("Color", &TTestPoint::Color, &TTestPoint::SetColor).Default("#FF000000");
}

HX_REGISTER_CLASS(TTestPoints, TCollection) { }

HX_REGISTER_CLASS(TTestFill, TPersistent)
{
    b.Integer("Color", &TTestFill::ColorValue, &TTestFill::SetColorValue).Default(0xFF000000u);
    b.Object("Start", &TTestFill::Start);
    b.Object("Points", &TTestFill::Points).StoredWhen([](const TTestFill& f) { return f.Points()->Count() > 0; });
}

HX_REGISTER_CLASS(TTestShape, TvxObject)
{
    b.Integer("Count", &TTestShape::Count, &TTestShape::SetCount).Default(0);
    b.Single("Width", &TTestShape::Width, &TTestShape::SetWidth).Default(50);
    b.Boolean("Visible", &TTestShape::Visible, &TTestShape::SetVisible).Default(true);
    b.WideString("Text", &TTestShape::Text, &TTestShape::SetText).Default(u"");
    b.Enum("Align", { "taNone", "taLeft", "taClient" }, &TTestShape::Align, &TTestShape::SetAlign).Default(taNone);
    b.Set("Corners", { "crTopLeft", "crTopRight", "crBottomLeft", "crBottomRight" }, &TTestShape::Corners,
         &TTestShape::SetCorners)
        .Default(0xF);
    b.Object("Fill", &TTestShape::Fill);
    b.Object("Margins", &TTestShape::Margins);
    b.Object("Position", &TTestShape::Position);
    b.Component<TvxObject>("Link", &TTestShape::Link, &TTestShape::SetLink);
    b.Event("OnClick", &TTestShape::OnClick);
    b.DefinedBinary(
        "Blob", [](const TTestShape& s) { return !s.Blob.empty(); }, [](const TTestShape& s) { return s.Blob; },
        [](TTestShape& s, std::span<const uint8_t> d) { s.Blob.assign(d.begin(), d.end()); });
}

HX_REGISTER_CLASS(TTestControl, TTestShape) { b.Redefine("Width").Default(100); }

HX_REGISTER_CLASS(TTestVisual, TvxObject) { }

HX_REGISTER_CLASS(TTestScene, TComponent) { }

} // namespace hx::test
