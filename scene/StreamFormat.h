// The binary object-stream form: signature "TPF0", then one component written as an optional
// filer-flags prefix, class name, object name (short strings), its properties (name + typed
// value) up to an empty name, its children up to a 0 byte. Values carry these type tags.
#pragma once

#include <cstdint>

namespace hx {

inline constexpr uint8_t kFilerSignature[4] = { 'T', 'P', 'F', '0' };

enum TValueType : uint8_t {
    vaNull = 0, // end of a list
    vaList = 1, // values up to vaNull
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5, // 80-bit x87 extended, read and written through double
    vaString = 6, // byte length + 8-bit text
    vaIdent = 7, // byte length + identifier (enumeration element, handler, component name)
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10, // int32 size + bytes
    vaSet = 11, // identifiers up to an empty one
    vaLString = 12, // int32 length + 8-bit text
    vaNil = 13,
    vaCollection = 14, // items (optional order integer, vaList of properties) up to vaNull
    vaSingle = 15,
    vaCurrency = 16, // int64 in units of 1/10000
    vaDate = 17, // double
    vaWString = 18, // int32 count + UTF-16LE code units
    vaInt64 = 19,
    vaUTF8String = 20, // int32 length + UTF-8
    vaDouble = 21,
};

// Filer flags in the prefix byte 0xF0 | flags before a component's class name.
enum TFilerFlag : uint8_t { ffInherited = 1, ffChildPos = 2, ffInline = 4 };

} // namespace hx
