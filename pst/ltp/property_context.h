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

    // The properties in id order, read where they were set, through their
    // positions in that order; valid until the builder changes.
    class Ordered {
    public:
        class Iterator {
        public:
            Iterator(const Entry* values, const std::uint16_t* position) : values_(values), position_(position) {}
            const Entry& operator*() const { return values_[*position_]; }
            const Entry* operator->() const { return values_ + *position_; }
            Iterator& operator++() {
                ++position_;
                return *this;
            }
            bool operator==(const Iterator& other) const { return position_ == other.position_; }

        private:
            const Entry* values_;
            const std::uint16_t* position_;
        };
        Ordered(const std::vector<Entry>& values, const std::vector<std::uint16_t>& order)
            : values_(values.data()), order_(order.data()), size_(order.size()) {}
        Iterator begin() const { return {values_, order_}; }
        Iterator end() const { return {values_, order_ + size_}; }
        std::size_t size() const { return size_; }
        const Entry& operator[](std::size_t index) const { return values_[order_[index]]; }

    private:
        const Entry* values_;
        const std::uint16_t* order_;
        std::size_t size_;
    };
    Ordered values() const;
    // After values(): a number that two builders share when their values
    // stand in the same order of the same ids (builders made alike, one after
    // the other), else 0. What works out where each id is can keep it for
    // the next builder of the same number.
    std::uint64_t layout() const { return layout_; }

    // Takes the values out, in no particular order, leaving the builder empty.
    std::vector<Entry> release() {
        sorted_ = true;
        read_ = false;
        order_.clear();
        layout_ = 0;
        return std::move(values_);
    }

    // Lays the properties out; subnode NIDs for large values come from
    // `writer`. Extra subnodes (attachments, tables) are added by the caller.
    NodeContent build(NodeDatabaseWriter& writer) const;

private:
    // Positions are kept in 16 bits when sorting.
    static constexpr std::size_t kMaxValues = 0xFFFF;
    void setAfterReading(std::uint16_t id, PropertyValue&& value);

    // Kept in order of setting; when first read, the positions of the values
    // that count (the last of each id) are put in id order: cheaper than a
    // tree for a message's hundred values, and no value moves.
    mutable std::vector<Entry> values_;
    mutable std::vector<std::uint16_t> order_;  // once read
    mutable std::uint64_t layout_ = 0;
    mutable bool sorted_ = true;  // set so far in rising id order
    mutable bool read_ = false;
};

}  // namespace tessaly::pst
