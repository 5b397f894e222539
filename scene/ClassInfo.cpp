#include "scene/ClassBuilder.h"
#include "scene/Persistent.h"

#include <cmath>
#include <stdexcept>

namespace hx {

const char* PropKindName(TPropKind kind)
{
    switch (kind) {
    case TPropKind::Integer:
        return "Integer";
    case TPropKind::Single:
        return "Single";
    case TPropKind::Boolean:
        return "Boolean";
    case TPropKind::String:
        return "String";
    case TPropKind::WideString:
        return "WideString";
    case TPropKind::Enum:
        return "Enum";
    case TPropKind::Set:
        return "Set";
    case TPropKind::Object:
        return "Object";
    case TPropKind::Component:
        return "Component";
    case TPropKind::Event:
        return "Event";
    }
    return "?";
}

bool TPropInfo::IsStored(const TPersistent& obj) const
{
    if (!stored || !get)
        return false;
    if (kind != TPropKind::Object && !set)
        return false;
    if (storedWhen)
        return storedWhen(obj);
    if (defaultValue)
        return get(obj) != *defaultValue;
    if (kind == TPropKind::Component) {
        TValue v = get(obj);
        auto* p = std::get_if<TPersistent*>(&v);
        return p && *p;
    }
    return true;
}

TClassInfo::TClassInfo(std::string name, const TClassInfo* parent, Factory factory, bool isComponent)
    : name_(std::move(name))
    , parent_(parent)
    , factory_(factory)
    , isComponent_(isComponent)
{
    if (parent_) {
        all_ = parent_->all_;
        allDefined_ = parent_->allDefined_;
        byName_ = parent_->byName_;
    }
}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const
{
    for (const TClassInfo* c = this; c; c = c->parent_) {
        if (c == &other)
            return true;
    }
    return false;
}

TPersistent* TClassInfo::Create(TComponent* owner) const { return factory_ ? factory_(owner) : nullptr; }

const TPropInfo* TClassInfo::FindProperty(std::string_view name) const
{
    auto it = byName_.find(LowerAscii(name));
    return it == byName_.end() ? nullptr : it->second;
}

const TDefinedProp* TClassInfo::FindDefined(std::string_view name) const
{
    for (const TDefinedProp* d : allDefined_) {
        if (SameText(d->name, name))
            return d;
    }
    return nullptr;
}

TPropInfo& TClassInfo::AddProperty(TPropInfo info)
{
    own_.push_back(std::make_unique<TPropInfo>(std::move(info)));
    TPropInfo* p = own_.back().get();
    std::string key = LowerAscii(p->name);
    auto it = byName_.find(key);
    if (it != byName_.end()) {
        for (auto& slot : all_) {
            if (slot == it->second)
                slot = p;
        }
        it->second = p;
    } else {
        all_.push_back(p);
        byName_.emplace(std::move(key), p);
    }
    return *p;
}

TDefinedProp& TClassInfo::AddDefined(TDefinedProp info)
{
    ownDefined_.push_back(std::make_unique<TDefinedProp>(std::move(info)));
    TDefinedProp* d = ownDefined_.back().get();
    for (auto& slot : allDefined_) {
        if (SameText(slot->name, d->name)) {
            slot = d;
            return *d;
        }
    }
    allDefined_.push_back(d);
    return *d;
}

std::optional<TValue> CoerceValue(TPropKind kind, const TValue& v)
{
    switch (kind) {
    case TPropKind::Integer:
    case TPropKind::Enum:
    case TPropKind::Set:
        if (auto* i = std::get_if<int64_t>(&v))
            return *i;
        if (auto* b = std::get_if<bool>(&v); b && kind == TPropKind::Integer)
            return static_cast<int64_t>(*b);
        if (auto* f = std::get_if<float>(&v);
            f && kind == TPropKind::Integer && std::isfinite(*f) && std::fabs(*f) < 9.2e18f)
            return static_cast<int64_t>(std::llround(*f));
        return std::nullopt;
    case TPropKind::Single:
        if (auto* f = std::get_if<float>(&v))
            return *f;
        if (auto* i = std::get_if<int64_t>(&v))
            return static_cast<float>(*i);
        return std::nullopt;
    case TPropKind::Boolean:
        if (auto* b = std::get_if<bool>(&v))
            return *b;
        if (auto* i = std::get_if<int64_t>(&v))
            return *i != 0;
        return std::nullopt;
    case TPropKind::String:
    case TPropKind::Event:
        if (auto* s = std::get_if<std::string>(&v))
            return *s;
        if (auto* w = std::get_if<std::u16string>(&v))
            return Utf16ToUtf8(*w);
        if (std::holds_alternative<std::monostate>(v) && kind == TPropKind::Event)
            return std::string();
        return std::nullopt;
    case TPropKind::WideString:
        if (auto* w = std::get_if<std::u16string>(&v))
            return *w;
        if (auto* s = std::get_if<std::string>(&v))
            return Utf8ToUtf16(*s);
        return std::nullopt;
    case TPropKind::Object:
    case TPropKind::Component:
        if (std::holds_alternative<TPersistent*>(v))
            return v;
        if (std::holds_alternative<std::monostate>(v))
            return TValue(static_cast<TPersistent*>(nullptr));
        return std::nullopt;
    }
    return std::nullopt;
}

const TClassInfo& TPersistent::StaticClass()
{
    static const TClassInfo& info
        = TClassBuilder<TPersistent>::Build("TPersistent", nullptr, [](TClassBuilder<TPersistent>&) {});
    return info;
}
[[maybe_unused]] static const bool hxRegistered_TPersistent = (RegisterClass(TPersistent::StaticClass()), true);

} // namespace hx
