#include "scene/ObjectText.h"

#include "platform/Log.h"
#include "scene/StreamValues.h"
#include "scene/TextUtil.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace hx {

namespace {

    // ---- binary -> text -------------------------------------------------------------

    std::string QuoteText(std::u16string_view s)
    {
        // Printable characters go inside quotes (non-ASCII as UTF-8); control characters and
        // surrogates that are not part of a pair (UTF-8 cannot carry them) as #n.
        std::string out;
        bool inQuote = false;
        std::u16string run;
        auto flush = [&] {
            if (!run.empty()) {
                out += Utf16ToUtf8(run);
                run.clear();
            }
        };
        auto isHigh = [](char16_t c) { return c >= 0xD800 && c <= 0xDBFF; };
        auto isLow = [](char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; };
        for (size_t i = 0; i < s.size(); ++i) {
            char16_t c = s[i];
            bool paired = (isHigh(c) && i + 1 < s.size() && isLow(s[i + 1])) || (isLow(c) && i > 0 && isHigh(s[i - 1]));
            if (c < 32 || c == 0x7F || ((isHigh(c) || isLow(c)) && !paired)) {
                flush();
                if (inQuote) {
                    out += '\'';
                    inQuote = false;
                }
                out += '#' + std::to_string(static_cast<unsigned>(c));
            } else {
                if (!inQuote) {
                    flush();
                    out += '\'';
                    inQuote = true;
                }
                if (c == u'\'')
                    run += u"''";
                else
                    run += c;
            }
        }
        flush();
        if (inQuote)
            out += '\'';
        if (out.empty())
            out = "''";
        return out;
    }

    std::string FormatFloat(double v, bool single)
    {
        if (std::isnan(v))
            return "NaN";
        if (std::isinf(v))
            return v < 0 ? "-Inf" : "Inf";
        char buf[64];
        auto res = single ? std::to_chars(buf, buf + sizeof buf, static_cast<float>(v))
                          : std::to_chars(buf, buf + sizeof buf, v);
        std::string s(buf, res.ptr);
        if (s.find_first_of(".e") == std::string::npos)
            s += ".0";
        return s;
    }

    class TextWriter {
    public:
        TextWriter(std::span<const uint8_t> data, std::string& out)
            : in_(data)
            , out_(out)
        {
        }

        bool Run()
        {
            if (!in_.Signature()) {
                Log("scene: text form: not an object stream");
                return false;
            }
            Object(0);
            if (!in_.Ok())
                Log("scene: text form: object stream truncated or corrupt at byte " + std::to_string(in_.Pos()));
            return in_.Ok();
        }

    private:
        void Indent(int level) { out_.append(static_cast<size_t>(level) * 2, ' '); }

        void Object(int level)
        {
            if (level > TValueReader::kMaxDepth) {
                in_.Fail();
                return;
            }
            uint8_t flags;
            int64_t childPos;
            in_.Prefix(flags, childPos);
            std::string cls = in_.ShortString();
            std::string name = in_.ShortString();
            if (!in_.Ok())
                return;
            Indent(level);
            out_ += (flags & ffInherited) ? "inherited " : (flags & ffInline) ? "inline " : "object ";
            if (!name.empty())
                out_ += name + ": ";
            out_ += cls;
            if (flags & ffChildPos)
                out_ += " [" + std::to_string(childPos) + "]";
            out_ += '\n';
            Properties(level + 1);
            while (in_.Ok() && in_.PeekByte() != 0)
                Object(level + 1);
            in_.Byte();
            Indent(level);
            out_ += "end\n";
        }

        void Properties(int level)
        {
            while (in_.Ok() && in_.PeekByte() != 0) {
                std::string name = in_.ShortString();
                Indent(level);
                out_ += name + " = ";
                Value(level, level);
                out_ += '\n';
            }
            in_.Byte();
        }

