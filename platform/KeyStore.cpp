#include "platform/KeyStore.h"

#include "platform/Log.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace hx {
namespace fs = std::filesystem;

namespace {

    constexpr std::string_view Header
        = "; Horalux settings. One value a line: \"Name\"=\"text\", \"Name\"=dword:0000003c or \"Name\"=hex:01,ff\n";

    std::function<void(int)>& TempFileHook()
    {
        static std::function<void(int)> hook;
        return hook;
    }

    std::string ErrnoText(int err) { return std::error_code(err, std::generic_category()).message(); }

    char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

    bool SameName(std::string_view a, std::string_view b)
    {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (FoldAscii(a[i]) != FoldAscii(b[i]))
                return false;
        return true;
    }

    int HexDigit(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    constexpr char HexChars[] = "0123456789abcdef";

    // Length of the well-formed UTF-8 sequence at s[i] (no overlongs, no surrogates, at most
    // U+10FFFF), or 0 when the bytes there are not one.
    size_t Utf8SequenceLength(std::string_view s, size_t i)
    {
        auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
        unsigned char b0 = byte(i);
        if (b0 < 0x80)
            return 1;
        size_t len;
        unsigned char lo = 0x80, hi = 0xBF;
        if (b0 >= 0xC2 && b0 <= 0xDF)
            len = 2;
        else if (b0 >= 0xE0 && b0 <= 0xEF) {
            len = 3;
            if (b0 == 0xE0)
                lo = 0xA0;
            if (b0 == 0xED)
                hi = 0x9F;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            len = 4;
            if (b0 == 0xF0)
                lo = 0x90;
            if (b0 == 0xF4)
                hi = 0x8F;
        } else
            return 0;
        if (i + len > s.size())
            return 0;
        if (byte(i + 1) < lo || byte(i + 1) > hi)
            return 0;
        for (size_t k = 2; k < len; ++k)
            if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
                return 0;
        return len;
    }

    // Quotes text so that any byte string comes back unchanged: well-formed UTF-8 stays
    // readable, controls and stray bytes become escapes.
    void AppendQuoted(std::string& out, std::string_view s)
    {
        out += '"';
        for (size_t i = 0; i < s.size();) {
            unsigned char c = static_cast<unsigned char>(s[i]);
            switch (c) {
            case '"':
                out += "\\\"";
                ++i;
                continue;
            case '\\':
                out += "\\\\";
                ++i;
                continue;
            case '\n':
                out += "\\n";
                ++i;
                continue;
            case '\r':
                out += "\\r";
                ++i;
                continue;
            case '\t':
                out += "\\t";
                ++i;
                continue;
            default:
                break;
            }
            size_t len = (c < 0x20 || c == 0x7F) ? 0 : Utf8SequenceLength(s, i);
            if (len == 0) {
                out += "\\x";
                out += HexChars[c >> 4];
                out += HexChars[c & 15];
                ++i;
            } else {
                out.append(s.substr(i, len));
                i += len;
            }
        }
        out += '"';
    }

    class LineParser {
    public:
        explicit LineParser(std::string_view line)
            : m_s(line)
        {
        }

        void SkipBlanks()
        {
            while (m_i < m_s.size() && (m_s[m_i] == ' ' || m_s[m_i] == '\t'))
                ++m_i;
        }
        bool AtEnd() const { return m_i >= m_s.size(); }
        bool Accept(char c)
        {
            if (m_i < m_s.size() && m_s[m_i] == c) {
                ++m_i;
                return true;
            }
            return false;
        }
        bool AcceptWord(std::string_view word) // ASCII, any case
        {
            if (m_s.size() - m_i < word.size() || !SameName(m_s.substr(m_i, word.size()), word))
                return false;
            m_i += word.size();
            return true;
        }

        std::optional<std::string> Quoted(std::string& error)
        {
            if (!Accept('"')) {
                error = "expected '\"'";
                return std::nullopt;
            }
            std::string out;
            while (m_i < m_s.size()) {
                char c = m_s[m_i++];
                if (c == '"')
                    return out;
                if (c != '\\') {
                    out += c;
                    continue;
                }
                if (m_i >= m_s.size())
                    break;
                char e = m_s[m_i++];
                switch (e) {
                case '"':
                case '\\':
                    out += e;
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'x': {
                    int h = m_i + 2 <= m_s.size() ? HexDigit(m_s[m_i]) : -1;
                    int l = h >= 0 ? HexDigit(m_s[m_i + 1]) : -1;
                    if (l < 0) {
                        error = "bad \\x escape";
                        return std::nullopt;
                    }
                    out += static_cast<char>(h * 16 + l);
                    m_i += 2;
                    break;
                }
                default:
                    error = std::string("unknown escape \\") + e;
                    return std::nullopt;
                }
            }
            error = "unterminated string";
            return std::nullopt;
        }

        std::optional<uint32_t> Dword(std::string& error)
        {
            uint64_t v = 0;
            size_t digits = 0;
            for (int d; m_i < m_s.size() && (d = HexDigit(m_s[m_i])) >= 0; ++m_i, ++digits)
                v = v * 16 + static_cast<uint64_t>(d);
            if (digits == 0 || digits > 8) {
                error = "a dword needs 1 to 8 hex digits";
                return std::nullopt;
            }
            return static_cast<uint32_t>(v);
        }

        std::optional<KeyStore::Bytes> Hex(std::string& error)
        {
            KeyStore::Bytes out;
            SkipBlanks();
            if (AtEnd())
                return out;
            for (;;) {
                SkipBlanks();
                int h = m_i + 2 <= m_s.size() ? HexDigit(m_s[m_i]) : -1;
                int l = h >= 0 ? HexDigit(m_s[m_i + 1]) : -1;
                if (l < 0) {
                    error = "hex bytes are two hex digits each, separated by commas";
                    return std::nullopt;
                }
                out.push_back(static_cast<uint8_t>(h * 16 + l));
                m_i += 2;
                SkipBlanks();
                if (!Accept(','))
                    return out;
            }
        }

    private:
        std::string_view m_s;
        size_t m_i = 0;
    };

    // Follows a symbolic link at path (a few levels), so that saving replaces the link's target
    // and keeps the link, as dotfile managers expect.
    fs::path ResolveLink(fs::path path)
    {
        for (int depth = 0; depth < 8; ++depth) {
            std::error_code ec;
            if (!fs::is_symlink(fs::symlink_status(path, ec)))
                break;
            fs::path target = fs::read_symlink(path, ec);
            if (ec)
                break;
            path = target.is_absolute() ? target : path.parent_path() / target;
        }
        return path;
    }

    std::string UtcStamp()
    {
        std::time_t now = std::time(nullptr);
        std::tm utc {};
        gmtime_r(&now, &utc);
        char buf[32];
        std::strftime(buf, sizeof buf, "%Y%m%dT%H%M%SZ", &utc);
        return buf;
    }

    bool EnsureDirectory(const fs::path& dir)
    {
        if (dir.empty())
            return true;
        std::error_code ec;
        fs::create_directories(dir, ec);
        if (ec) {
            Log("settings: cannot create the folder " + dir.string() + ": " + ec.message());
            return false;
        }
        return true;
    }

    bool WriteAll(int fd, std::string_view data, int& err)
    {
        while (!data.empty()) {
            ssize_t n = ::write(fd, data.data(), data.size());
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                err = errno;
                return false;
            }
            data.remove_prefix(static_cast<size_t>(n));
        }
        return true;
    }

