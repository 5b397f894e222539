#include "scene/StreamValues.h"

#include "scene/TextUtil.h"

#include <cmath>
#include <cstring>

namespace hx {

double ExtendedToDouble(const uint8_t b[10])
{
    uint64_t mant = 0;
    std::memcpy(&mant, b, 8);
    unsigned se = b[8] | (b[9] << 8);
    bool negative = se & 0x8000;
    int exp = static_cast<int>(se & 0x7FFF);
    double v;
    if (exp == 0 && mant == 0)
        v = 0;
    else if (exp == 0x7FFF)
        v = (mant << 1) == 0 ? INFINITY : NAN;
    else
        v = std::ldexp(static_cast<double>(mant), exp - 16383 - 63);
    return negative ? -v : v;
}

void DoubleToExtended(double v, uint8_t b[10])
{
    std::memset(b, 0, 10);
    unsigned se = std::signbit(v) ? 0x8000 : 0;
    uint64_t mant = 0;
    if (std::isnan(v)) {
        se |= 0x7FFF;
        mant = 0xC000000000000000ull;
    } else if (std::isinf(v)) {
        se |= 0x7FFF;
        mant = 0x8000000000000000ull;
    } else if (v != 0) {
        int e = 0;
        double m = std::frexp(std::fabs(v), &e); // 0.5 <= m < 1
        mant = static_cast<uint64_t>(std::ldexp(m, 64));
        se |= static_cast<unsigned>(e - 1 + 16383) & 0x7FFF;
    }
    std::memcpy(b, &mant, 8);
    b[8] = static_cast<uint8_t>(se & 0xFF);
    b[9] = static_cast<uint8_t>(se >> 8);
}

void TValueWriter::Raw(const void* p, size_t n)
{
    auto* c = static_cast<const uint8_t*>(p);
    out_.insert(out_.end(), c, c + n);
}

void TValueWriter::ShortString(std::string_view s)
{
    size_t n = std::min<size_t>(s.size(), 255);
    Byte(static_cast<uint8_t>(n));
    Raw(s.data(), n);
}

void TValueWriter::Ident(std::string_view s)
{
    Byte(vaIdent);
    ShortString(s);
}

void TValueWriter::Integer(int64_t v)
{
    if (v >= INT8_MIN && v <= INT8_MAX) {
        Byte(vaInt8);
        Byte(static_cast<uint8_t>(static_cast<int8_t>(v)));
    } else if (v >= INT16_MIN && v <= INT16_MAX) {
        Byte(vaInt16);
        Int16(static_cast<int16_t>(v));
    } else if (v >= INT32_MIN && v <= INT32_MAX) {
        Byte(vaInt32);
        Int32(static_cast<int32_t>(v));
    } else {
        Byte(vaInt64);
        Int64(v);
    }
}

void TValueWriter::Single(float v)
{
    Byte(vaSingle);
    Raw(&v, 4);
}

void TValueWriter::Double(double v)
{
    Byte(vaDouble);
    Raw(&v, 8);
}

void TValueWriter::Extended(double v)
{
    uint8_t b[10];
    DoubleToExtended(v, b);
    Byte(vaExtended);
    Raw(b, 10);
}

void TValueWriter::String(std::string_view s)
{
    bool ascii = true;
    for (char c : s)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (!ascii) {
        Byte(vaUTF8String);
        Int32(static_cast<int32_t>(s.size()));
    } else if (s.size() <= 255) {
        Byte(vaString);
        Byte(static_cast<uint8_t>(s.size()));
    } else {
        Byte(vaLString);
        Int32(static_cast<int32_t>(s.size()));
    }
    Raw(s.data(), s.size());
}

void TValueWriter::WideString(std::u16string_view s)
{
    bool ascii = true;
    for (char16_t c : s)
        ascii = ascii && c < 0x80;
    if (ascii) {
        String(Utf16ToUtf8(s));
        return;
    }
    Byte(vaWString);
    Int32(static_cast<int32_t>(s.size()));
    for (char16_t c : s) {
        Byte(static_cast<uint8_t>(c & 0xFF));
        Byte(static_cast<uint8_t>(c >> 8));
    }
}

void TValueWriter::Binary(std::span<const uint8_t> data)
{
    Byte(vaBinary);
    Int32(static_cast<int32_t>(data.size()));
    Raw(data.data(), data.size());
}

void TValueWriter::Set(const std::vector<std::string>& names)
{
    Byte(vaSet);
    for (const auto& n : names)
        ShortString(n);
    Byte(0);
}

void TValueWriter::Value(const TValue& v)
{
    std::visit(
        [this](const auto& x) {
            using X = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<X, std::monostate>)
                Byte(vaNil);
            else if constexpr (std::is_same_v<X, int64_t>)
                Integer(x);
            else if constexpr (std::is_same_v<X, float>)
                Single(x);
            else if constexpr (std::is_same_v<X, bool>)
                Byte(x ? vaTrue : vaFalse);
            else if constexpr (std::is_same_v<X, std::string>)
                String(x);
            else if constexpr (std::is_same_v<X, std::u16string>)
                WideString(x);
            else
                Byte(vaNil); // objects are never written as simple values
        },
        v);
}