        void Value(int level, int depth)
        {
            if (depth > TValueReader::kMaxDepth + 2) {
                in_.Fail();
                return;
            }
            auto type = static_cast<TValueType>(in_.Byte());
            if (!in_.Ok())
                return;
            switch (type) {
            case vaList:
                out_ += '(';
                while (in_.Ok() && in_.PeekByte() != vaNull) {
                    out_ += '\n';
                    Indent(level + 1);
                    Value(level + 1, depth + 1);
                }
                in_.Byte();
                out_ += ')';
                return;
            case vaCollection:
                out_ += '<';
                while (in_.Ok() && in_.PeekByte() != vaNull) {
                    out_ += '\n';
                    Indent(level + 1);
                    out_ += "item";
                    uint8_t t = in_.PeekByte();
                    if (t == vaInt8 || t == vaInt16 || t == vaInt32) {
                        TRawValue order;
                        in_.SimpleValue(static_cast<TValueType>(in_.Byte()), order);
                        out_ += " [" + std::to_string(order.i) + "]";
                    }
                    out_ += '\n';
                    if (in_.Byte() != vaList) {
                        in_.Fail();
                        return;
                    }
                    Properties(level + 2);
                    Indent(level + 1);
                    out_ += "end";
                }
                in_.Byte();
                out_ += '>';
                return;
            default:
                break;
            }
            TRawValue v;
            if (!in_.SimpleValue(type, v)) {
                in_.Fail();
                return;
            }
            switch (type) {
            case vaInt8:
            case vaInt16:
            case vaInt32:
            case vaInt64:
                out_ += std::to_string(v.i);
                break;
            case vaSingle:
                out_ += FormatFloat(v.f, true);
                break;
            case vaExtended:
            case vaDouble:
                out_ += FormatFloat(v.f, false) + "x";
                break;
            case vaCurrency:
                out_ += FormatFloat(static_cast<double>(v.i) / 10000.0, false) + "c";
                break;
            case vaDate:
                out_ += FormatFloat(v.f, false) + "d";
                break;
            case vaString:
            case vaLString:
            case vaUTF8String:
                out_ += QuoteText(Utf8ToUtf16(v.s));
                break;
            case vaWString:
                out_ += QuoteText(v.w);
                break;
            case vaIdent:
                out_ += v.s.empty() ? "''" : v.s;
                break;
            case vaFalse:
                out_ += "False";
                break;
            case vaTrue:
                out_ += "True";
                break;
            case vaNil:
                out_ += "nil";
                break;
            case vaNull:
                out_ += "Null";
                break;
            case vaSet: {
                out_ += '[';
                for (size_t i = 0; i < v.set.size(); ++i)
                    out_ += (i ? ", " : "") + v.set[i];
                out_ += ']';
                break;
            }
            case vaBinary: {
                static const char* hex = "0123456789ABCDEF";
                out_ += '{';
                for (size_t i = 0; i < v.bin.size(); ++i) {
                    if (i % 32 == 0) {
                        out_ += '\n';
                        Indent(level + 1);
                    }
                    out_ += hex[v.bin[i] >> 4];
                    out_ += hex[v.bin[i] & 15];
                }
                out_ += '}';
                break;
            }
            default:
                in_.Fail();
                break;
            }
        }

        TValueReader in_;
        std::string& out_;
    };

    // ---- text -> binary -------------------------------------------------------------

    enum class Tok { End, Ident, Integer, Float, String, Symbol };

    struct Token {
        Tok kind = Tok::End;
        std::string text; // identifier, symbol
        int64_t i = 0;
        double f = 0;
        char suffix = 0; // float suffix: 0 (Single), 'x' extended, 'c' currency, 'd' date
        std::u16string s;
        int line = 1;
    };

    class Lexer {
    public:
        explicit Lexer(std::string_view text)
            : t_(text)
        {
        }

        bool Ok() const { return ok_; }
        int Line() const { return line_; }
        const std::string& Error() const { return error_; }

        Token Next()
        {
            SkipSpace();
            Token tok;
            tok.line = line_;
            if (!ok_ || p_ >= t_.size())
                return tok;
            char c = t_[p_];
            if (IsIdentStart(c)) {
                size_t b = p_;
                while (p_ < t_.size() && (IsIdentStart(t_[p_]) || IsDigit(t_[p_]) || t_[p_] == '.'))
                    ++p_;
                tok.kind = Tok::Ident;
                tok.text = std::string(t_.substr(b, p_ - b));
                return tok;
            }
            if (IsDigit(c)
                || ((c == '-' || c == '+') && p_ + 1 < t_.size() && (IsDigit(t_[p_ + 1]) || t_[p_ + 1] == '$'))
                || c == '$')
                return Number(tok);
            if (c == '\'' || c == '#')
                return String(tok);
            tok.kind = Tok::Symbol;
            tok.text = std::string(1, c);
            ++p_;
            return tok;
        }

        // The bytes of a {...} block up to the closing brace (hex digits, white space ignored).
        bool HexBlock(std::vector<uint8_t>& out)
        {
            int half = -1;
            while (p_ < t_.size() && t_[p_] != '}') {
                char c = t_[p_++];
                if (c == '\n')
                    ++line_;
                if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
                    continue;
                int v = HexValue(c);
                if (v < 0)
                    return Fail("bad hex digit in binary data");
                if (half < 0)
                    half = v;
                else {
                    out.push_back(static_cast<uint8_t>(half * 16 + v));
                    half = -1;
                }
            }
            if (p_ >= t_.size() || half >= 0)
                return Fail("unterminated or odd binary data");
            ++p_;
            return true;
        }

