// Reads the binary object-stream form into components. Bad input never crashes: a broken
// value, an unknown property or class is skipped and logged, a truncated stream ends the read
// with what was read so far, and every length is checked against the bytes that remain.
#pragma once

#include "scene/Component.h"

#include <any>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace hx {

struct TReadOptions {
    // Names in the stream are not given to the components (loading a subtree, a style copy).
    bool clearNames = false;
    // Owner of the child components created while reading; nullptr: the root component.
    TComponent* owner = nullptr;
    // Event handlers by name (case as stored); the result must hold the event's exact
    // std::function type. An empty std::any leaves the event unbound (its name is kept).
    std::function<std::any(std::string_view handler)> findHandler;
    // Component references to components outside the stream; those inside are found by the
    // names they had in the stream, even when clearNames is set.
    std::function<TComponent*(std::string_view name)> findComponent;
};

struct TReadReport {
    bool complete = false; // the whole stream was read without an error
    int errors = 0; // problems skipped (each one logged)
};

// Reads the stream's root component into root (the stream's class name is not checked; its
// children are created and handed to their parents). Runs Loaded on every component read.
TReadReport ReadComponentFromBinary(std::span<const uint8_t> data, TComponent& root, const TReadOptions& options = {});

// The root class name, after the signature and prefix; nullopt for a stream that has none.
std::optional<std::string> ReadRootClassName(std::span<const uint8_t> data);

// Creates the root by its registered class name with the given owner and reads it; nullptr
// when the class is unknown, not a component, or the stream has no root.
TComponent* CreateComponentFromBinary(
    std::span<const uint8_t> data, TComponent* owner, const TReadOptions& options = {});

} // namespace hx
