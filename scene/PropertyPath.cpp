#include "scene/PropertyPath.h"

#include "scene/ClassBuilder.h"
#include "scene/Persistent.h"

#include <charconv>
#include <cmath>

namespace hx {

static std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

TPropertyTarget ResolvePropertyPath(TPersistent& root, std::string_view path, TPathMode mode)
{
    TPersistent* target = &root;
    path = Trim(path);
    size_t dot;
    while ((dot = path.find('.')) != std::string_view::npos) {
        std::string_view segment = Trim(path.substr(0, dot));
        path = Trim(path.substr(dot + 1));
        const TPropInfo* p = target->ClassType().FindProperty(segment);
        TPersistent* next = nullptr;
        if (p && (p->kind == TPropKind::Object || p->kind == TPropKind::Component) && p->get)
            next = std::get<TPersistent*>(p->get(*target));
        if (next)
            target = next;
        else if (mode == TPathMode::Strict)
            return {};
    }
    TPropertyTarget result;
    result.object = target;
    result.prop = target->ClassType().FindProperty(path);
    if (!result.prop)
        result.defined = target->ClassType().FindDefined(path);
    if (!result.prop && !result.defined)
        result.object = nullptr;
    return result;
}

std::optional<TValue> GetPropertyValue(TPersistent& root, std::string_view path)
{
    TPropertyTarget t = ResolvePropertyPath(root, path);
    if (t.prop && t.prop->get)
        return t.prop->get(*t.object);
    if (t.defined && !t.defined->binary)
        return t.defined->writeValue(*t.object);
    return std::nullopt;
}

bool SetPropertyValue(TPersistent& root, std::string_view path, const TValue& value)
{
    TPropertyTarget t = ResolvePropertyPath(root, path);
    if (t.prop) {
        if (!t.prop->set)
            return false;
        std::optional<TValue> v = CoerceValue(t.prop->kind, value);
        if (!v)
            return false;
        t.prop->set(*t.object, *v);
        return true;
    }
    if (t.defined && !t.defined->binary) {
        t.defined->readValue(*t.object, value);
        return true;
    }
    return false;
}

std::string PropertyValueToText(const TPropInfo& prop, const TValue& value)
{
    switch (prop.kind) {
    case TPropKind::Boolean:
        if (auto* b = std::get_if<bool>(&value))
            return *b ? "true" : "false";
        break;
    case TPropKind::Enum:
        if (auto* i = std::get_if<int64_t>(&value)) {
            if (*i >= 0 && static_cast<size_t>(*i) < prop.elementNames.size())
                return prop.elementNames[static_cast<size_t>(*i)];
            return std::to_string(*i);
        }
        break;
    case TPropKind::Set:
        if (auto* i = std::get_if<int64_t>(&value)) {
            std::string out;
            for (size_t k = 0; k < prop.elementNames.size() && k < 63; ++k) {
                if (*i & (int64_t(1) << k))
                    out += (out.empty() ? "" : ",") + prop.elementNames[k];
            }
            return out;
        }
        break;
    default:
        break;
    }
    return std::visit(
        [](const auto& x) -> std::string {
            using X = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<X, int64_t>)
                return std::to_string(x);
            else if constexpr (std::is_same_v<X, float>) {
                char buf[32];
                auto r = std::to_chars(buf, buf + sizeof buf, x);
                return std::string(buf, r.ptr);
            } else if constexpr (std::is_same_v<X, bool>)
                return x ? "true" : "false";
            else if constexpr (std::is_same_v<X, std::string>)
                return x;
            else if constexpr (std::is_same_v<X, std::u16string>)
                return Utf16ToUtf8(x);
            else
                return {};
        },
        value);
}

std::optional<TValue> PropertyValueFromText(const TPropInfo& prop, std::string_view text)
{
    switch (prop.kind) {
    case TPropKind::Boolean:
        if (SameText(text, "true"))
            return TValue(true);
        if (SameText(text, "false"))
            return TValue(false);
        return std::nullopt;
    case TPropKind::Integer: {
        int64_t v = 0;
        auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (ec != std::errc() || p != text.data() + text.size())
            return std::nullopt;
        return TValue(v);
    }
    case TPropKind::Single: {
        float v = 0;
        auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (ec != std::errc() || p != text.data() + text.size() || !std::isfinite(v))
            return std::nullopt;
        return TValue(v);
    }
    case TPropKind::Enum:
        for (size_t k = 0; k < prop.elementNames.size(); ++k) {
            if (SameText(prop.elementNames[k], text))
                return TValue(static_cast<int64_t>(k));
        }
        return std::nullopt;
    case TPropKind::Set: {
        int64_t bits = 0;
        while (!text.empty()) {
            size_t comma = text.find(',');
            std::string_view name = Trim(text.substr(0, comma));
            text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
            bool found = false;
            for (size_t k = 0; k < prop.elementNames.size() && k < 63; ++k) {
                if (SameText(prop.elementNames[k], name)) {
                    bits |= int64_t(1) << k;
                    found = true;
                }
            }
            if (!found && !name.empty())
                return std::nullopt;
        }
        return TValue(bits);
    }
    case TPropKind::String:
    case TPropKind::Event:
        return TValue(std::string(text));
    case TPropKind::WideString:
        return TValue(Utf8ToUtf16(text));
    case TPropKind::Object:
    case TPropKind::Component:
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace hx
