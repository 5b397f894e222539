#include "scene/Persistent.h"

#include "platform/Log.h"

namespace hx {

void AssignProperties(TPersistent& dest, const TPersistent& source)
{
    const TClassInfo& srcClass = source.ClassType();
    for (const TPropInfo* p : dest.ClassType().Properties()) {
        const TPropInfo* sp = srcClass.FindProperty(p->name);
        if (!sp || sp->kind != p->kind || !sp->get || !p->set || !p->stored)
            continue;
        if (p->kind == TPropKind::Object) {
            auto* d = std::get<TPersistent*>(p->get(dest));
            auto* s = std::get<TPersistent*>(sp->get(source));
            if (d && s && d != s)
                d->Assign(*s);
            continue;
        }
        p->set(dest, sp->get(source));
    }
    for (const TDefinedProp* d : dest.ClassType().DefinedProperties()) {
        const TDefinedProp* sd = srcClass.FindDefined(d->name);
        if (!sd || sd->binary != d->binary)
            continue;
        if (d->binary)
            d->readBinary(dest, sd->writeBinary(source));
        else
            d->readValue(dest, sd->writeValue(source));
    }
}

void TPersistent::Assign(const TPersistent& source)
{
    if (&source == this)
        return;
    if (source.InheritsFrom(ClassType())) {
        AssignProperties(*this, source);
        return;
    }
    if (!source.AssignTo(*this))
        Log("scene: cannot assign a " + source.ClassName() + " to a " + ClassName());
}

bool TPersistent::AssignTo(TPersistent&) const { return false; }

void TPersistent::ResourceDestroying(TPersistent*) { }

} // namespace hx
