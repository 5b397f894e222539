// A stand-in for libalmanac.so: echoes what it was asked, so that the tests can check the call.
#include <cstdio>

extern "C" const char* AlmanacOutPut(const char* ident, int year, int month, int day)
{
    static thread_local char text[256];
    std::snprintf(text, sizeof text, "农历:%s/%04d-%02d-%02d", ident ? ident : "", year, month, day);
    return text;
}
