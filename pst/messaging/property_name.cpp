#include "pst/messaging/property_name.h"

#include <cstring>
#include <functional>

#include "pst/pst_error.h"

namespace tessaly::pst {

Guid parseGuid(const std::string& text) {
    std::string hex;
    for (char c : text) {
        if (c != '-' && c != '{' && c != '}') hex += c;
    }
    const auto digit = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    bool valid = hex.size() == 32;
    std::array<std::uint8_t, 16> big{};
    for (std::size_t i = 0; valid && i < 16; ++i) {
        const int high = digit(hex[2 * i]);
        const int low = digit(hex[2 * i + 1]);
        valid = high >= 0 && low >= 0;
        big[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    if (!valid) throw PstError("not a GUID: " + text);
    // Data1 (4 bytes), Data2 and Data3 (2 bytes each) are stored little-endian.
    Guid out = big;
    for (std::size_t i = 0; i < 4; ++i) out[i] = big[3 - i];
    out[4] = big[5];
    out[5] = big[4];
    out[6] = big[7];
    out[7] = big[6];
    return out;
}

std::size_t PropertyNameHash::operator()(const PropertyName& name) const {
    // The GUID as two words and the LID, each mixed in with a multiply; a
    // string name adds its own hash. (A message's hundred names are looked up
    // for every message: a byte-by-byte hash cost more than the rest.)
    std::uint64_t low, high;
    std::memcpy(&low, name.guid.data(), 8);
    std::memcpy(&high, name.guid.data() + 8, 8);
    std::uint64_t hash = 0x9E3779B97F4A7C15ull;
    for (const std::uint64_t word : {low, high, std::uint64_t{name.id} << 1 | (name.isString ? 1 : 0)}) {
        hash = (hash ^ word) * 0xBF58476D1CE4E5B9ull;
        hash ^= hash >> 31;
    }
    if (name.isString) hash ^= std::hash<std::string>{}(name.name);
    return static_cast<std::size_t>(hash);
}

const Guid kPsMapi = parseGuid("00020328-0000-0000-C000-000000000046");
const Guid kPsPublicStrings = parseGuid("00020329-0000-0000-C000-000000000046");
const Guid kPsetidCommon = parseGuid("00062008-0000-0000-C000-000000000046");

const PropertyName kSmartNoAttachName = PropertyName::numeric(kPsetidCommon, 0x8514);
const PropertyName kKeywordsName = PropertyName::string(kPsPublicStrings, "Keywords");

}  // namespace tessaly::pst