        bool Fail(std::string what)
        {
            if (ok_) {
                ok_ = false;
                error_ = std::move(what);
            }
            return false;
        }

    private:
        static bool IsIdentStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
        static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
        static int HexValue(char c)
        {
            if (c >= '0' && c <= '9')
                return c - '0';
            if (c >= 'a' && c <= 'f')
                return c - 'a' + 10;
            if (c >= 'A' && c <= 'F')
                return c - 'A' + 10;
            return -1;
        }

        void SkipSpace()
        {
            while (p_ < t_.size()) {
                char c = t_[p_];
                if (c == '\n') {
                    ++line_;
                    ++p_;
                } else if (c == ' ' || c == '\t' || c == '\r') {
                    ++p_;
                } else if (c == '/' && p_ + 1 < t_.size() && t_[p_ + 1] == '/') {
                    while (p_ < t_.size() && t_[p_] != '\n')
                        ++p_;
                } else {
                    break;
                }
            }
        }

        Token Number(Token& tok)
        {
            size_t b = p_;
            bool negative = false;
            if (t_[p_] == '-' || t_[p_] == '+')
                negative = t_[p_++] == '-';
            if (p_ < t_.size() && t_[p_] == '$') {
                ++p_;
                uint64_t v = 0;
                size_t digits = 0;
                while (p_ < t_.size() && HexValue(t_[p_]) >= 0 && digits < 17) {
                    v = v * 16 + static_cast<uint64_t>(HexValue(t_[p_++]));
                    ++digits;
                }
                if (digits == 0 || digits > 16) {
                    Fail("bad hexadecimal number");
                    return tok;
                }
                tok.kind = Tok::Integer;
                tok.i = static_cast<int64_t>(negative ? uint64_t(0) - v : v);
                return tok;
            }
            while (p_ < t_.size()
                && (IsDigit(t_[p_]) || t_[p_] == '.' || t_[p_] == 'e' || t_[p_] == 'E'
                    || ((t_[p_] == '-' || t_[p_] == '+') && (t_[p_ - 1] == 'e' || t_[p_ - 1] == 'E'))))
                ++p_;
            std::string_view num = t_.substr(b, p_ - b);
            bool isFloat = num.find_first_of(".eE") != std::string_view::npos;
            if (p_ < t_.size() && (t_[p_] == 'x' || t_[p_] == 'c' || t_[p_] == 'd' || t_[p_] == 's')) {
                tok.suffix = t_[p_] == 's' ? 0 : t_[p_];
                isFloat = true;
                ++p_;
            }
            const char* first = num.data();
            if (*first == '+')
                ++first;
            const char* last = num.data() + num.size();
            if (isFloat) {
                // A Single is parsed as a float directly, so that its shortest text reads back exactly;
                // a currency beyond 9e10 would lose units of 1/10000 on its way through a double.
                double v = 0;
                std::from_chars_result res;
                if (tok.suffix == 0) {
                    float fv = 0;
                    res = std::from_chars(first, last, fv);
                    v = fv;
                } else {
                    res = std::from_chars(first, last, v);
                }
                if (res.ec != std::errc() || res.ptr != last || (tok.suffix == 'c' && !(std::fabs(v) < 9e10))) {
                    Fail("bad number " + std::string(num));
                    return tok;
                }
                tok.kind = Tok::Float;
                tok.f = v;
            } else {
                int64_t v = 0;
                auto [ptr, ec] = std::from_chars(first, last, v);
                if (ec != std::errc() || ptr != last) {
                    Fail("bad number " + std::string(num));
                    return tok;
                }
                tok.kind = Tok::Integer;
                tok.i = v;
            }
            return tok;
        }

