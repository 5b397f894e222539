#include "scene/ClassSelfCheck.h"

#include "scene/Component.h"
#include "scene/ObjectReader.h"
#include "scene/ObjectWriter.h"

#include <memory>

namespace hx {

namespace {

    std::string Show(const TValue& v)
    {
        return std::visit(
            [](const auto& x) -> std::string {
                using X = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<X, std::monostate>)
                    return "(none)";
                else if constexpr (std::is_same_v<X, int64_t> || std::is_same_v<X, float>)
                    return std::to_string(x);
                else if constexpr (std::is_same_v<X, bool>)
                    return x ? "true" : "false";
                else if constexpr (std::is_same_v<X, std::string>)
                    return "'" + x + "'";
                else if constexpr (std::is_same_v<X, std::u16string>)
                    return "(wide text)";
                else
                    return "(object)";
            },
            v);
    }

    // A value of the property's kind that differs from current, or nothing to try.
    std::optional<TValue> OtherValue(const TPropInfo& p, const TValue& current)
    {
        switch (p.kind) {
        case TPropKind::Integer:
            return TValue(int64_t(current == TValue(int64_t(1)) ? 2 : 1));
        case TPropKind::Single:
            return TValue(current == TValue(0.25f) ? 0.75f : 0.25f);
        case TPropKind::Boolean:
            if (auto* b = std::get_if<bool>(&current))
                return TValue(!*b);
            return std::nullopt;
        case TPropKind::Enum:
            if (p.elementNames.size() > 1)
                return TValue(
                    int64_t(current == TValue(int64_t(p.elementNames.size() - 1)) ? 0 : p.elementNames.size() - 1));
            return std::nullopt;
        case TPropKind::WideString:
            return TValue(std::u16string(current == TValue(std::u16string(u"x")) ? u"时y" : u"x"));
        default:
            return std::nullopt; // strings may be parsed (colours), objects and events are not values
        }
    }

    void Deleter(TPersistent* p) { delete p; }

} // namespace

std::vector<std::string> CheckClassTable(const TClassInfo& cls)
{
    std::vector<std::string> problems;
    if (!cls.IsCreatable())
        return problems;
    auto fail = [&](const std::string& what) { problems.push_back(cls.Name() + ": " + what); };

    std::unique_ptr<TPersistent, void (*)(TPersistent*)> a(cls.Create(nullptr), Deleter);
    if (!a || &a->ClassType() != &cls) {
        fail("Create gives an instance of another class");
        return problems;
    }
    for (const TPropInfo* p : cls.Properties()) {
        if (!p->get) {
            fail(p->name + " has no getter");
            continue;
        }
        TValue v = p->get(*a);
        if (p->defaultValue && v != *p->defaultValue)
            fail(p->name + " is " + Show(v) + " after creation, its default is " + Show(*p->defaultValue));
        if (!p->set || p->kind == TPropKind::Object || p->kind == TPropKind::Component)
            continue;
        p->set(*a, v);
        if (p->get(*a) != v)
            fail(p->name + " changes when set to its own value " + Show(v));
    }
    // Change what can be changed, then copy the instance and compare.
    for (const TPropInfo* p : cls.Properties()) {
        if (!p->set || !p->stored)
            continue;
        std::optional<TValue> other = OtherValue(*p, p->get(*a));
        if (!other)
            continue;
        p->set(*a, *other);
        if (p->get(*a) != *other)
            fail(p->name + " set to " + Show(*other) + " reads back " + Show(p->get(*a)));
    }
    std::unique_ptr<TPersistent, void (*)(TPersistent*)> b(cls.Create(nullptr), Deleter);
    if (cls.IsComponent()) {
        std::vector<uint8_t> bin = WriteComponentToBinary(static_cast<TComponent&>(*a));
        TReadReport r = ReadComponentFromBinary(bin, static_cast<TComponent&>(*b));
        if (!r.complete)
            fail("its stored form does not read back without errors");
        if (WriteComponentToBinary(static_cast<TComponent&>(*b)) != bin)
            fail("stored, read back and stored again, it differs");
    } else {
        b->Assign(*a);
    }
    for (const TPropInfo* p : cls.Properties()) {
        if (!p->stored || !p->set || p->kind == TPropKind::Object || p->kind == TPropKind::Component)
            continue;
        if (p->get(*a) != p->get(*b))
            fail(p->name + " is not carried over by " + (cls.IsComponent() ? "streaming" : "Assign"));
    }
    return problems;
}

} // namespace hx
