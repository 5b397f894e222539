// One synchronous method call on the system bus. Each call opens its own connection, so
// that nothing is left connected between the rare power and clock requests, and a bus that
// goes away never takes the process with it (the shared bus singleton would exit on close).
#pragma once

#include <gio/gio.h>
#include <string>

namespace hx::linux_bus {

// Calls `method` with `args` (consumed when floating) and waits at most timeoutMs.
// Returns true when the service replied without an error; otherwise `error` holds the reason.
bool CallSystemBus(const char* service, const char* path, const char* iface, const char* method, GVariant* args,
    int timeoutMs, std::string& error);

} // namespace hx::linux_bus
