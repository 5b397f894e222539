#include "scene/ObjectList.h"

#include "scene/TextUtil.h"
#include "scene/TvxObject.h"

namespace hx {

namespace {
    std::vector<TvxObject*>* g_list = nullptr;
} // namespace

// Used by TvxObject's constructor and destructor only.
size_t EnterObjectList(TvxObject* obj)
{
    if (!g_list) {
        g_list = new std::vector<TvxObject*>();
        g_list->reserve(100);
    }
    g_list->push_back(obj);
    return g_list->size() - 1;
}

void LeaveObjectList(TvxObject* obj, size_t slot)
{
    if (g_list && slot < g_list->size() && (*g_list)[slot] == obj)
        (*g_list)[slot] = nullptr;
}

const std::vector<TvxObject*>& ObjectList()
{
    static const std::vector<TvxObject*> empty;
    return g_list ? *g_list : empty;
}

TvxObject* FindStoredObjectByResourceName(std::string_view name)
{
    if (!g_list || name.empty())
        return nullptr;
    for (size_t i = g_list->size(); i-- > 0;) {
        TvxObject* o = (*g_list)[i];
        if (o && o->Stored() && SameText(o->ResourceName(), name))
            return o;
    }
    return nullptr;
}

void FreeObjectList()
{
    delete g_list;
    g_list = nullptr;
}

} // namespace hx
