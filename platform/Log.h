// The program's log: one line per event that the user is not told about (a refused
// power call, a corrupt settings file, a broken reply). Thread-safe.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace hx {

// Writes one line, prefixed with the local time, to stderr and to the log file
// ($HORALUX_LOG, else $XDG_STATE_HOME/horalux/horalux.log, else ~/.local/state/...).
void Log(std::string_view line);

// Tests capture the log with a sink; an empty function restores the default outputs.
void SetLogSink(std::function<void(std::string_view)> sink);

} // namespace hx