    // Reads a regular file of at most limit bytes. Gives false with err set when it cannot.
    bool ReadFile(const fs::path& path, std::string& out, std::uintmax_t limit, int& err, bool& tooBig)
    {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            err = errno;
            return false;
        }
        out.clear();
        char buf[8192];
        for (;;) {
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                err = errno;
                ::close(fd);
                return false;
            }
            if (n == 0)
                break;
            out.append(buf, static_cast<size_t>(n));
            if (out.size() > limit) {
                tooBig = true;
                break;
            }
        }
        ::close(fd);
        return true;
    }

} // namespace

KeyStore::KeyStore(fs::path file)
    : m_path(std::move(file))
{
}

void KeyStore::SetTempFileHookForTesting(std::function<void(int fd)> hook) { TempFileHook() = std::move(hook); }

const KeyStore::Entry* KeyStore::Find(std::string_view name) const
{
    for (const Entry& e : m_entries)
        if (SameName(e.name, name))
            return &e;
    return nullptr;
}

KeyStore::Entry* KeyStore::Find(std::string_view name)
{
    return const_cast<Entry*>(static_cast<const KeyStore*>(this)->Find(name));
}

void KeyStore::Set(std::string_view name, Value value)
{
    if (Entry* e = Find(name))
        e->value = std::move(value);
    else
        m_entries.push_back(Entry { std::string(name), std::move(value) });
}

