#include "info/TextDecode.h"

#include "platform/Log.h"

#include <cerrno>
#include <iconv.h>

namespace hx {
namespace {

    constexpr std::string_view Replacement = "\xEF\xBF\xBD"; // U+FFFD
    // Pages carry their meta tag near the top; a prescan limit keeps a huge page cheap.
    constexpr size_t PrescanBytes = 4096;

    char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

    std::string LowerCopy(std::string_view s)
    {
        std::string out(s);
        for (char& c : out)
            c = Lower(c);
        return out;
    }

    bool IsNameChar(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_'
            || c == '.' || c == ':';
    }

    // The value after "charset=" (or "encoding=") in text, quotes and spaces skipped.
    std::string ValueAfter(std::string_view lowerText, std::string_view key, size_t from = 0)
    {
        size_t at = lowerText.find(key, from);
        if (at == std::string_view::npos)
            return {};
        size_t i = at + key.size();
        while (i < lowerText.size() && (lowerText[i] == ' ' || lowerText[i] == '\t'))
            ++i;
        if (i >= lowerText.size() || lowerText[i] != '=')
            return ValueAfter(lowerText, key, at + key.size());
        ++i;
        while (i < lowerText.size()
            && (lowerText[i] == ' ' || lowerText[i] == '\t' || lowerText[i] == '"' || lowerText[i] == '\''))
            ++i;
        size_t end = i;
        while (end < lowerText.size() && IsNameChar(lowerText[end]))
            ++end;
        return std::string(lowerText.substr(i, end - i));
    }

    std::string FromBom(std::string_view body)
    {
        if (body.starts_with("\xEF\xBB\xBF"))
            return "utf-8";
        if (body.starts_with("\xFF\xFE"))
            return "utf-16le";
        if (body.starts_with("\xFE\xFF"))
            return "utf-16be";
        return {};
    }

    std::string FromMarkup(std::string_view body)
    {
        std::string head = LowerCopy(body.substr(0, PrescanBytes));
        size_t start = head.find_first_not_of(" \t\r\n");
        if (start != std::string::npos && head.compare(start, 5, "<?xml") == 0) {
            size_t close = head.find("?>", start);
            std::string_view decl
                = std::string_view(head).substr(start, close == std::string::npos ? close : close - start);
            if (std::string value = ValueAfter(decl, "encoding"); !value.empty())
                return value;
        }
        for (size_t at = head.find("<meta"); at != std::string::npos; at = head.find("<meta", at + 5)) {
            size_t close = head.find('>', at);
            std::string_view tag = std::string_view(head).substr(at, close == std::string::npos ? close : close - at);
            if (std::string value = ValueAfter(tag, "charset"); !value.empty())
                return value;
        }
        return {};
    }

    // Web pages labelled with a Chinese or Latin legacy name use its superset in practice.
    std::string IconvName(const std::string& charset)
    {
        if (charset == "gb2312" || charset == "gb_2312" || charset == "gb_2312-80" || charset == "csgb2312"
            || charset == "chinese" || charset == "x-gbk" || charset == "gbk" || charset == "cp936"
            || charset == "windows-936")
            return "GBK";
        if (charset == "iso-8859-1" || charset == "latin1" || charset == "us-ascii" || charset == "ascii")
            return "CP1252";
        return charset;
    }

    std::string Convert(std::string_view body, const std::string& from)
    {
        iconv_t cd = iconv_open("UTF-8", from.c_str());
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            Log("reply declares an unknown charset \"" + from + "\"; read as UTF-8");
            cd = iconv_open("UTF-8", "UTF-8");
            if (cd == reinterpret_cast<iconv_t>(-1))
                return std::string(body);
        }
        std::string out;
        out.reserve(body.size() + body.size() / 2);
        char* in = const_cast<char*>(body.data());
        size_t inLeft = body.size();
        char buffer[16384];
        size_t bad = 0;
        while (inLeft > 0) {
            char* outPtr = buffer;
            size_t outLeft = sizeof buffer;
            size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
            out.append(buffer, outPtr - buffer);
            if (rc != static_cast<size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            // An invalid or cut-off sequence: one substitute for its first byte, then go on.
            out.append(Replacement);
            ++in;
            --inLeft;
            ++bad;
        }
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer, outPtr - buffer);
        iconv_close(cd);
        if (bad)
            Log("reply holds " + std::to_string(bad) + " byte(s) that are not " + from + "; replaced");
        return out;
    }

} // namespace

std::string DeclaredCharset(std::string_view body, std::string_view contentType)
{
    if (std::string bom = FromBom(body); !bom.empty())
        return bom;
    if (std::string header = ValueAfter(LowerCopy(contentType), "charset"); !header.empty())
        return header;
    std::string markup = FromMarkup(body);
    // A page that can be read as ASCII to find its label cannot be UTF-16 or UTF-32.
    if (markup.starts_with("utf-16") || markup.starts_with("utf-32"))
        return "utf-8";
    return markup;
}

std::string DecodeReply(std::string_view body, std::string_view contentType)
{
    std::string charset = DeclaredCharset(body, contentType);
    if (std::string bom = FromBom(body); !bom.empty())
        body.remove_prefix(bom == "utf-8" ? 3 : 2);
    return Convert(body, charset.empty() ? std::string("UTF-8") : IconvName(charset));
}

} // namespace hx
