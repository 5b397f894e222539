// Byte-level encoding of the object-stream values, shared by the object writer, the reader
// and the text converter (internal to hx_scene). The reader side checks every length against
// the bytes that remain and turns any overrun into a sticky failure.
#pragma once

#include "scene/ClassInfo.h"
#include "scene/StreamFormat.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace hx {

double ExtendedToDouble(const uint8_t bytes[10]);
void DoubleToExtended(double v, uint8_t bytes[10]);

class TValueWriter {
public:
    explicit TValueWriter(std::vector<uint8_t>& out)
        : out_(out)
    {
    }
    void Byte(uint8_t b) { out_.push_back(b); }
    void Raw(const void* p, size_t n);
    void Int16(int16_t v) { Raw(&v, 2); }
    void Int32(int32_t v) { Raw(&v, 4); }
    void Int64(int64_t v) { Raw(&v, 8); }
    void ShortString(std::string_view s); // at most 255 bytes
    void Ident(std::string_view s);
    void Integer(int64_t v); // the smallest of vaInt8, vaInt16, vaInt32, vaInt64
    void Single(float v);
    void Double(double v);
    void Extended(double v);
    void String(std::string_view utf8); // vaString, vaLString or, when not ASCII, vaUTF8String
    void WideString(std::u16string_view s); // vaWString, or as String when all ASCII
    void Binary(std::span<const uint8_t> data);
    void Set(const std::vector<std::string>& names);
    // A simple value: integer, Single, Boolean, strings; monostate writes vaNil.
    void Value(const TValue& v);

private:
    std::vector<uint8_t>& out_;
};

// A simple value as read from a stream (lists and collections are walked by the caller).
struct TRawValue {
    TValueType type = vaNull;
    int64_t i = 0; // integers, currency (raw units)
    double f = 0; // floats, dates
    std::string s; // 8-bit and UTF-8 strings, identifiers
    std::u16string w; // vaWString
    std::vector<uint8_t> bin;
    std::vector<std::string> set;
};

class TValueReader {
public:
    explicit TValueReader(std::span<const uint8_t> data)
        : data_(data)
    {
    }
    bool Ok() const { return ok_; }
    bool AtEnd() const { return pos_ >= data_.size(); }
    size_t Pos() const { return pos_; }
    size_t Remaining() const { return ok_ ? data_.size() - pos_ : 0; }
    void Fail() { ok_ = false; }

    uint8_t Byte();
    uint8_t PeekByte() const;
    bool Raw(void* p, size_t n);
    std::string ShortString();
    bool Signature();
    // Filer flags prefix (0xF0 | flags) and its child position, if present.
    void Prefix(uint8_t& flags, int64_t& childPos);
    // Reads a simple value after its type byte; false for structural or unknown types.
    bool SimpleValue(TValueType type, TRawValue& out);
    // Skips one value of any kind (its type byte not yet read); depth guards nesting.
    bool SkipValue(int depth = 0);
    // Skips the rest of a value whose type byte was already read.
    bool SkipValueOfType(TValueType type, int depth = 0);
    // Skips a component (from its prefix on) with its properties and children.
    bool SkipComponent(int depth = 0);

    static constexpr int kMaxDepth = 64;

private:
    std::span<const uint8_t> data_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// Converts a raw value to a property value (vaIdent becomes std::string; vaNil monostate).
TValue RawToValue(const TRawValue& raw);

} // namespace hx
