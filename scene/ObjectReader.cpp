#include "scene/ObjectReader.h"

#include "platform/Log.h"
#include "scene/ClassRegistry.h"
#include "scene/Collection.h"
#include "scene/PropertyPath.h"
#include "scene/StreamValues.h"
#include "scene/TextUtil.h"

#include <unordered_map>

namespace hx {

namespace {

    constexpr int kMaxLoggedErrors = 8;
    constexpr int kMaxCollectionItems = 65536;

    class Reader {
    public:
        Reader(std::span<const uint8_t> data, const TReadOptions& options)
            : in_(data)
            , options_(options)
        {
        }

        TReadReport Run(TComponent& root)
        {
            owner_ = options_.owner ? options_.owner : &root;
            if (!in_.Signature()) {
                Error("not an object stream (no TPF0 signature)");
                return Report();
            }
            Component(&root, nullptr, 0);
            if (!in_.Ok())
                Error("object stream truncated or corrupt at byte " + std::to_string(in_.Pos()));
            ResolveFixups();
            for (TComponent* c : loaded_)
                c->SetLoadingState(false);
            for (TComponent* c : loaded_)
                c->Loaded();
            if (errors_ > kMaxLoggedErrors)
                Log("scene: ... and " + std::to_string(errors_ - kMaxLoggedErrors) + " more object stream errors");
            return Report();
        }

    private:
        TReadReport Report() const { return { in_.Ok() && errors_ == 0, errors_ }; }

        void Error(const std::string& what)
        {
            if (++errors_ <= kMaxLoggedErrors)
                Log("scene: object stream: " + what);
        }

        void Component(TComponent* existing, TComponent* parent, int depth)
        {
            if (depth > TValueReader::kMaxDepth) {
                Error("objects nested too deeply");
                in_.Fail();
                return;
            }
            uint8_t flags;
            int64_t childPos;
            in_.Prefix(flags, childPos);
            std::string className = in_.ShortString();
            std::string name = in_.ShortString();
            if (!in_.Ok())
                return;
            TComponent* c = existing;
            if (!c) {
                const TClassInfo* cls = FindClass(className);
                if (!cls || !cls->IsComponent() || !cls->IsCreatable()) {
                    Error("unknown class " + className + (name.empty() ? "" : " of " + name) + "; object skipped");
                    SkipRestOfComponent(depth);
                    return;
                }
                c = static_cast<TComponent*>(cls->Create(owner_));
            }
            c->SetLoadingState(true);
            loaded_.push_back(c);
            if (!name.empty())
                names_.emplace(LowerAscii(name), c);
            if (!options_.clearNames)
                c->SetName(name);
            if (parent && c->HasParent())
                c->SetParentComponent(parent);
            while (in_.Ok() && in_.PeekByte() != 0) {
                std::string prop = in_.ShortString();
                Property(*c, prop, depth);
            }
            in_.Byte();
            while (in_.Ok() && in_.PeekByte() != 0)
                Component(nullptr, c, depth + 1);
            in_.Byte();
        }

        void SkipRestOfComponent(int depth)
        {
            while (in_.Ok() && in_.PeekByte() != 0) {
                in_.ShortString();
                in_.SkipValue(depth + 1);
            }
            in_.Byte();
            while (in_.Ok() && in_.PeekByte() != 0)
                in_.SkipComponent(depth + 1);
            in_.Byte();
        }

        void Skip(TValueType type, int depth) { in_.SkipValueOfType(type, depth + 1); }

