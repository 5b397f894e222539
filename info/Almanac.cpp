#include "info/Almanac.h"

#include "platform/Log.h"

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>

namespace hx {

AlmanacLibrary::AlmanacLibrary(const std::vector<std::string>& candidates)
{
    std::string tried;
    for (const std::string& path : candidates) {
        if (path.empty())
            continue;
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            tried += " " + path;
            continue;
        }
        auto fn = reinterpret_cast<AlmanacOutPutFn>(dlsym(handle, "AlmanacOutPut"));
        if (!fn) {
            Log("almanac library " + path + " has no AlmanacOutPut");
            dlclose(handle);
            continue;
        }
        handle_ = handle;
        fn_ = fn;
        path_ = path;
        return;
    }
    Log("no almanac library found (tried" + tried + "); the almanac text stays empty");
}

AlmanacLibrary::~AlmanacLibrary()
{
    if (handle_)
        dlclose(handle_);
}

AlmanacLibrary& AlmanacLibrary::Program()
{
    // Never destroyed: a worker may still be inside the library while statics are torn down.
    static AlmanacLibrary* library = [] {
        std::vector<std::string> candidates;
        if (const char* env = std::getenv("HORALUX_ALMANAC"); env && *env)
            candidates.emplace_back(env);
        std::error_code ec;
        auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
        if (!ec)
            candidates.push_back((exe.parent_path() / "libalmanac.so").string());
#ifdef HX_ALMANAC_BUILD_DIR
        candidates.emplace_back(HX_ALMANAC_BUILD_DIR "/libalmanac.so");
#endif
        candidates.emplace_back("libalmanac.so");
        return new AlmanacLibrary(candidates);
    }();
    return *library;
}

std::string AlmanacTextFor(AlmanacOutPutFn fn, int year, int month, int day)
{
    if (!fn)
        return {};
    const char* text = fn(AlmanacIdent, year, month, day);
    return text ? std::string(text) : std::string();
}

} // namespace hx
