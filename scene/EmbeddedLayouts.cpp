#include "scene/EmbeddedLayouts.h"

#include "platform/Log.h"
#include "scene/TextUtil.h"

#include <map>
#include <string>

namespace hx {

namespace {
    std::map<std::string, std::pair<std::string_view, std::span<const uint8_t>>>& Layouts()
    {
        static std::map<std::string, std::pair<std::string_view, std::span<const uint8_t>>> layouts;
        return layouts;
    }
} // namespace

TEmbeddedLayoutRegistrar::TEmbeddedLayoutRegistrar(const char* name, const uint8_t* data, size_t size)
{
    auto [it, inserted]
        = Layouts().emplace(LowerAscii(name), std::pair { std::string_view(name), std::span(data, size) });
    if (!inserted)
        Log(std::string("scene: layout ") + name + " embedded twice; the first one stays");
}

std::span<const uint8_t> FindEmbeddedLayout(std::string_view name)
{
    auto it = Layouts().find(LowerAscii(name));
    return it == Layouts().end() ? std::span<const uint8_t>() : it->second.second;
}

std::vector<std::string_view> EmbeddedLayoutNames()
{
    std::vector<std::string_view> names;
    for (auto& [key, entry] : Layouts())
        names.push_back(entry.first);
    return names;
}

} // namespace hx
