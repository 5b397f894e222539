#include "platform/Log.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <sys/time.h>

namespace hx {
namespace {

    std::mutex& LogMutex()
    {
        static std::mutex m;
        return m;
    }

    std::function<void(std::string_view)>& Sink()
    {
        static std::function<void(std::string_view)> sink;
        return sink;
    }

    std::FILE* LogFile()
    {
        static std::FILE* file = [] {
            std::filesystem::path path;
            if (const char* env = std::getenv("HORALUX_LOG"); env && *env)
                path = env;
            else if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state)
                path = std::filesystem::path(state) / "horalux" / "horalux.log";
            else if (const char* home = std::getenv("HOME"); home && *home)
                path = std::filesystem::path(home) / ".local" / "state" / "horalux" / "horalux.log";
            else
                return static_cast<std::FILE*>(nullptr);
            std::error_code ec;
            std::filesystem::create_directories(path.parent_path(), ec);
            return std::fopen(path.c_str(), "a");
        }();
        return file;
    }

} // namespace

void Log(std::string_view line)
{
    std::lock_guard lock(LogMutex());
    if (Sink()) {
        Sink()(line);
        return;
    }
    timeval tv {};
    gettimeofday(&tv, nullptr);
    tm local {};
    localtime_r(&tv.tv_sec, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::fprintf(stderr, "horalux: %.*s\n", static_cast<int>(line.size()), line.data());
    if (std::FILE* f = LogFile()) {
        std::fprintf(f, "%s.%03ld %.*s\n", stamp, static_cast<long>(tv.tv_usec / 1000), static_cast<int>(line.size()),
            line.data());
        std::fflush(f);
    }
}

void SetLogSink(std::function<void(std::string_view)> sink)
{
    std::lock_guard lock(LogMutex());
    Sink() = std::move(sink);
}

} // namespace hx
