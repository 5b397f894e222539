// IvxScene: the scene link, implemented by the scene control that hosts an object tree.
// The tree calls it to add root objects, request repaints and reach the scene's state.
#pragma once

#include "scene/Component.h"
#include "scene/Geometry.h"

namespace hx {

class TvxObject;
class TvxCanvas;
class TvxResources;
class TvxBitmap;

class IvxScene {
public:
    virtual ~IvxScene() = default;

    // Root objects (those without a TvxObject parent).
    virtual void AddObject(TvxObject* obj) = 0;
    virtual void RemoveObject(TvxObject* obj) = 0;
    virtual void BeginWindowMove() = 0;
    virtual void BeginWindowResize() = 0;
    // r, in scene pixels, must be redrawn.
    virtual void AddUpdateRect(const TvxRect& r) = 0;
    virtual TvxObject* GetActiveControl() const = 0;
    virtual bool GetDisableUpdate() const = 0;
    virtual void SetDisableUpdate(bool disable) = 0;
    virtual bool IsDesigning() const = 0;
    virtual TvxCanvas* GetCanvas() const = 0;
    virtual TvxObject* GetRoot() const = 0;
    virtual TComponent* GetOwner() const = 0;
    virtual TComponent* GetComponent() = 0; // the scene control itself
    virtual TvxResources* GetStyle() const = 0;
    virtual void SetStyle(TvxResources* style) = 0;
    virtual bool GetTransparency() const = 0;
    virtual void UpdateStyle() = 0;
    // obj is being destroyed: drop every reference to it (focus, capture, hover). A scene
    // control that is a TComponent satisfies this with its own Notification override.
    virtual void Notification(TComponent* obj, TOperation operation) = 0;
    virtual int GetUpdateRectsCount() const = 0;
    virtual TvxRect GetUpdateRect(int i) const = 0;
    virtual void SetCaptured(TvxObject* obj) = 0;
    virtual TvxObject* GetCaptured() const = 0;
    virtual void SetFocused(TvxObject* obj) = 0;
    virtual TvxObject* GetFocused() const = 0;
    virtual TvxPoint GetMousePos() const = 0;
    virtual TvxPoint LocalToScreen(TvxPoint p) const = 0;
    virtual bool GetAnimatedCaret() const = 0;
    // Drag and drop; the windows do not use it.
    virtual void BeginDrag(TvxObject*, TvxBitmap*) { }
};

} // namespace hx
