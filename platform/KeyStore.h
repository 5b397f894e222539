// The registry stand-in: a typed key/value file (string, DWORD and binary values) whose value
// names match without regard to ASCII case. Loaded whole, changed in memory, saved atomically.
// The line format is described in docs/settings-store.md. Not thread-safe: use it from one thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace hx {

class KeyStore {
public:
    enum class Type { String, Dword, Binary };
    using Bytes = std::vector<uint8_t>;
    using Value = std::variant<std::string, uint32_t, Bytes>;
    struct Entry {
        std::string name; // spelling of the first write; later writes of another case keep it
        Value value;
    };

    explicit KeyStore(std::filesystem::path file);

    const std::filesystem::path& Path() const { return m_path; }

    // Replaces the contents with the file's. Creates the directory when it is missing. A missing
    // file gives an empty store. A file that cannot be parsed is renamed to
    // "<file>.corrupt-<UTC timestamp>" and the store starts empty. Every failure is logged;
    // returns false when the file could not be read or parsed.
    bool Load();

    // Writes every value to a temporary file in the same directory and renames it over the file,
    // with fsync of the file and the directory. On any failure the old file stays as it was, the
    // error is logged and the result is false. Refuses to overwrite a file that the last Load
    // found but could neither read nor move aside.
    bool Save();

    bool Exists(std::string_view name) const;
    std::optional<Type> TypeOf(std::string_view name) const;
    // A value of another type reads as absent.
    std::optional<std::string> ReadString(std::string_view name) const;
    std::optional<uint32_t> ReadDword(std::string_view name) const;
    std::optional<Bytes> ReadBinary(std::string_view name) const;

    void WriteString(std::string_view name, std::string_view value);
    void WriteDword(std::string_view name, uint32_t value);
    void WriteBinary(std::string_view name, const Bytes& value);

    const std::vector<Entry>& Entries() const { return m_entries; }

    // The text form of a set of values, and its parser. Parse gives nullopt and an error
    // ("line N: ...") when the text is not in the format. Exposed for tests and fuzzing.
    static std::string Format(const std::vector<Entry>& entries);
    static std::optional<std::vector<Entry>> Parse(std::string_view text, std::string* error);

    // Largest file Load accepts; a bigger one is treated as unparseable.
    static constexpr std::uintmax_t MaxFileSize = 1 << 20;

    // Tests only: called with the temporary file's descriptor before anything is written to it,
    // so that a test can put /dev/full behind it (dup2) and see a real ENOSPC.
    static void SetTempFileHookForTesting(std::function<void(int fd)> hook);

private:
    Entry* Find(std::string_view name);
    const Entry* Find(std::string_view name) const;
    void Set(std::string_view name, Value value);

    std::filesystem::path m_path;
    std::vector<Entry> m_entries;
    bool m_keepExistingFile = false; // the file exists but Load could neither read nor move it
};

// $XDG_CONFIG_HOME/Brightfen/Horalux/settings.conf, with ~/.config when XDG_CONFIG_HOME is unset,
// empty or relative, and the passwd entry's home when HOME is unset.
std::filesystem::path DefaultSettingsPath();

} // namespace hx
