#include "scene/ObjectWriter.h"

#include "scene/Collection.h"
#include "scene/StreamFormat.h"
#include "scene/StreamValues.h"

namespace hx {

namespace {

    class Writer {
    public:
        explicit Writer(std::vector<uint8_t>& out)
            : out_(out)
        {
        }

        void Component(const TComponent& c)
        {
            // The length byte of a class name must stay below the prefix marker 0xF0.
            out_.ShortString(std::string_view(c.ClassName()).substr(0, 0xEF));
            out_.ShortString(c.Name());
            Properties(c, {});
            out_.Byte(vaNull);
            c.GetChildren(
                [this](TComponent* child) {
                    if (child)
                        Component(*child);
                },
                nullptr);
            out_.Byte(vaNull);
        }

    private:
        void Properties(const TPersistent& o, const std::string& prefix)
        {
            for (const TPropInfo* p : o.ClassType().Properties()) {
                if (!p->IsStored(o))
                    continue;
                TValue v = p->get(o);
                std::string name = prefix + p->name;
                switch (p->kind) {
                case TPropKind::Object: {
                    auto* sub = std::get<TPersistent*>(v);
                    if (!sub)
                        break;
                    if (sub->InheritsFrom(TCollection::StaticClass())) {
                        out_.ShortString(name);
                        Collection(static_cast<const TCollection&>(*sub));
                    } else {
                        Properties(*sub, name + ".");
                    }
                    break;
                }
                case TPropKind::Component: {
                    auto* ref = std::get<TPersistent*>(v);
                    out_.ShortString(name);
                    if (ref && !static_cast<TComponent*>(ref)->Name().empty())
                        out_.Ident(static_cast<TComponent*>(ref)->Name());
                    else
                        out_.Byte(vaNil);
                    break;
                }
                case TPropKind::Event:
                    out_.ShortString(name);
                    out_.Ident(std::get<std::string>(v));
                    break;
                case TPropKind::Enum: {
                    out_.ShortString(name);
                    int64_t i = std::get<int64_t>(v);
                    if (i >= 0 && static_cast<size_t>(i) < p->elementNames.size())
                        out_.Ident(p->elementNames[static_cast<size_t>(i)]);
                    else
                        out_.Integer(i);
                    break;
                }
                case TPropKind::Set: {
                    out_.ShortString(name);
                    auto bits = static_cast<uint64_t>(std::get<int64_t>(v));
                    std::vector<std::string> names;
                    for (size_t k = 0; k < p->elementNames.size() && k < 64; ++k) {
                        if (bits & (uint64_t(1) << k))
                            names.push_back(p->elementNames[k]);
                    }
                    out_.Set(names);
                    break;
                }
                default:
                    out_.ShortString(name);
                    out_.Value(v);
                    break;
                }
            }
            for (const TDefinedProp* d : o.ClassType().DefinedProperties()) {
                if (!d->hasData || !d->hasData(o))
                    continue;
                out_.ShortString(prefix + d->name);
                if (d->binary)
                    out_.Binary(d->writeBinary(o));
                else
                    out_.Value(d->writeValue(o));
            }
        }

        void Collection(const TCollection& c)
        {
            out_.Byte(vaCollection);
            for (int i = 0; i < c.Count(); ++i) {
                out_.Byte(vaList);
                Properties(*c.Item(i), {});
                out_.Byte(vaNull);
            }
            out_.Byte(vaNull);
        }

        TValueWriter out_;
    };

} // namespace

std::vector<uint8_t> WriteComponentToBinary(const TComponent& root)
{
    std::vector<uint8_t> out(std::begin(kFilerSignature), std::end(kFilerSignature));
    Writer(out).Component(root);
    return out;
}

} // namespace hx
