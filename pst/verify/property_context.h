#pragma once
// Property contexts (MS-PST PC): a heap with client signature 0xBC whose root
// is a BTH of 2-byte property ids and 6-byte records (type, value or HNID).
// Checking resolves every value (inline, in the heap, or in a subnode) and
// compares its size with its type.

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "pst/verify/node_trees.h"
#include "pst/verify/verify_context.h"

namespace tessaly::pst::verify {

struct PropertyValue {
    std::uint16_t type = 0;
    std::uint32_t inlineValue = 0;                    // the record's 4 value bytes
    std::optional<std::vector<std::uint8_t>> bytes;   // the value's bytes when kept elsewhere and read
};
using PropertyMap = std::map<std::uint16_t, PropertyValue>;

// Checks the PC stored in `dataBid` (subnodes `subnodes`) and returns its
// properties; nullopt when it cannot be read. `nid` locates the findings.
std::optional<PropertyMap> checkPropertyContext(VerifyContext& context, std::uint64_t nid, std::uint64_t dataBid,
                                                const SubnodeMap& subnodes);

std::optional<std::uint32_t> integerProperty(const PropertyMap& properties, std::uint16_t id);
std::optional<bool> booleanProperty(const PropertyMap& properties, std::uint16_t id);
const std::vector<std::uint8_t>* bytesProperty(const PropertyMap& properties, std::uint16_t id);

// The property of tag `tag` (id and type) in the form a table cell holds it:
// 4 bytes for PtypInteger32, 1 for PtypBoolean, the value's bytes otherwise.
std::optional<std::vector<std::uint8_t>> propertyAsCell(const PropertyMap& properties, std::uint32_t tag);

}  // namespace tessaly::pst::verify
