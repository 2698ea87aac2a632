#pragma once
// The name-to-id map (MS-PST 2.4.7): named properties get ids from 0x8000 on,
// in the order first used. It is stored as the property context of NID 0x61:
// the GUID stream, the entry stream (one NAMEID per id), the string stream,
// and 251 hash buckets through which a client finds the id of a name.

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "pst/ltp/property_context.h"
#include "pst/messaging/property_name.h"

namespace tessaly::pst {

class NamedPropertyMap {
public:
    static constexpr std::uint32_t kBucketCount = 251;
    static constexpr std::uint16_t kFirstId = 0x8000;

    // The property id of `name`, assigned on first use; throws PstError
    // when the 0x8000–0xFFFE range is used up.
    std::uint16_t idFor(const PropertyName& name);
    std::size_t size() const { return entries_.size(); }

    PropertyContextBuilder build() const;

    // The bucket property (0x1000 + n) a name falls in: the key is the LID, or
    // the CRC-32 of the UTF-16LE name for a string name, XORed with the
    // NAMEID's GUID field (GUID index << 1 | is-string).
    static std::uint16_t bucketFor(std::uint32_t key, std::uint16_t guidField);
    static std::uint32_t stringKey(const std::string& utf8Name);

private:
    struct Entry {
        std::uint32_t key = 0;     // LID or CRC of the name (for the bucket)
        std::uint32_t stream = 0;  // LID or offset in the string stream
        std::uint16_t guidField = 0;
        std::uint16_t index = 0;
    };
    std::uint16_t guidIndex(const Guid& guid);

    // The ids of names seen last, by a hash of the LID, or of a string
    // name's length and first and last letters: a message's hundred names
    // are looked up for every message, and most are the same as the last
    // message's.
    struct Recent {
        PropertyName name;
        std::uint16_t id = 0;  // 0: empty
    };
    static constexpr std::size_t kRecentProbes = 4;
    std::array<Recent, 256> recent_{};
    static std::size_t recentSlot(const PropertyName& name);

    std::unordered_map<PropertyName, std::uint16_t, PropertyNameHash> ids_;
    std::vector<Entry> entries_;
    std::vector<Guid> guids_;
    Bytes strings_;
};

}  // namespace tessaly::pst
