#pragma once
// Property context (MS-PST 2.3.3): a heap whose user root is a BTree-on-heap
// keyed by property id, each record holding the type and either the value
// itself (4 bytes or less) or where it lives: a heap allocation, or a subnode
// when it is over the heap's 3,580-byte limit.

#include <cstdint>
#include <map>

#include "pst/ltp/node_content.h"
#include "pst/ltp/property_value.h"

namespace tessaly::pst {

class PropertyContextBuilder {
public:
    // Sets or replaces the value of property `id`.
    void set(std::uint16_t id, PropertyValue value);
    bool has(std::uint16_t id) const { return values_.count(id) != 0; }
    const PropertyValue* find(std::uint16_t id) const;
    const std::map<std::uint16_t, PropertyValue>& values() const { return values_; }

    // Lays the properties out; subnode NIDs for large values come from
    // `writer`. Extra subnodes (attachments, tables) are added by the caller.
    NodeContent build(NodeDatabaseWriter& writer) const;

private:
    std::map<std::uint16_t, PropertyValue> values_;
};

}  // namespace tessaly::pst