bool KeyStore::Exists(std::string_view name) const { return Find(name) != nullptr; }

std::optional<KeyStore::Type> KeyStore::TypeOf(std::string_view name) const
{
    const Entry* e = Find(name);
    if (!e)
        return std::nullopt;
    return static_cast<Type>(e->value.index());
}

std::optional<std::string> KeyStore::ReadString(std::string_view name) const
{
    const Entry* e = Find(name);
    if (e && std::holds_alternative<std::string>(e->value))
        return std::get<std::string>(e->value);
    return std::nullopt;
}

std::optional<uint32_t> KeyStore::ReadDword(std::string_view name) const
{
    const Entry* e = Find(name);
    if (e && std::holds_alternative<uint32_t>(e->value))
        return std::get<uint32_t>(e->value);
    return std::nullopt;
}

std::optional<KeyStore::Bytes> KeyStore::ReadBinary(std::string_view name) const
{
    const Entry* e = Find(name);
    if (e && std::holds_alternative<Bytes>(e->value))
        return std::get<Bytes>(e->value);
    return std::nullopt;
}

void KeyStore::WriteString(std::string_view name, std::string_view value) { Set(name, std::string(value)); }
void KeyStore::WriteDword(std::string_view name, uint32_t value) { Set(name, value); }
void KeyStore::WriteBinary(std::string_view name, const Bytes& value) { Set(name, value); }

std::string KeyStore::Format(const std::vector<Entry>& entries)
{
    std::string out(Header);
    for (const Entry& e : entries) {
        AppendQuoted(out, e.name);
        out += '=';
        if (const auto* s = std::get_if<std::string>(&e.value)) {
            AppendQuoted(out, *s);
        } else if (const auto* d = std::get_if<uint32_t>(&e.value)) {
            out += "dword:";
            for (int shift = 28; shift >= 0; shift -= 4)
                out += HexChars[(*d >> shift) & 15];
        } else {
            out += "hex:";
            const Bytes& b = std::get<Bytes>(e.value);
            for (size_t i = 0; i < b.size(); ++i) {
                if (i)
                    out += ',';
                out += HexChars[b[i] >> 4];
                out += HexChars[b[i] & 15];
            }
        }
        out += '\n';
    }
    return out;
}

std::optional<std::vector<KeyStore::Entry>> KeyStore::Parse(std::string_view text, std::string* error)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    KeyStore parsed { fs::path() };
    size_t lineNo = 0;
    while (!text.empty()) {
        ++lineNo;
        size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        LineParser p(line);
        p.SkipBlanks();
        if (p.AtEnd() || p.Accept(';') || p.Accept('#'))
            continue;

        std::string why;
        std::optional<Value> value;
        std::optional<std::string> name = p.Quoted(why);
        if (name) {
            p.SkipBlanks();
            if (!p.Accept('=')) {
                why = "expected '=' after the name";
            } else {
                p.SkipBlanks();
                if (p.AcceptWord("dword:")) {
                    if (auto d = p.Dword(why))
                        value = *d;
                } else if (p.AcceptWord("hex:")) {
                    if (auto b = p.Hex(why))
                        value = std::move(*b);
                } else if (auto s = p.Quoted(why)) {
                    value = std::move(*s);
                }
                if (value) {
                    p.SkipBlanks();
                    if (!p.AtEnd()) {
                        why = "unexpected text after the value";
                        value.reset();
                    }
                }
            }
        }
        if (!value) {
            if (error)
                *error = "line " + std::to_string(lineNo) + ": " + why;
            return std::nullopt;
        }
        // A name that comes again replaces the earlier value, as a second write would.
        parsed.Set(*name, std::move(*value));
    }
    return std::move(parsed.m_entries);
}