uint8_t TValueReader::Byte()
{
    if (!ok_ || pos_ >= data_.size()) {
        ok_ = false;
        return 0;
    }
    return data_[pos_++];
}

uint8_t TValueReader::PeekByte() const { return ok_ && pos_ < data_.size() ? data_[pos_] : 0; }

bool TValueReader::Raw(void* p, size_t n)
{
    if (!ok_ || n > data_.size() - pos_) {
        ok_ = false;
        std::memset(p, 0, n);
        return false;
    }
    std::memcpy(p, data_.data() + pos_, n);
    pos_ += n;
    return true;
}

std::string TValueReader::ShortString()
{
    size_t n = Byte();
    if (!ok_ || n > data_.size() - pos_) {
        ok_ = false;
        return {};
    }
    std::string s(reinterpret_cast<const char*>(data_.data() + pos_), n);
    pos_ += n;
    return s;
}

bool TValueReader::Signature()
{
    uint8_t sig[4];
    return Raw(sig, 4) && std::memcmp(sig, kFilerSignature, 4) == 0;
}

void TValueReader::Prefix(uint8_t& flags, int64_t& childPos)
{
    flags = 0;
    childPos = -1;
    if ((PeekByte() & 0xF0) != 0xF0)
        return;
    flags = Byte() & 0x0F;
    if (flags & ffChildPos) {
        TRawValue v;
        auto type = static_cast<TValueType>(Byte());
        if ((type == vaInt8 || type == vaInt16 || type == vaInt32) && SimpleValue(type, v))
            childPos = v.i;
        else
            ok_ = false;
    }
}

