// Feeds arbitrary bytes to the binary object reader (into a root and by class name), then
// writes and converts whatever was read: nothing may crash, hang or grow without bound.
#include "../../tests/scene/SceneFixtures.h"
#include "platform/Log.h"
#include "scene/ObjectReader.h"
#include "scene/ObjectText.h"
#include "scene/ObjectWriter.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool quiet = (hx::SetLogSink([](std::string_view) {}), hx::RegisterSceneClasses(), true);
    (void)quiet;
    std::span<const uint8_t> in(data, size);
    {
        hx::test::TTestShape root(nullptr);
        hx::ReadComponentFromBinary(in, root);
        std::vector<uint8_t> out = hx::WriteComponentToBinary(root);
        std::string text;
        hx::ObjectBinaryToText(out, text);
    }
    delete hx::TvxObject::CreateFromBinary(in, nullptr);
    std::string text;
    hx::ObjectBinaryToText(in, text);
    return 0;
}
