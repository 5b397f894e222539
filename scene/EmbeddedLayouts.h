// Layouts and style libraries embedded at build time in their binary object-stream form
// (hx_embed_layouts in EmbedLayouts.cmake), found by name without regard to case.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace hx {

// Empty when no layout of that name was embedded.
std::span<const uint8_t> FindEmbeddedLayout(std::string_view name);
std::vector<std::string_view> EmbeddedLayoutNames();

// Each generated file defines one of these at namespace scope.
struct TEmbeddedLayoutRegistrar {
    TEmbeddedLayoutRegistrar(const char* name, const uint8_t* data, size_t size);
};

} // namespace hx
