// The binding of the almanac library libalmanac.so and its export AlmanacOutPut. The
// program's binding is made once, at start; a library that cannot be found or lacks the
// export leaves the binding empty, and the almanac text of a run is then empty.
#pragma once

#include <string>
#include <vector>

namespace hx {

using AlmanacOutPutFn = const char* (*)(const char* ident, int year, int month, int day);

// The identification string the program passes to the library.
inline constexpr const char* AlmanacIdent = "horalux.brightfen.com";

class AlmanacLibrary {
public:
    // Binds the first of the candidate paths that loads and exports AlmanacOutPut.
    explicit AlmanacLibrary(const std::vector<std::string>& candidates);
    ~AlmanacLibrary();
    AlmanacLibrary(const AlmanacLibrary&) = delete;
    AlmanacLibrary& operator=(const AlmanacLibrary&) = delete;

    AlmanacOutPutFn Function() const { return fn_; }
    const std::string& Path() const { return path_; }

    // The program's binding. Candidates in order: $HORALUX_ALMANAC, libalmanac.so next to the
    // executable, the build tree's almanac folder, then the loader's own search.
    static AlmanacLibrary& Program();

private:
    void* handle_ = nullptr;
    AlmanacOutPutFn fn_ = nullptr;
    std::string path_;
};

// Today's text from fn, copied; empty for a missing library or a null result.
std::string AlmanacTextFor(AlmanacOutPutFn fn, int year, int month, int day);

} // namespace hx
