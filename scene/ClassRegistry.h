// The class registry: every class that can appear in a stored form is registered by its
// class name, so that the object reader can create it by name.
#pragma once

#include "scene/ClassInfo.h"

#include <string_view>
#include <vector>

namespace hx {

// Registers a class under its name; a second class of the same name is refused and logged.
void RegisterClass(const TClassInfo& cls);
const TClassInfo* FindClass(std::string_view name); // case-insensitive; nullptr when unknown
std::vector<const TClassInfo*> RegisteredClasses(); // sorted by name

// Makes sure every class of hx_scene is registered (a static library drops the
// registration of a class whose file nothing else pulls in). Called by toolkit start.
void RegisterSceneClasses();

} // namespace hx
