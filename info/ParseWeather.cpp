#include "info/ParseWeather.h"

#include "info/IntText.h"
#include "platform/Log.h"

#include <cstring>
#include <pugixml.hpp>
#include <string>

namespace hx {
namespace {

    bool SameNameIgnoringCase(const char* a, const char* b)
    {
        for (;; ++a, ++b) {
            unsigned char ca = static_cast<unsigned char>(*a);
            unsigned char cb = static_cast<unsigned char>(*b);
            if (ca >= 'A' && ca <= 'Z')
                ca += 'a' - 'A';
            if (cb >= 'A' && cb <= 'Z')
                cb += 'a' - 'A';
            if (ca != cb)
                return false;
            if (ca == 0)
                return true;
        }
    }

    // The first node below root, in document order, whose name matches; the root is not tested.
    pugi::xml_node FindBelow(pugi::xml_node root, const char* name)
    {
        return root.find_node([name](pugi::xml_node n) {
            return n.type() == pugi::node_element && SameNameIgnoringCase(n.name(), name);
        });
    }

    // The element's character content: every text and CDATA piece below it, in order.
    std::string TextOf(pugi::xml_node node)
    {
        std::string text;
        if (!node)
            return text;
        struct Collector : pugi::xml_tree_walker {
            std::string* out;
            bool for_each(pugi::xml_node& n) override
            {
                if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata)
                    out->append(n.value());
                return true;
            }
        } collector;
        collector.out = &text;
        node.traverse(collector);
        return text;
    }

    bool IntField(pugi::xml_node root, const char* name, int32_t& field)
    {
        pugi::xml_node node = FindBelow(root, name);
        if (!node) {
            field = 0;
            return true;
        }
        std::string text = TextOf(node);
        auto value = IntFromText(text);
        if (!value) {
            Log("weather reply: <" + std::string(name) + "> is not an integer: \"" + text.substr(0, 40) + "\"");
            return false;
        }
        field = *value;
        return true;
    }

} // namespace

int ParseWeather(std::string_view reply, TweatherRec& rec)
{
    pugi::xml_document doc;
    // The reply is UTF-8 by now whatever its declaration says, so pugixml must not transcode.
    // A malformed document keeps the nodes built before the fault, and those are searched.
    pugi::xml_parse_result result
        = doc.load_buffer(reply.data(), reply.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!result)
        Log(std::string("weather reply: malformed XML (") + result.description() + ") at offset "
            + std::to_string(result.offset));
    pugi::xml_node root = doc.document_element();
    if (!root) {
        Log("weather reply: no element");
        return 0;
    }
    rec.Status = TextOf(FindBelow(root, "status1"));
    if (!IntField(root, "temperature1", rec.Temperature1))
        return 1;
    if (!IntField(root, "temperature2", rec.Temperature2))
        return 2;
    rec.Direction = TextOf(FindBelow(root, "direction1"));
    rec.Power = TextOf(FindBelow(root, "power1"));
    rec.UvLevel = TextOf(FindBelow(root, "zwx_l"));
    return WeatherFieldCount;
}

} // namespace hx
