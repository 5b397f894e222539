// Reflection: the one table of published properties per class (name, type, getter, setter,
// default, stored-when rule, enumeration names), inherited along the class chain. Streaming,
// Clone, style copying and animations all reach properties through this table.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

namespace hx {

class TPersistent;
class TComponent;
class TClassInfo;

// A property value as the table moves it. Integer, enumeration (ordinal) and set (bit mask)
// properties use int64_t, events the handler name as std::string, sub-objects and component
// references a TPersistent pointer (not owned).
using TValue = std::variant<std::monostate, int64_t, float, bool, std::string, std::u16string, TPersistent*>;

enum class TPropKind {
    Integer, // int32 range
    Single, // float
    Boolean,
    String, // std::string, UTF-8 (short names, resource names)
    WideString, // std::u16string (texts shown to the user)
    Enum, // ordinal 0..n-1, stored by element name
    Set, // bit i = element i, stored as a list of element names
    Object, // owned sub-object (TPersistent); its properties are stored as "Prop.Sub"
    Component, // reference to a component elsewhere, stored by the component's name
    Event, // std::function member, stored by handler name
};

const char* PropKindName(TPropKind kind);

// Normalises a value to the representation a property of that kind uses (an int for a Single
// property becomes a float, UTF-8 for a WideString one). Empty when the value does not fit.
std::optional<TValue> CoerceValue(TPropKind kind, const TValue& value);

struct TPropInfo {
    std::string name;
    TPropKind kind = TPropKind::Integer;
    std::vector<std::string> elementNames; // Enum and Set
    const TClassInfo& (*classOf)() = nullptr; // Object and Component: the declared class
    std::optional<TValue> defaultValue;
    bool stored = true; // false: never written (computed or run-time state)
    std::function<bool(const TPersistent&)> storedWhen; // replaces the default-value rule
    std::function<TValue(const TPersistent&)> get;
    std::function<void(TPersistent&, const TValue&)> set; // empty: read-only
    // Events: assigns a handler (a std::any holding the member's exact std::function type).
    std::function<bool(TPersistent&, const std::any&)> bindEvent;

    bool IsReadOnly() const { return !set; }
    // The writer's rule: stored flag, then storedWhen, then "differs from the default".
    bool IsStored(const TPersistent& obj) const;
};

// A property the class writes and reads itself under a name ("Point", "Rect", "PNG", "Path",
// "ResourcesBin"). A value property stores one simple value (usually a text); a binary one a
// blob (vaBinary). hasData decides whether it is written at all.
struct TDefinedProp {
    std::string name;
    bool binary = false;
    std::function<bool(const TPersistent&)> hasData;
    std::function<TValue(const TPersistent&)> writeValue;
    std::function<void(TPersistent&, const TValue&)> readValue;
    std::function<std::vector<uint8_t>(const TPersistent&)> writeBinary;
    std::function<void(TPersistent&, std::span<const uint8_t>)> readBinary;
};

class TClassInfo {
public:
    using Factory = TPersistent* (*)(TComponent* owner);

    TClassInfo(std::string name, const TClassInfo* parent, Factory factory, bool isComponent);

    const std::string& Name() const { return name_; }
    const TClassInfo* Parent() const { return parent_; }
    bool InheritsFrom(const TClassInfo& other) const;
    bool IsComponent() const { return isComponent_; }
    bool IsCreatable() const { return factory_ != nullptr; }
    // A new instance; with an owner (components only) the owner frees it, else the caller.
    TPersistent* Create(TComponent* owner = nullptr) const;

    // Own and inherited properties, ancestors' first; a redefinition keeps the ancestor's place.
    const std::vector<const TPropInfo*>& Properties() const { return all_; }
    const std::vector<const TDefinedProp*>& DefinedProperties() const { return allDefined_; }
    const TPropInfo* FindProperty(std::string_view name) const; // case-insensitive
    const TDefinedProp* FindDefined(std::string_view name) const; // case-insensitive

    // Used by TClassBuilder while the class is described.
    TPropInfo& AddProperty(TPropInfo info);
    TDefinedProp& AddDefined(TDefinedProp info);

private:
    std::string name_;
    const TClassInfo* parent_;
    Factory factory_;
    bool isComponent_;
    std::vector<std::unique_ptr<TPropInfo>> own_;
    std::vector<std::unique_ptr<TDefinedProp>> ownDefined_;
    std::vector<const TPropInfo*> all_;
    std::vector<const TDefinedProp*> allDefined_;
    std::unordered_map<std::string, const TPropInfo*> byName_; // lower-case keys
};

} // namespace hx

// Put in the public part of a class body: declares the class's table and its ClassType().
#define HX_CLASS(Class)                                                                                                \
public:                                                                                                                \
    static const ::hx::TClassInfo& StaticClass();                                                                      \
    const ::hx::TClassInfo& ClassType() const override { return StaticClass(); }
