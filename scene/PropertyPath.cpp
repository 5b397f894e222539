#include "scene/PropertyPath.h"

#include "scene/ClassBuilder.h"
#include "scene/Persistent.h"

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

} // namespace hx
