#pragma once
// What MS-PST says about each property type a PST holds: how many bytes a
// single value has (0 for variable-size types) and, for multi-valued types,
// the size of one element.

#include <cstdint>
#include <optional>

namespace tessaly::pst::verify {

enum class ValueShape {
    kInline4,       // up to 4 bytes, kept in the property record itself
    kFixed,         // a fixed number of bytes elsewhere (8 or 16)
    kVariable,      // strings, binaries, objects
    kMultiFixed,    // count implied by size, fixed-size elements
    kMultiVariable  // ulCount, offsets, then the values
};

struct PropertyTypeInfo {
    ValueShape shape;
    unsigned size;       // kFixed: the value size; kMultiFixed: the element size
    unsigned tableCell;  // bytes of its cell in a table row (4 for values kept elsewhere)
};

std::optional<PropertyTypeInfo> propertyTypeInfo(std::uint16_t type);

}  // namespace tessaly::pst::verify