        Token String(Token& tok)
        {
            tok.kind = Tok::String;
            std::string utf8;
            auto flushUtf8 = [&] {
                tok.s += Utf8ToUtf16(utf8);
                utf8.clear();
            };
            while (p_ < t_.size() && (t_[p_] == '\'' || t_[p_] == '#')) {
                if (t_[p_] == '#') {
                    ++p_;
                    size_t b = p_;
                    while (p_ < t_.size() && IsDigit(t_[p_]))
                        ++p_;
                    unsigned v = 0;
                    auto [ptr, ec] = std::from_chars(t_.data() + b, t_.data() + p_, v);
                    if (ec != std::errc() || p_ == b || v > 0xFFFF) {
                        Fail("bad character code");
                        return tok;
                    }
                    flushUtf8();
                    tok.s += static_cast<char16_t>(v);
                    continue;
                }
                ++p_;
                for (;;) {
                    if (p_ >= t_.size() || t_[p_] == '\n') {
                        Fail("unterminated string");
                        return tok;
                    }
                    if (t_[p_] == '\'') {
                        if (p_ + 1 < t_.size() && t_[p_ + 1] == '\'') {
                            utf8 += '\'';
                            p_ += 2;
                            continue;
                        }
                        ++p_;
                        break;
                    }
                    utf8 += t_[p_++];
                }
            }
            flushUtf8();
            return tok;
        }

        std::string_view t_;
        size_t p_ = 0;
        int line_ = 1;
        bool ok_ = true;
        std::string error_;
    };

    class TextReader {
    public:
        TextReader(std::string_view text, std::vector<uint8_t>& out)
            : lex_(text)
            , out_(out)
            , w_(out)
        {
        }

        bool Run()
        {
            out_.assign(std::begin(kFilerSignature), std::end(kFilerSignature));
            Advance();
            Object(0);
            if (lex_.Ok() && tok_.kind != Tok::End)
                lex_.Fail("text after the last end");
            if (!lex_.Ok()) {
                Log("scene: text form, line " + std::to_string(tok_.line) + ": " + lex_.Error());
                out_.clear();
                return false;
            }
            return true;
        }

    private:
        void Advance() { tok_ = lex_.Next(); }
        bool IsSymbol(char c) const { return tok_.kind == Tok::Symbol && tok_.text.size() == 1 && tok_.text[0] == c; }
        bool IsWord(const char* w) const { return tok_.kind == Tok::Ident && SameText(tok_.text, w); }
        bool Expect(char c)
        {
            if (!IsSymbol(c))
                return lex_.Fail(std::string("expected '") + c + "'");
            Advance();
            return true;
        }
        std::string ShortIdent(const char* what)
        {
            if (tok_.kind != Tok::Ident) {
                lex_.Fail(std::string("expected ") + what);
                return {};
            }
            std::string s = tok_.text;
            if (s.size() > 255) {
                lex_.Fail(std::string(what) + " longer than 255 characters");
                return {};
            }
            Advance();
            return s;
        }

        void Object(int depth)
        {
            if (depth > TValueReader::kMaxDepth) {
                lex_.Fail("objects nested too deeply");
                return;
            }
            uint8_t flags = 0;
            if (IsWord("inherited"))
                flags |= ffInherited;
            else if (IsWord("inline"))
                flags |= ffInline;
            else if (!IsWord("object")) {
                lex_.Fail("expected object");
                return;
            }
            Advance();
            std::string first = ShortIdent("a class name");
            std::string name, cls;
            if (IsSymbol(':')) {
                Advance();
                name = first;
                cls = ShortIdent("a class name");
            } else {
                cls = first;
            }
            int64_t childPos = -1;
            if (IsSymbol('[')) {
                Advance();
                if (tok_.kind != Tok::Integer) {
                    lex_.Fail("expected a child position");
                    return;
                }
                childPos = tok_.i;
                flags |= ffChildPos;
                Advance();
                Expect(']');
            }
            // A class name's length byte must stay below the prefix marker 0xF0.
            if (cls.size() >= 0xF0)
                lex_.Fail("class name longer than 239 characters");
            if (!lex_.Ok())
                return;
            if (flags)
                w_.Byte(static_cast<uint8_t>(0xF0 | flags));
            if (flags & ffChildPos)
                w_.Integer(childPos);
            w_.ShortString(cls);
            w_.ShortString(name);
            Properties(depth);
            w_.Byte(0);
            while (lex_.Ok() && (IsWord("object") || IsWord("inherited") || IsWord("inline")))
                Object(depth + 1);
            w_.Byte(0);
            if (lex_.Ok() && !IsWord("end"))
                lex_.Fail("expected end");
            Advance();
        }

        void Properties(int depth)
        {
            while (lex_.Ok() && tok_.kind == Tok::Ident && !IsWord("object") && !IsWord("inherited")
                && !IsWord("inline") && !IsWord("end") && !(IsWord("item") && inCollection_)) {
                std::string name = ShortIdent("a property name");
                if (!Expect('='))
                    return;
                w_.ShortString(name);
                Value(depth + 1);
            }
        }

