#include "scene/ObjectText.h"

#include "platform/Log.h"

namespace hx {

bool ObjectBinaryToText(std::span<const uint8_t>, std::string& text)
{
    text.clear();
    Log("scene: text form not available yet");
    return false;
}

bool ObjectTextToBinary(std::string_view, std::vector<uint8_t>& binary)
{
    binary.clear();
    Log("scene: text form not available yet");
    return false;
}

} // namespace hx
