#include "pst/verify/property_types.h"

namespace tessaly::pst::verify {

std::optional<PropertyTypeInfo> propertyTypeInfo(std::uint16_t type) {
    switch (type) {
    case 0x0002: return PropertyTypeInfo{ValueShape::kInline4, 2, 2};  // PtypInteger16
    case 0x0003:                                                       // PtypInteger32
    case 0x0004:                                                       // PtypFloating32
    case 0x000A: return PropertyTypeInfo{ValueShape::kInline4, 4, 4};  // PtypErrorCode
    case 0x000B: return PropertyTypeInfo{ValueShape::kInline4, 1, 1};  // PtypBoolean
    case 0x0005:                                                       // PtypFloating64
    case 0x0006:                                                       // PtypCurrency
    case 0x0007:                                                       // PtypFloatingTime
    case 0x0014:                                                       // PtypInteger64
    case 0x0040: return PropertyTypeInfo{ValueShape::kFixed, 8, 8};    // PtypTime
    case 0x0048: return PropertyTypeInfo{ValueShape::kFixed, 16, 4};   // PtypGuid
    case 0x000D:                                                       // PtypObject
    case 0x001E:                                                       // PtypString8
    case 0x001F:                                                       // PtypString
    case 0x00FB:                                                       // PtypServerId
    case 0x00FD:                                                       // PtypRestriction
    case 0x00FE:                                                       // PtypRuleAction
    case 0x0102: return PropertyTypeInfo{ValueShape::kVariable, 0, 4}; // PtypBinary
    case 0x1002: return PropertyTypeInfo{ValueShape::kMultiFixed, 2, 4};
    case 0x1003:
    case 0x1004: return PropertyTypeInfo{ValueShape::kMultiFixed, 4, 4};
    case 0x1005:
    case 0x1006:
    case 0x1007:
    case 0x1014:
    case 0x1040: return PropertyTypeInfo{ValueShape::kMultiFixed, 8, 4};
    case 0x1048: return PropertyTypeInfo{ValueShape::kMultiFixed, 16, 4};
    case 0x101E:
    case 0x101F:
    case 0x1102: return PropertyTypeInfo{ValueShape::kMultiVariable, 0, 4};
    default: return std::nullopt;
    }
}

}  // namespace tessaly::pst::verify
