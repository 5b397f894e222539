// A gradient of a brush: colour points along 0..1, linear between two positions of the
// filled rectangle or radial inside its ellipse, and the colour at an offset for animations.
#pragma once

#include "scene/ChangeNotifier.h"
#include "scene/Collection.h"
#include "scene/Geometry.h"
#include "scene/TvxPosition.h"
#include "scene/canvas/ColorText.h"

#include <initializer_list>
#include <memory>
#include <vector>

namespace hx {

enum TvxGradientStyle { vgLinearGradient, vgRadialGradient };

// A colour and offset pair, for building and reading gradients in code.
struct TvxGradientStop {
    TvxColor Color = 0;
    float Offset = 0;
    friend bool operator==(const TvxGradientStop&, const TvxGradientStop&) = default;
};

class TvxGradientPoint : public TCollectionItem {
    HX_CLASS(TvxGradientPoint)

    TvxGradientPoint() = default;
    TvxColor Color() const { return color_; }
    void SetColor(TvxColor c);
    std::string ColorText() const { return ColorToText(color_); }
    void SetColorText(const std::string& text) { SetColor(TextToColor(text, color_)); }
    float Offset() const { return offset_; }
    void SetOffset(float o);
    void Assign(const TPersistent& source) override;

private:
    TvxColor color_ = 0;
    float offset_ = 0;
};

class TvxGradientPoints : public TCollection {
    HX_CLASS(TvxGradientPoints)

    TvxGradientPoints()
        : TCollection(TvxGradientPoint::StaticClass())
    {
    }
    TvxGradientPoint* Point(int i) const { return static_cast<TvxGradientPoint*>(Item(i)); }
};

// Placement of a radial gradient's ellipse: scale and translation, then the rotation, like an
// object's local matrix but always about the origin (RotateCenter is kept for the stored form).
class TvxTransform : public TPersistent, public TChangeNotifier<TvxTransform> {
    HX_CLASS(TvxTransform)

    TvxTransform();
    TvxPosition& Position() { return *position_; }
    TvxPosition& Scale() { return *scale_; }
    TvxPosition& RotateCenter() { return *rotateCenter_; }
    const TvxPosition& Position() const { return *position_; }
    const TvxPosition& Scale() const { return *scale_; }
    const TvxPosition& RotateCenter() const { return *rotateCenter_; }
    float RotateAngle() const { return angle_; }
    void SetRotateAngle(float a);
    TvxMatrix Matrix() const;

private:
    std::unique_ptr<TvxPosition> position_, scale_, rotateCenter_;
    float angle_ = 0;
};

class TvxGradient : public TPersistent, public TChangeNotifier<TvxGradient> {
    HX_CLASS(TvxGradient)

    TvxGradient(); // "#FF000000" at 0, "#FFFFFFFF" at 1, top to bottom
    ~TvxGradient() override;

    TvxGradientPoints& Points() { return *points_; }
    const TvxGradientPoints& Points() const { return *points_; }
    std::vector<TvxGradientStop> Stops() const;
    void SetPoints(std::initializer_list<TvxGradientStop> stops);
    void SetPoints(const std::vector<TvxGradientStop>& stops);

    TvxGradientStyle Style() const { return style_; }
    void SetStyle(TvxGradientStyle s);
    TvxPosition& StartPosition() { return *start_; }
    const TvxPosition& StartPosition() const { return *start_; }
    TvxPosition& StopPosition() { return *stop_; }
    const TvxPosition& StopPosition() const { return *stop_; }
    TvxTransform& RadialTransform() { return *radial_; }
    const TvxTransform& RadialTransform() const { return *radial_; }

    // Colour at offset x (clamped to 0..1), mixed channel by channel; 0 with fewer than two points.
    TvxColor InterpolateColor(float x) const;

    void Assign(const TPersistent& source) override;

private:
    std::unique_ptr<TvxGradientPoints> points_;
    TvxGradientStyle style_ = vgLinearGradient;
    std::unique_ptr<TvxPosition> start_, stop_;
    std::unique_ptr<TvxTransform> radial_;
};

} // namespace hx
