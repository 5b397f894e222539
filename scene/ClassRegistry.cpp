#include "scene/ClassRegistry.h"

#include "platform/Log.h"
#include "scene/TextUtil.h"

#include <algorithm>
#include <unordered_map>

namespace hx {

namespace {
    std::unordered_map<std::string, const TClassInfo*>& Registry()
    {
        static std::unordered_map<std::string, const TClassInfo*> registry;
        return registry;
    }
} // namespace

void RegisterClass(const TClassInfo& cls)
{
    auto [it, inserted] = Registry().emplace(LowerAscii(cls.Name()), &cls);
    if (!inserted && it->second != &cls)
        Log("scene: class " + cls.Name() + " registered twice; the first one stays");
}

const TClassInfo* FindClass(std::string_view name)
{
    auto it = Registry().find(LowerAscii(name));
    return it == Registry().end() ? nullptr : it->second;
}

std::vector<const TClassInfo*> RegisteredClasses()
{
    std::vector<const TClassInfo*> out;
    for (auto& [key, cls] : Registry())
        out.push_back(cls);
    std::sort(out.begin(), out.end(), [](auto* a, auto* b) { return a->Name() < b->Name(); });
    return out;
}

} // namespace hx