        void Property(TPersistent& obj, const std::string& path, int depth)
        {
            auto type = static_cast<TValueType>(in_.Byte());
            if (!in_.Ok())
                return;
            TPropertyTarget t = ResolvePropertyPath(obj, path);
            if (!t) {
                Error(obj.ClassName() + " has no property " + path);
                Skip(type, depth);
                return;
            }
            TPersistent& target = *t.object;
            if (t.defined) {
                TRawValue raw;
                if (t.defined->binary && type == vaBinary && in_.SimpleValue(type, raw))
                    t.defined->readBinary(target, raw.bin);
                else if (!t.defined->binary && type != vaBinary && type != vaList && type != vaCollection
                    && in_.SimpleValue(type, raw))
                    t.defined->readValue(target, RawToValue(raw));
                else if (in_.Ok()) {
                    Error("wrong value for " + path);
                    Skip(type, depth);
                }
                return;
            }
            const TPropInfo& p = *t.prop;
            if (p.kind == TPropKind::Object) {
                TPersistent* sub = std::get<TPersistent*>(p.get(target));
                if (type == vaCollection && sub && sub->InheritsFrom(TCollection::StaticClass())) {
                    Collection(static_cast<TCollection&>(*sub), depth);
                    return;
                }
                Error("wrong value for " + path);
                Skip(type, depth);
                return;
            }
            if (!p.set) {
                Error("property " + path + " is read-only");
                Skip(type, depth);
                return;
            }
            if (type == vaList || type == vaCollection) {
                Error("wrong value for " + path);
                Skip(type, depth);
                return;
            }
            TRawValue raw;
            if (!in_.SimpleValue(type, raw)) {
                if (in_.Ok())
                    Error("unknown value type " + std::to_string(type) + " for " + path);
                in_.Fail();
                return;
            }
            switch (p.kind) {
            case TPropKind::Component:
                if (type == vaIdent)
                    fixups_.push_back({ &target, &p, raw.s });
                else if (type == vaNil)
                    p.set(target, static_cast<TPersistent*>(nullptr));
                else
                    Error("wrong value for " + path);
                return;
            case TPropKind::Event:
                if (type == vaIdent || type == vaNil) {
                    p.set(target, raw.s);
                    if (!raw.s.empty() && options_.findHandler && p.bindEvent) {
                        std::any handler = options_.findHandler(raw.s);
                        if (handler.has_value() && !p.bindEvent(target, handler))
                            Error("handler " + raw.s + " does not fit " + path);
                    }
                } else {
                    Error("wrong value for " + path);
                }
                return;
            case TPropKind::Enum:
                if (type == vaIdent) {
                    for (size_t k = 0; k < p.elementNames.size(); ++k) {
                        if (SameText(p.elementNames[k], raw.s)) {
                            p.set(target, static_cast<int64_t>(k));
                            return;
                        }
                    }
                    Error("unknown value " + raw.s + " for " + path);
                    return;
                }
                if ((type == vaInt8 || type == vaInt16 || type == vaInt32) && raw.i >= 0
                    && static_cast<size_t>(raw.i) < p.elementNames.size()) {
                    p.set(target, raw.i);
                    return;
                }
                Error("wrong value for " + path);
                return;
            case TPropKind::Set:
                if (type == vaSet) {
                    int64_t bits = 0;
                    for (const auto& n : raw.set) {
                        bool found = false;
                        for (size_t k = 0; k < p.elementNames.size() && k < 63; ++k) {
                            if (SameText(p.elementNames[k], n)) {
                                bits |= int64_t(1) << k;
                                found = true;
                            }
                        }
                        if (!found)
                            Error("unknown element " + n + " for " + path);
                    }
                    p.set(target, bits);
                } else {
                    Error("wrong value for " + path);
                }
                return;
            default: {
                if (type == vaIdent || type == vaBinary || type == vaSet) {
                    Error("wrong value for " + path);
                    return;
                }
                std::optional<TValue> v = CoerceValue(p.kind, RawToValue(raw));
                if (v)
                    p.set(target, *v);
                else
                    Error("wrong value for " + path);
                return;
            }
            }
        }

        void Collection(TCollection& col, int depth)
        {
            if (depth > TValueReader::kMaxDepth) {
                in_.Fail();
                return;
            }
            col.BeginUpdate();
            col.Clear();
            while (in_.Ok() && in_.PeekByte() != vaNull) {
                uint8_t t = in_.PeekByte();
                if (t == vaInt8 || t == vaInt16 || t == vaInt32) {
                    TRawValue order;
                    in_.SimpleValue(static_cast<TValueType>(in_.Byte()), order);
                }
                if (in_.Byte() != vaList) {
                    in_.Fail();
                    break;
                }
                // No layout has anywhere near this many items; a stream that claims more is hostile.
                TCollectionItem* item = nullptr;
                if (col.Count() < kMaxCollectionItems)
                    item = col.Add();
                else if (col.Count() == kMaxCollectionItems && !collectionCapped_) {
                    collectionCapped_ = true;
                    Error("collection longer than " + std::to_string(kMaxCollectionItems) + " items cut");
                }
                while (in_.Ok() && in_.PeekByte() != 0) {
                    std::string prop = in_.ShortString();
                    if (item)
                        Property(*item, prop, depth + 1);
                    else
                        in_.SkipValue(depth + 1);
                }
                in_.Byte();
            }
            in_.Byte();
            col.EndUpdate();
        }

        void ResolveFixups()
        {
            for (const Fixup& f : fixups_) {
                TComponent* c = nullptr;
                auto it = names_.find(LowerAscii(f.name));
                if (it != names_.end())
                    c = it->second;
                else if (options_.findComponent)
                    c = options_.findComponent(f.name);
                if (c && c->InheritsFrom(f.prop->classOf()))
                    f.prop->set(*f.target, static_cast<TPersistent*>(c));
                else
                    Error("reference to unknown component " + f.name);
            }
        }

        struct Fixup {
            TPersistent* target;
            const TPropInfo* prop;
            std::string name;
        };

        TValueReader in_;
        const TReadOptions& options_;
        TComponent* owner_ = nullptr;
        std::vector<TComponent*> loaded_;
        std::unordered_map<std::string, TComponent*> names_;
        std::vector<Fixup> fixups_;
        int errors_ = 0;
        bool collectionCapped_ = false;
    };

} // namespace

TReadReport ReadComponentFromBinary(std::span<const uint8_t> data, TComponent& root, const TReadOptions& options)
{
    return Reader(data, options).Run(root);
}

std::optional<std::string> ReadRootClassName(std::span<const uint8_t> data)
{
    TValueReader in(data);
    if (!in.Signature())
        return std::nullopt;
    uint8_t flags;
    int64_t childPos;
    in.Prefix(flags, childPos);
    std::string name = in.ShortString();
    if (!in.Ok() || name.empty())
        return std::nullopt;
    return name;
}

TComponent* CreateComponentFromBinary(std::span<const uint8_t> data, TComponent* owner, const TReadOptions& options)
{
    std::optional<std::string> className = ReadRootClassName(data);
    const TClassInfo* cls = className ? FindClass(*className) : nullptr;
    if (!cls || !cls->IsComponent() || !cls->IsCreatable()) {
        Log("scene: object stream with unknown root class " + className.value_or("(none)"));
        return nullptr;
    }
    auto* c = static_cast<TComponent*>(cls->Create(owner));
    ReadComponentFromBinary(data, *c, options);
    return c;
}

} // namespace hx