        void Value(int depth)
        {
            if (depth > TValueReader::kMaxDepth + 2) {
                lex_.Fail("values nested too deeply");
                return;
            }
            if (!lex_.Ok())
                return;
            switch (tok_.kind) {
            case Tok::Integer:
                w_.Integer(tok_.i);
                Advance();
                return;
            case Tok::Float:
                switch (tok_.suffix) {
                case 'x':
                    w_.Extended(tok_.f);
                    break;
                case 'c':
                    w_.Byte(vaCurrency);
                    w_.Int64(static_cast<int64_t>(std::llround(tok_.f * 10000.0)));
                    break;
                case 'd':
                    w_.Byte(vaDate);
                    w_.Raw(&tok_.f, 8);
                    break;
                default:
                    w_.Single(static_cast<float>(tok_.f));
                    break;
                }
                Advance();
                return;
            case Tok::String: {
                std::u16string s = tok_.s;
                Advance();
                while (lex_.Ok() && IsSymbol('+')) {
                    Advance();
                    if (tok_.kind != Tok::String) {
                        lex_.Fail("expected a string after +");
                        return;
                    }
                    s += tok_.s;
                    Advance();
                }
                w_.WideString(s);
                return;
            }
            case Tok::Ident:
                if (IsWord("True"))
                    w_.Byte(vaTrue);
                else if (IsWord("False"))
                    w_.Byte(vaFalse);
                else if (IsWord("nil"))
                    w_.Byte(vaNil);
                else if (IsWord("Null"))
                    w_.Byte(vaNull);
                else if (IsWord("NaN") || IsWord("Inf"))
                    w_.Single(IsWord("NaN") ? NAN : INFINITY);
                else {
                    if (tok_.text.size() > 255) {
                        lex_.Fail("identifier longer than 255 characters");
                        return;
                    }
                    w_.Ident(tok_.text);
                }
                Advance();
                return;
            case Tok::Symbol:
                break;
            case Tok::End:
                lex_.Fail("unexpected end of text");
                return;
            }
            if (IsSymbol('-') || IsSymbol('+')) {
                // "-Inf"
                bool negative = IsSymbol('-');
                Advance();
                if (IsWord("Inf")) {
                    w_.Single(negative ? -INFINITY : INFINITY);
                    Advance();
                    return;
                }
                lex_.Fail("expected a number");
                return;
            }
            if (IsSymbol('(')) {
                Advance();
                w_.Byte(vaList);
                while (lex_.Ok() && !IsSymbol(')'))
                    Value(depth + 1);
                Expect(')');
                w_.Byte(vaNull);
                return;
            }
            if (IsSymbol('[')) {
                Advance();
                w_.Byte(vaSet);
                while (lex_.Ok() && !IsSymbol(']')) {
                    std::string n = ShortIdent("a set element");
                    if (n.empty())
                        return;
                    w_.ShortString(n);
                    if (IsSymbol(','))
                        Advance();
                    else if (!IsSymbol(']'))
                        lex_.Fail("expected , or ]");
                }
                Expect(']');
                w_.Byte(0);
                return;
            }
            if (IsSymbol('{')) {
                std::vector<uint8_t> bin;
                if (lex_.HexBlock(bin)) {
                    w_.Binary(bin);
                    Advance();
                }
                return;
            }
            if (IsSymbol('<')) {
                Advance();
                w_.Byte(vaCollection);
                bool outer = inCollection_;
                while (lex_.Ok() && IsWord("item")) {
                    Advance();
                    if (IsSymbol('[')) {
                        Advance();
                        if (tok_.kind != Tok::Integer) {
                            lex_.Fail("expected an item index");
                            return;
                        }
                        w_.Integer(tok_.i);
                        Advance();
                        Expect(']');
                    }
                    w_.Byte(vaList);
                    inCollection_ = false;
                    Properties(depth + 1);
                    inCollection_ = outer;
                    w_.Byte(0);
                    if (!IsWord("end")) {
                        lex_.Fail("expected end of item");
                        return;
                    }
                    Advance();
                }
                Expect('>');
                w_.Byte(vaNull);
                return;
            }
            lex_.Fail("unexpected '" + tok_.text + "'");
        }

        Lexer lex_;
        Token tok_;
        std::vector<uint8_t>& out_;
        TValueWriter w_;
        bool inCollection_ = false;
    };

} // namespace

bool ObjectBinaryToText(std::span<const uint8_t> binary, std::string& text)
{
    text.clear();
    return TextWriter(binary, text).Run();
}

bool ObjectTextToBinary(std::string_view text, std::vector<uint8_t>& binary)
{
    binary.clear();
    return TextReader(text, binary).Run();
}

} // namespace hx
