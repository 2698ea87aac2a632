#include "pst/ltp/property_context.h"

#include <algorithm>
#include <array>

#include "pst/ltp/btree_on_heap.h"
#include "pst/pst_error.h"

namespace tessaly::pst {

void PropertyContextBuilder::set(std::uint16_t id, PropertyValue value) {
    // Positions are kept in 16 bits when sorting.
    if (values_.size() == 0xFFFF) throw PstError("a property context takes at most 65,535 values");
    if (sorted_ && !values_.empty() && values_.back().first >= id) {
        if (!read_) {
            sorted_ = false;
        } else {
            // Values once read stay in order: one set later (a size counted
            // from the others) goes to its place, or replaces its id's value.
            const auto it = std::lower_bound(values_.begin(), values_.end(), id,
                                             [](const Entry& entry, std::uint16_t key) { return entry.first < key; });
            if (it->first == id) {
                it->second = std::move(value);
            } else {
                values_.emplace(it, id, std::move(value));
            }
            return;
        }
    }
    values_.emplace_back(id, std::move(value));
}

const std::vector<PropertyContextBuilder::Entry>& PropertyContextBuilder::values() const {
    read_ = true;
    if (sorted_) return values_;
    // A stable radix sort of the positions by id, low byte then high byte,
    // so that values of one id keep their order of setting; of those the one
    // set last stays. Each value is moved once.
    const std::size_t count = values_.size();
    std::vector<std::uint16_t> order(count), sorted(count);
    for (std::size_t i = 0; i < count; ++i) order[i] = static_cast<std::uint16_t>(i);
    for (const int shift : {0, 8}) {
        std::array<std::uint32_t, 257> starts{};
        for (const Entry& entry : values_) ++starts[((entry.first >> shift) & 0xFF) + 1];
        for (std::size_t b = 1; b < starts.size(); ++b) starts[b] += starts[b - 1];
        for (const std::uint16_t position : order) sorted[starts[(values_[position].first >> shift) & 0xFF]++] = position;
        order.swap(sorted);
    }
    std::vector<Entry> unique;
    unique.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (i + 1 < count && values_[order[i + 1]].first == values_[order[i]].first) continue;
        unique.push_back(std::move(values_[order[i]]));
    }
    values_ = std::move(unique);
    sorted_ = true;
    return values_;
}

const PropertyValue* PropertyContextBuilder::find(std::uint16_t id) const {
    const auto& sorted = values();
    const auto it = std::lower_bound(sorted.begin(), sorted.end(), id,
                                     [](const Entry& entry, std::uint16_t key) { return entry.first < key; });
    return it == sorted.end() || it->first != id ? nullptr : &it->second;
}

NodeContent PropertyContextBuilder::build(NodeDatabaseWriter& writer) const {
    NodeContent content;
    HeapBuilder heap(HeapClient::PropertyContext);
    // The BTHHEADER takes the first allocation (HID 0x20), where Outlook
    // puts it and where some readers expect it.
    const Hid header = heap.allocate(Bytes(8, 0));
    Bytes records;
    records.reserve(8 * values().size());
    for (const auto& [id, value] : values()) {
        std::uint32_t reference = 0;
        const std::size_t size = fixedSize(value.type());
        if (size != 0 && size <= 4) {
            std::uint8_t inline4[4] = {0, 0, 0, 0};
            std::copy(value.bytes().begin(), value.bytes().end(), inline4);
            reference = get32(inline4);
        } else if (value.bytes().empty()) {
            reference = 0;  // an empty value has no allocation (a 0-byte one would read as freed)
        } else if (value.bytes().size() <= kMaxHeapAllocation) {
            reference = heap.allocate(value.bytes().data(), value.bytes().size());
        } else {
            Subnode subnode;
            subnode.nid = writer.newNid(NidType::Ltp);
            subnode.data = value.bytes();
            reference = subnode.nid;
            content.subnodes.push_back(std::move(subnode));
        }
        append16(records, id);
        append16(records, value.type());
        append32(records, reference);
    }
    heap.setUserRoot(buildBTreeOnHeap(heap, 2, 6, records, header));
    content.heapBlocks = heap.finish();
    return content;
}

}  // namespace tessaly::pst
