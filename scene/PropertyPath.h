// Reaching a property by a dotted name ("Fill.Color", "Position.Point", "Parent.Opacity").
// Every segment but the last names an Object or Component property; names match without
// regard to case.
#pragma once

#include "scene/ClassInfo.h"

#include <optional>
#include <string>
#include <string_view>

namespace hx {

struct TPropertyTarget {
    TPersistent* object = nullptr; // the object that has the property
    const TPropInfo* prop = nullptr; // nullptr: not found (a defined property, if defined != nullptr)
    const TDefinedProp* defined = nullptr;
    explicit operator bool() const { return prop || defined; }
};

enum class TPathMode {
    Strict, // a segment that is not an object-valued property fails the lookup (streams)
    SkipUnknown, // such a segment is skipped and the target stays (animation property names)
};

TPropertyTarget ResolvePropertyPath(TPersistent& root, std::string_view path, TPathMode mode = TPathMode::Strict);

std::optional<TValue> GetPropertyValue(TPersistent& root, std::string_view path);
// False when the path does not resolve, the property is read-only or the value does not fit.
bool SetPropertyValue(TPersistent& root, std::string_view path, const TValue& value);

// A property value as text, as trigger conditions ("IsMouseOver=true") and the designer see
// it: "true"/"false", the element name of an enumeration, decimal numbers ("." as point),
// strings as they are (UTF-8), set elements joined by ",".
std::string PropertyValueToText(const TPropInfo& prop, const TValue& value);
// The reverse; element names and "true"/"false" match without regard to case. nullopt when
// the text does not fit the property.
std::optional<TValue> PropertyValueFromText(const TPropInfo& prop, std::string_view text);

} // namespace hx