bool TValueReader::SimpleValue(TValueType type, TRawValue& out)
{
    out = {};
    out.type = type;
    auto readLen32 = [&]() -> size_t {
        int32_t n = 0;
        Raw(&n, 4);
        if (!ok_ || n < 0 || static_cast<size_t>(n) > data_.size() - pos_) {
            ok_ = false;
            return 0;
        }
        return static_cast<size_t>(n);
    };
    switch (type) {
    case vaInt8: {
        int8_t v = 0;
        Raw(&v, 1);
        out.i = v;
        break;
    }
    case vaInt16: {
        int16_t v = 0;
        Raw(&v, 2);
        out.i = v;
        break;
    }
    case vaInt32: {
        int32_t v = 0;
        Raw(&v, 4);
        out.i = v;
        break;
    }
    case vaInt64:
    case vaCurrency:
        Raw(&out.i, 8);
        break;
    case vaExtended: {
        uint8_t b[10];
        if (Raw(b, 10))
            out.f = ExtendedToDouble(b);
        break;
    }
    case vaSingle: {
        float v = 0;
        Raw(&v, 4);
        out.f = v;
        break;
    }
    case vaDouble:
    case vaDate:
        Raw(&out.f, 8);
        break;
    case vaString:
    case vaIdent:
        out.s = ShortString();
        break;
    case vaLString:
    case vaUTF8String: {
        size_t n = readLen32();
        if (ok_) {
            out.s.assign(reinterpret_cast<const char*>(data_.data() + pos_), n);
            pos_ += n;
        }
        break;
    }
    case vaWString: {
        int32_t n = 0;
        Raw(&n, 4);
        if (!ok_ || n < 0 || static_cast<size_t>(n) > (data_.size() - pos_) / 2) {
            ok_ = false;
            break;
        }
        out.w.resize(static_cast<size_t>(n));
        for (size_t k = 0; k < out.w.size(); ++k)
            out.w[k] = static_cast<char16_t>(data_[pos_ + 2 * k] | (data_[pos_ + 2 * k + 1] << 8));
        pos_ += 2 * static_cast<size_t>(n);
        break;
    }
    case vaBinary: {
        size_t n = readLen32();
        if (ok_) {
            out.bin.assign(data_.begin() + static_cast<std::ptrdiff_t>(pos_),
                data_.begin() + static_cast<std::ptrdiff_t>(pos_ + n));
            pos_ += n;
        }
        break;
    }
    case vaSet:
        while (ok_) {
            std::string s = ShortString();
            if (s.empty())
                break;
            out.set.push_back(std::move(s));
        }
        break;
    case vaFalse:
    case vaTrue:
    case vaNil:
    case vaNull:
        break;
    default:
        return false;
    }
    return ok_;
}

bool TValueReader::SkipValue(int depth)
{
    auto type = static_cast<TValueType>(Byte());
    return ok_ && SkipValueOfType(type, depth);
}

bool TValueReader::SkipComponent(int depth)
{
    if (depth > kMaxDepth) {
        ok_ = false;
        return false;
    }
    uint8_t flags;
    int64_t childPos;
    Prefix(flags, childPos);
    ShortString();
    ShortString();
    while (ok_ && PeekByte() != 0) {
        ShortString();
        SkipValue(depth + 1);
    }
    Byte();
    while (ok_ && PeekByte() != 0)
        SkipComponent(depth + 1);
    Byte();
    return ok_;
}

bool TValueReader::SkipValueOfType(TValueType type, int depth)
{
    if (depth > kMaxDepth) {
        ok_ = false;
        return false;
    }
    if (type == vaList) {
        while (ok_ && PeekByte() != vaNull)
            SkipValue(depth + 1);
        Byte();
        return ok_;
    }
    if (type == vaCollection) {
        while (ok_ && PeekByte() != vaNull) {
            uint8_t t = PeekByte();
            if (t == vaInt8 || t == vaInt16 || t == vaInt32) {
                TRawValue v;
                SimpleValue(static_cast<TValueType>(Byte()), v);
            }
            if (Byte() != vaList) {
                ok_ = false;
                return false;
            }
            while (ok_ && PeekByte() != 0) {
                ShortString();
                SkipValue(depth + 1);
            }
            Byte();
        }
        Byte();
        return ok_;
    }
    TRawValue v;
    if (!SimpleValue(type, v))
        ok_ = false;
    return ok_;
}

TValue RawToValue(const TRawValue& raw)
{
    switch (raw.type) {
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64:
        return raw.i;
    case vaCurrency:
        return static_cast<float>(static_cast<double>(raw.i) / 10000.0);
    case vaExtended:
    case vaSingle:
    case vaDouble:
    case vaDate:
        return static_cast<float>(raw.f);
    case vaString:
    case vaLString:
    case vaUTF8String:
    case vaIdent:
        return raw.s;
    case vaWString:
        return raw.w;
    case vaTrue:
        return true;
    case vaFalse:
        return false;
    default:
        return std::monostate {};
    }
}

} // namespace hx