bool KeyStore::Load()
{
    m_entries.clear();
    m_keepExistingFile = false;
    const fs::path target = ResolveLink(m_path);
    EnsureDirectory(target.parent_path());

    std::error_code ec;
    fs::file_status st = fs::status(target, ec);
    if (st.type() == fs::file_type::not_found)
        return true;
    if (ec || st.type() != fs::file_type::regular) {
        m_keepExistingFile = true;
        Log("settings: " + target.string() + " is not a readable file" + (ec ? ": " + ec.message() : std::string())
            + "; starting empty and leaving it alone");
        return false;
    }

    std::string text;
    int err = 0;
    bool tooBig = false;
    if (!ReadFile(target, text, MaxFileSize, err, tooBig)) {
        if (err == ENOENT) // removed since the status call
            return true;
        m_keepExistingFile = true;
        Log("settings: cannot read " + target.string() + ": " + ErrnoText(err)
            + "; starting empty and leaving it alone");
        return false;
    }

    std::string why;
    std::optional<std::vector<Entry>> entries;
    if (tooBig)
        why = "larger than " + std::to_string(MaxFileSize) + " bytes";
    else
        entries = Parse(text, &why);
    if (entries) {
        m_entries = std::move(*entries);
        return true;
    }

    // Keep the broken file for whoever wants to look at it; a fresh one is written at save.
    const std::string base = target.filename().string() + ".corrupt-" + UtcStamp();
    fs::path aside = target.parent_path() / base;
    for (int n = 2; fs::exists(fs::symlink_status(aside, ec)) && n < 1000; ++n)
        aside = target.parent_path() / (base + "-" + std::to_string(n));
    if (::rename(target.c_str(), aside.c_str()) != 0) {
        m_keepExistingFile = true;
        Log("settings: " + target.string() + " cannot be parsed (" + why + ") nor moved aside: " + ErrnoText(errno)
            + "; starting empty and leaving it alone");
        return false;
    }
    Log("settings: " + target.string() + " cannot be parsed (" + why + "); moved aside to " + aside.string()
        + ", starting empty");
    return false;
}

bool KeyStore::Save()
{
    const fs::path target = ResolveLink(m_path);
    if (m_keepExistingFile) {
        Log("settings: not saving over " + target.string() + ", which could not be read at load");
        return false;
    }
    const fs::path dir = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    if (!EnsureDirectory(dir))
        return false;

    std::string tmp = (dir / (target.filename().string() + ".tmp-XXXXXX")).string();
    int fd = ::mkstemp(tmp.data());
    if (fd < 0) {
        Log("settings: cannot create a temporary file in " + dir.string() + ": " + ErrnoText(errno));
        return false;
    }
    if (TempFileHook())
        TempFileHook()(fd);

    auto fail = [&](const std::string& what, int err) {
        ::unlink(tmp.c_str());
        Log("settings: cannot save " + target.string() + " (" + what + "): " + ErrnoText(err)
            + "; the old file is unchanged");
        return false;
    };
    int err = 0;
    if (!WriteAll(fd, Format(m_entries), err)) {
        ::close(fd);
        return fail("write", err);
    }
    if (::fsync(fd) != 0) {
        err = errno;
        ::close(fd);
        return fail("fsync", err);
    }
    if (::close(fd) != 0)
        return fail("close", errno);
    if (::rename(tmp.c_str(), target.c_str()) != 0)
        return fail("rename", errno);

    // The new file is in place; a failed directory sync only weakens durability after a crash.
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0 || ::fsync(dfd) != 0)
        Log("settings: saved " + target.string() + " but could not sync its folder: " + ErrnoText(errno));
    if (dfd >= 0)
        ::close(dfd);
    return true;
}

fs::path DefaultSettingsPath()
{
    fs::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        config = xdg;
    else {
        fs::path home;
        if (const char* h = std::getenv("HOME"); h && *h)
            home = h;
        else {
            passwd pw {};
            passwd* found = nullptr;
            std::vector<char> buf(16384);
            if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir)
                home = found->pw_dir;
            else
                home = "/tmp";
        }
        config = home / ".config";
    }
    return config / "Brightfen" / "Horalux" / "settings.conf";
}

} // namespace hx
