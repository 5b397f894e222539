// A self-check of one class's property table, run over every registered class by the tests:
// defaults read back, setters and getters agree, and an instance survives streaming out and
// back (components) or Assign (persistents). Returns one line per problem found.
#pragma once

#include "scene/ClassInfo.h"

#include <string>
#include <vector>

namespace hx {

std::vector<std::string> CheckClassTable(const TClassInfo& cls);

} // namespace hx
