#include "platform/gtk/FontAliases.h"

#include "platform/Log.h"

#include <fontconfig/fontconfig.h>
#include <mutex>

namespace hx {
namespace assets {
    extern const char kFontsConf[];
}

bool LoadFontAliases()
{
    static std::once_flag once;
    static bool loaded = false;
    std::call_once(once, [] {
        if (!FcInit()) {
            Log("fonts: fontconfig could not be initialised; the Windows face names will fall back");
            return;
        }
        FcConfig* config = FcConfigGetCurrent();
        loaded = FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(assets::kFontsConf), FcTrue);
        if (!loaded)
            Log("fonts: the built-in alias file was refused by fontconfig");
    });
    return loaded;
}

} // namespace hx
