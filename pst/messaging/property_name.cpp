#include "pst/messaging/property_name.h"

#include <stdexcept>

namespace tessaly::pst {

Guid parseGuid(const std::string& text) {
    std::string hex;
    for (char c : text) {
        if (c != '-' && c != '{' && c != '}') hex += c;
    }
    if (hex.size() != 32) throw std::invalid_argument("not a GUID: " + text);
    std::array<std::uint8_t, 16> big{};
    for (std::size_t i = 0; i < 16; ++i) big[i] = static_cast<std::uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    // Data1 (4 bytes), Data2 and Data3 (2 bytes each) are stored little-endian.
    Guid out = big;
    for (std::size_t i = 0; i < 4; ++i) out[i] = big[3 - i];
    out[4] = big[5];
    out[5] = big[4];
    out[6] = big[7];
    out[7] = big[6];
    return out;
}

const Guid kPsMapi = parseGuid("00020328-0000-0000-C000-000000000046");
const Guid kPsPublicStrings = parseGuid("00020329-0000-0000-C000-000000000046");

}  // namespace tessaly::pst
