// Describing a class's properties, once per class, in its .cpp file:
//
//     HX_REGISTER_CLASS(TvxFoo, TvxObject)
//     {
//         b.Single("Width", &TvxFoo::Width, &TvxFoo::SetWidth).Default(50);
//         b.Object("Fill", &TvxFoo::Fill);
//     }
//
// The block runs the first time TvxFoo::StaticClass() is asked for; the class is entered
// in the class registry during static initialisation (see RegisterSceneClasses).
#pragma once

#include "scene/ClassRegistry.h"
#include "scene/Component.h"
#include "scene/TextUtil.h"

#include <functional>
#include <stdexcept>
#include <type_traits>

namespace hx {

template <class T> class TClassBuilder {
public:
    class PropRef {
    public:
        explicit PropRef(TPropInfo& p)
            : p_(p)
        {
        }
        template <class V> PropRef& Default(V v)
        {
            if constexpr (std::is_same_v<V, bool>)
                p_.defaultValue = TValue(v);
            else if constexpr (std::is_arithmetic_v<V> || std::is_enum_v<V>) {
                if (p_.kind == TPropKind::Single)
                    p_.defaultValue = TValue(static_cast<float>(v));
                else
                    p_.defaultValue = TValue(static_cast<int64_t>(v));
            } else if constexpr (std::is_convertible_v<V, std::u16string_view>) {
                p_.defaultValue = TValue(std::u16string(std::u16string_view(v)));
            } else {
                std::string s { std::string_view(v) };
                p_.defaultValue = p_.kind == TPropKind::WideString ? TValue(Utf8ToUtf16(s)) : TValue(std::move(s));
            }
            return *this;
        }
        PropRef& NoDefault()
        {
            p_.defaultValue.reset();
            return *this;
        }
        PropRef& Stored(bool stored)
        {
            p_.stored = stored;
            return *this;
        }
        PropRef& StoredWhen(std::function<bool(const T&)> rule)
        {
            p_.storedWhen = [rule = std::move(rule)](const TPersistent& o) { return rule(static_cast<const T&>(o)); };
            return *this;
        }
        TPropInfo& Info() { return p_; }

    private:
        TPropInfo& p_;
    };

    explicit TClassBuilder(TClassInfo& info)
        : info_(info)
    {
    }

    static const TClassInfo& Build(const char* name, const TClassInfo* parent, void (*describe)(TClassBuilder&))
    {
        auto* info = new TClassInfo(name, parent, Factory(), std::is_base_of_v<TComponent, T>);
        TClassBuilder b(*info);
        describe(b);
        return *info;
    }

    // Plain values. get: any callable (const T&) -> value (a const member function will do);
    // set: any callable (T&, value), or nullptr for a read-only property.
    template <class G, class S> PropRef Integer(std::string name, G get, S set)
    {
        return Scalar(std::move(name), TPropKind::Integer, get, set);
    }
    template <class G, class S> PropRef Single(std::string name, G get, S set)
    {
        return Scalar(std::move(name), TPropKind::Single, get, set);
    }
    template <class G, class S> PropRef Boolean(std::string name, G get, S set)
    {
        return Scalar(std::move(name), TPropKind::Boolean, get, set);
    }
    template <class G, class S> PropRef String(std::string name, G get, S set)
    {
        return Scalar(std::move(name), TPropKind::String, get, set);
    }
    template <class G, class S> PropRef WideString(std::string name, G get, S set)
    {
        return Scalar(std::move(name), TPropKind::WideString, get, set);
    }
    // Enumerations: the getter returns an enum (or integer) whose values are 0..n-1, named in
    // order by names; stored as the element name.
    template <class G, class S> PropRef Enum(std::string name, std::vector<std::string> names, G get, S set)
    {
        PropRef r = Scalar(std::move(name), TPropKind::Enum, get, set);
        // Only ordinals that name an element reach the setter (an enum holds nothing else).
        if (auto inner = r.Info().set) {
            r.Info().set = [inner, n = static_cast<int64_t>(names.size())](TPersistent& o, const TValue& v) {
                auto* i = std::get_if<int64_t>(&v);
                if (i && *i >= 0 && *i < n)
                    inner(o, v);
            };
        }
        r.Info().elementNames = std::move(names);
        return r;
    }
    // Sets: the getter returns an unsigned bit mask (bit i = element i).
    template <class G, class S> PropRef Set(std::string name, std::vector<std::string> names, G get, S set)
    {
        PropRef r = Scalar(std::move(name), TPropKind::Set, get, set);
        r.Info().elementNames = std::move(names);
        return r;
    }

    // An owned sub-object: get returns X* (never null for a live object). Writing the
    // property itself Assigns into the owned object; streams store its own properties with
    // the prefix "Name.". A TCollection sub-object is stored as a collection.
    template <class G> PropRef Object(std::string name, G get)
    {
        using R = std::remove_pointer_t<std::decay_t<std::invoke_result_t<G, T&>>>;
        static_assert(std::is_base_of_v<TPersistent, R>, "Object properties hold a TPersistent");
        TPropInfo p;
        p.name = std::move(name);
        p.kind = TPropKind::Object;
        p.classOf = &R::StaticClass;
        p.get = [get](const TPersistent& o) -> TValue {
            return static_cast<TPersistent*>(std::invoke(get, const_cast<T&>(static_cast<const T&>(o))));
        };
        p.set = [get](TPersistent& o, const TValue& v) {
            auto* src = std::get_if<TPersistent*>(&v);
            TPersistent* dst = std::invoke(get, static_cast<T&>(o));
            if (src && *src && dst && *src != dst)
                dst->Assign(**src);
        };
        return PropRef(info_.AddProperty(std::move(p)));
    }

    // A reference to a component of class X (not owned): get returns X*, set takes X*.
    template <class X, class G, class S> PropRef Component(std::string name, G get, S set)
    {
        TPropInfo p;
        p.name = std::move(name);
        p.kind = TPropKind::Component;
        p.classOf = &X::StaticClass;
        p.get = [get](const TPersistent& o) -> TValue {
            X* x = std::invoke(get, static_cast<const T&>(o));
            return static_cast<TPersistent*>(x);
        };
        if constexpr (!std::is_null_pointer_v<S>) {
            p.set = [set](TPersistent& o, const TValue& v) {
                X* x = nullptr;
                if (auto* pp = std::get_if<TPersistent*>(&v); pp && *pp && (*pp)->InheritsFrom(X::StaticClass()))
                    x = static_cast<X*>(*pp);
                std::invoke(set, static_cast<T&>(o), x);
            };
        }
        return PropRef(info_.AddProperty(std::move(p)));
    }

    // An event: a std::function member, stored by handler name; the reader binds it through
    // its handler lookup (ObjectReader.h).
    template <class F> PropRef Event(std::string name, std::function<F> T::*member)
    {
        static_assert(std::is_base_of_v<TComponent, T>, "events live on components");
        TPropInfo p;
        p.name = name;
        p.kind = TPropKind::Event;
        p.get = [name](const TPersistent& o) -> TValue {
            return static_cast<const TComponent&>(o).EventHandlerName(name);
        };
        p.set = [name](TPersistent& o, const TValue& v) {
            const std::string* s = std::get_if<std::string>(&v);
            static_cast<TComponent&>(o).SetEventHandlerName(name, s ? *s : std::string());
        };
        p.bindEvent = [member](TPersistent& o, const std::any& handler) {
            if (auto* fn = std::any_cast<std::function<F>>(&handler)) {
                static_cast<T&>(o).*member = *fn;
                return true;
            }
            return false;
        };
        p.storedWhen = [name](const TPersistent& o) {
            return !static_cast<const TComponent&>(o).EventHandlerName(name).empty();
        };
        return PropRef(info_.AddProperty(std::move(p)));
    }

    // A defined property holding one simple value (e.g. the text "(1,2)" of "Point").
    void DefinedValue(std::string name, std::function<bool(const T&)> hasData, std::function<TValue(const T&)> write,
        std::function<void(T&, const TValue&)> read)
    {
        TDefinedProp d;
        d.name = std::move(name);
        d.hasData = [hasData](const TPersistent& o) { return hasData(static_cast<const T&>(o)); };
        d.writeValue = [write](const TPersistent& o) { return write(static_cast<const T&>(o)); };
        d.readValue = [read](TPersistent& o, const TValue& v) { read(static_cast<T&>(o), v); };
        info_.AddDefined(std::move(d));
    }

    // A defined property holding a blob (vaBinary), e.g. "PNG", "Path", "ResourcesBin".
    void DefinedBinary(std::string name, std::function<bool(const T&)> hasData,
        std::function<std::vector<uint8_t>(const T&)> write, std::function<void(T&, std::span<const uint8_t>)> read)
    {
        TDefinedProp d;
        d.name = std::move(name);
        d.binary = true;
        d.hasData = [hasData](const TPersistent& o) { return hasData(static_cast<const T&>(o)); };
        d.writeBinary = [write](const TPersistent& o) { return write(static_cast<const T&>(o)); };
        d.readBinary = [read](TPersistent& o, std::span<const uint8_t> v) { read(static_cast<T&>(o), v); };
        info_.AddDefined(std::move(d));
    }

    // Takes over an inherited property into this class so that its default or stored rule
    // can differ here (e.g. another default Width). Returns the class's own copy.
    PropRef Redefine(std::string_view name)
    {
        const TPropInfo* inherited = info_.Parent() ? info_.Parent()->FindProperty(name) : nullptr;
        if (!inherited)
            throw std::logic_error("Redefine: no inherited property " + std::string(name));
        return PropRef(info_.AddProperty(*inherited));
    }

private:
    static TClassInfo::Factory Factory()
    {
        if constexpr (std::is_abstract_v<T>)
            return nullptr;
        else if constexpr (std::is_constructible_v<T, TComponent*>)
            return [](TComponent* owner) -> TPersistent* { return new T(owner); };
        else if constexpr (std::is_default_constructible_v<T>)
            return [](TComponent*) -> TPersistent* { return new T(); };
        else
            return nullptr;
    }

    template <class G, class S> PropRef Scalar(std::string name, TPropKind kind, G get, S set)
    {
        using R = std::decay_t<std::invoke_result_t<G, const T&>>;
        TPropInfo p;
        p.name = std::move(name);
        p.kind = kind;
        p.get = [get](const TPersistent& o) -> TValue { return ToValue(std::invoke(get, static_cast<const T&>(o))); };
        if constexpr (!std::is_null_pointer_v<S>) {
            p.set = [set, kind](TPersistent& o, const TValue& v) {
                std::optional<TValue> c = CoerceValue(kind, v);
                if (c)
                    std::invoke(set, static_cast<T&>(o), FromValue<R>(*c));
            };
        }
        return PropRef(info_.AddProperty(std::move(p)));
    }

    template <class V> static TValue ToValue(const V& v)
    {
        if constexpr (std::is_same_v<V, bool>)
            return v;
        else if constexpr (std::is_floating_point_v<V>)
            return static_cast<float>(v);
        else if constexpr (std::is_integral_v<V> || std::is_enum_v<V>)
            return static_cast<int64_t>(v);
        else
            return v; // std::string / std::u16string
    }

    template <class R> static R FromValue(const TValue& v)
    {
        if constexpr (std::is_same_v<R, bool>)
            return std::get<bool>(v);
        else if constexpr (std::is_floating_point_v<R>)
            return static_cast<R>(std::get<float>(v));
        else if constexpr (std::is_integral_v<R> || std::is_enum_v<R>)
            return static_cast<R>(std::get<int64_t>(v));
        else
            return std::get<R>(v);
    }

    TClassInfo& info_;
};

} // namespace hx

// Defines Class::StaticClass() with the property block that follows, and registers the class.
// Use inside namespace hx (or with qualified names) in the class's .cpp file.
#define HX_REGISTER_CLASS(Class, ParentClass)                                                                          \
    static void hxDescribe_##Class(::hx::TClassBuilder<Class>& b);                                                     \
    const ::hx::TClassInfo& Class::StaticClass()                                                                       \
    {                                                                                                                  \
        static const ::hx::TClassInfo& info                                                                            \
            = ::hx::TClassBuilder<Class>::Build(#Class, &ParentClass::StaticClass(), &hxDescribe_##Class);             \
        return info;                                                                                                   \
    }                                                                                                                  \
    [[maybe_unused]] static const bool hxRegistered_##Class = (::hx::RegisterClass(Class::StaticClass()), true);       \
    static void hxDescribe_##Class([[maybe_unused]] ::hx::TClassBuilder<Class>& b)
