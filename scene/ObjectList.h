// The program-wide list of live TvxObjects, newest last. A destroyed object's entry becomes
// nullptr (the list keeps its length). Serves the last step of style lookup.
#pragma once

#include <string_view>
#include <vector>

namespace hx {

class TvxObject;

const std::vector<TvxObject*>& ObjectList();
// The last entry whose Stored flag is set and whose ResourceName equals name (case-insensitive).
TvxObject* FindStoredObjectByResourceName(std::string_view name);
// Frees the list at toolkit shutdown; objects destroyed afterwards leave no trace.
void FreeObjectList();

} // namespace hx
