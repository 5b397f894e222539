// Writes a component tree in the binary object-stream form: the component's stored
// properties (table order, sub-objects as "Fill.Color", defined properties last), then the
// children its GetChildren reports, recursively.
#pragma once

#include "scene/Component.h"

#include <cstdint>
#include <vector>

namespace hx {

// Signature "TPF0" followed by the component.
std::vector<uint8_t> WriteComponentToBinary(const TComponent& root);

} // namespace hx
