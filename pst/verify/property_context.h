#pragma once
// Property contexts (MS-PST PC): a heap with client signature 0xBC whose root
// is a BTH of 2-byte property ids and 6-byte records (type, value or HNID).
// Checking resolves every value (inline, in the heap, or in a subnode) and
// compares its size with its type.

#include <cstdint>
#include <utility>
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

// A property context's values by id, in id order. Held as one sorted vector
// rather than a tree: a store has a property context for each message, and a
// node allocated for each of its hundred values cost the check more than the
// rest of its reading. The records of a sound context come in id order, so
// each goes to the end; those of a broken one still find their place.
class PropertyMap {
public:
    using value_type = std::pair<std::uint16_t, PropertyValue>;
    using const_iterator = std::vector<value_type>::const_iterator;

    void reserve(std::size_t count) { entries_.reserve(count); }
    // The value of `id`, made empty when there is none.
    PropertyValue& operator[](std::uint16_t id);
    const_iterator find(std::uint16_t id) const;
    // The value of `id`; throws std::out_of_range when there is none.
    const PropertyValue& at(std::uint16_t id) const;
    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.end(); }
    std::size_t size() const { return entries_.size(); }

private:
    // The first entry whose id is not below `id`.
    std::vector<value_type>::const_iterator firstFrom(std::uint16_t id) const;

    std::vector<value_type> entries_;
};

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
