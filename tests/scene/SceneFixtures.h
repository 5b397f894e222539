// Small test classes that use every kind of property the table supports, and a scene double.
#pragma once

#include "scene/ClassBuilder.h"
#include "scene/Collection.h"
#include "scene/IvxScene.h"
#include "scene/TvxBounds.h"
#include "scene/TvxObject.h"
#include "scene/TvxPosition.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace hx::test {

enum TTestAlign { taNone, taLeft, taClient };

class TTestPoint : public TCollectionItem {
    HX_CLASS(TTestPoint)
    float Offset() const { return offset_; }
    void SetOffset(float v) { offset_ = v; }
    std::string Color() const { return color_; }
    void SetColor(std::string v) { color_ = std::move(v); }

private:
    float offset_ = 0;
    std::string color_ = "#FF000000";
};

class TTestPoints : public TCollection {
    HX_CLASS(TTestPoints)
    TTestPoints()
        : TCollection(TTestPoint::StaticClass())
    {
    }
};

// A value object with a sub-object and a collection, as a brush with its gradient.
class TTestFill : public TPersistent {
    HX_CLASS(TTestFill)
    uint32_t ColorValue() const { return color_; }
    void SetColorValue(uint32_t c) { color_ = c; }
    TvxPosition* Start() const { return start_.get(); }
    TTestPoints* Points() const { return points_.get(); }

private:
    uint32_t color_ = 0xFF000000;
    std::unique_ptr<TvxPosition> start_ = std::make_unique<TvxPosition>();
    std::unique_ptr<TTestPoints> points_ = std::make_unique<TTestPoints>();
};

// A tree object with one property of each kind.
class TTestShape : public TvxObject {
    HX_CLASS(TTestShape)
    explicit TTestShape(TComponent* owner)
        : TvxObject(owner)
    {
    }
    int Count() const { return count_; }
    void SetCount(int v) { count_ = v; }
    float Width() const { return width_; }
    void SetWidth(float v) { width_ = v; }
    bool Visible() const { return visible_; }
    void SetVisible(bool v) { visible_ = v; }
    std::u16string Text() const { return text_; }
    void SetText(std::u16string v) { text_ = std::move(v); }
    TTestAlign Align() const { return align_; }
    void SetAlign(TTestAlign a) { align_ = a; }
    unsigned Corners() const { return corners_; }
    void SetCorners(unsigned c) { corners_ = c; }
    TTestFill* Fill() const { return fill_.get(); }
    TvxBounds* Margins() const { return margins_.get(); }
    TvxPosition* Position() const { return position_.get(); }
    TvxObject* Link() const { return link_; }
    void SetLink(TvxObject* o)
    {
        if (link_)
            link_->RemoveFreeNotification(this);
        link_ = o;
        if (o)
            o->FreeNotification(this);
    }
    std::vector<uint8_t> Blob;
    TNotifyEvent OnClick;

    void Notification(TComponent* c, TOperation op) override
    {
        TvxObject::Notification(c, op);
        if (op == opRemove && c == link_)
            link_ = nullptr;
    }
    void Loaded() override
    {
        ++loadedCalls;
        designingAtLoaded = IsDesigning();
    }
    int loadedCalls = 0;
    bool designingAtLoaded = false;
    // Data binding: the data is Count; a negative value is refused with an exception.
    TValue GetData() const override { return int64_t(count_); }
    void SetData(const TValue& v) override
    {
        int64_t i = std::get<int64_t>(v); // throws for any other kind
        if (i < 0)
            throw std::invalid_argument("negative");
        count_ = static_cast<int>(i);
    }

private:
    int count_ = 0;
    float width_ = 50;
    bool visible_ = true;
    std::u16string text_;
    TTestAlign align_ = taNone;
    unsigned corners_ = 0xF;
    std::unique_ptr<TTestFill> fill_ = std::make_unique<TTestFill>();
    std::unique_ptr<TvxBounds> margins_ = std::make_unique<TvxBounds>();
    std::unique_ptr<TvxPosition> position_ = std::make_unique<TvxPosition>();
    TvxObject* link_ = nullptr;
};

// A control-like object: FindByResourceName does not look inside it.
class TTestControl : public TTestShape {
    HX_CLASS(TTestControl)
    explicit TTestControl(TComponent* owner)
        : TTestShape(owner)
    {
        SetWidth(100);
    }
    bool IsControl() const override { return true; }
};

// A visual-like object that records the realign and repaint requests the tree makes.
class TTestVisual : public TvxObject {
    HX_CLASS(TTestVisual)
    explicit TTestVisual(TComponent* owner)
        : TvxObject(owner, true)
    {
    }
    void Realign() override { ++realigns; }
    void Repaint() override { ++repaints; }
    int realigns = 0;
    int repaints = 0;
};

// The scene double: keeps root objects and records what the tree tells it.
class TTestScene : public TComponent, public IvxScene {
    HX_CLASS(TTestScene)
    explicit TTestScene(TComponent* owner = nullptr)
        : TComponent(owner)
    {
    }
    ~TTestScene() override
    {
        while (!roots.empty())
            delete roots.back();
    }
    void AddObject(TvxObject* obj) override
    {
        if (std::find(roots.begin(), roots.end(), obj) == roots.end())
            roots.push_back(obj);
        obj->SetScene(this);
    }
    void RemoveObject(TvxObject* obj) override
    {
        roots.erase(std::remove(roots.begin(), roots.end(), obj), roots.end());
        obj->SetScene(nullptr);
    }
    void BeginWindowMove() override { }
    void BeginWindowResize() override { }
    void AddUpdateRect(const TvxRect& r) override { updates.push_back(r); }
    TvxObject* GetActiveControl() const override { return nullptr; }
    bool GetDisableUpdate() const override { return false; }
    void SetDisableUpdate(bool) override { }
    bool IsDesigning() const override { return false; }
    TvxCanvas* GetCanvas() const override { return nullptr; }
    TvxObject* GetRoot() const override { return roots.empty() ? nullptr : roots.front(); }
    TComponent* GetOwner() const override { return Owner(); }
    TComponent* GetComponent() override { return this; }
    TvxResources* GetStyle() const override { return nullptr; }
    void SetStyle(TvxResources*) override { }
    bool GetTransparency() const override { return false; }
    void UpdateStyle() override { }
    void Notification(TComponent* obj, TOperation op) override
    {
        TComponent::Notification(obj, op);
        if (op == opRemove) {
            removed.push_back(obj);
            if (focused == obj)
                focused = nullptr;
        }
    }
    int GetUpdateRectsCount() const override { return static_cast<int>(updates.size()); }
    TvxRect GetUpdateRect(int i) const override { return updates[static_cast<size_t>(i)]; }
    void SetCaptured(TvxObject*) override { }
    TvxObject* GetCaptured() const override { return nullptr; }
    void SetFocused(TvxObject* obj) override { focused = obj; }
    TvxObject* GetFocused() const override { return focused; }
    TvxPoint GetMousePos() const override { return {}; }
    TvxPoint LocalToScreen(TvxPoint p) const override { return p; }
    bool GetAnimatedCaret() const override { return true; }

    std::vector<TvxObject*> roots;
    std::vector<TvxRect> updates;
    std::vector<TComponent*> removed;
    TvxObject* focused = nullptr;
};

} // namespace hx::test
