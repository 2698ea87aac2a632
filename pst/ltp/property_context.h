#pragma once
// Property context (MS-PST 2.3.3): a heap whose user root is a BTree-on-heap
// keyed by property id, each record holding the type and either the value
// itself (4 bytes or less) or where it lives: a heap allocation, or a subnode
// when it is over the heap's 3,580-byte limit. An empty variable-size value
// lives nowhere: its HNID is 0, as Outlook stores one.

#include <cstdint>
#include <utility>
#include <vector>

#include "pst/ltp/node_content.h"
#include "pst/ltp/property_value.h"

namespace tessaly::pst {

class PropertyContextBuilder {
public:
    using Entry = std::pair<std::uint16_t, PropertyValue>;

    // Sets or replaces the value of property `id`. Once the values have been
    // read, a value set after them goes to its place at once.
    void set(std::uint16_t id, PropertyValue&& value) {
        // Before the values are read, each goes to the end (a message sets
        // a hundred and more): ordered when first read.
        if (!read_ && values_.size() < kMaxValues) {
            if (!values_.empty() && values_.back().first >= id) sorted_ = false;
            values_.emplace_back(id, std::move(value));
            return;
        }
        setAfterReading(id, std::move(value));
    }
    // Room for this many values.
    void reserve(std::size_t count) { values_.reserve(count); }
    // Takes the room of `spare` (a vector given back by release()) for the
    // values, dropping what it holds.
    void reuse(std::vector<Entry>&& spare) {
        spare.clear();
        if (values_.empty() && spare.capacity() > values_.capacity()) values_ = std::move(spare);
    }
    bool has(std::uint16_t id) const { return find(id) != nullptr; }
    const PropertyValue* find(std::uint16_t id) const;
    // The properties in id order.
    const std::vector<Entry>& values() const;

    // Takes the values out, leaving the builder empty.
    std::vector<Entry> release() {
        sorted_ = true;
        read_ = false;
        return std::move(values_);
    }

    // Lays the properties out; subnode NIDs for large values come from
    // `writer`. Extra subnodes (attachments, tables) are added by the caller.
    NodeContent build(NodeDatabaseWriter& writer) const;

private:
    // Positions are kept in 16 bits when sorting.
    static constexpr std::size_t kMaxValues = 0xFFFF;
    void setAfterReading(std::uint16_t id, PropertyValue&& value);

    // Kept in order of setting and sorted (the last value of an id winning)
    // when first read: cheaper than a tree for a message's hundred values.
    mutable std::vector<Entry> values_;
    mutable bool sorted_ = true;
    mutable bool read_ = false;
};

}  // namespace tessaly::pst
