#include "pst/ltp/property_context.h"

#include <algorithm>

#include "pst/ltp/btree_on_heap.h"

namespace tessaly::pst {

void PropertyContextBuilder::set(std::uint16_t id, PropertyValue value) {
    if (sorted_ && !values_.empty() && values_.back().first >= id) sorted_ = false;
    values_.emplace_back(id, std::move(value));
}

const std::vector<PropertyContextBuilder::Entry>& PropertyContextBuilder::values() const {
    if (!sorted_) {
        // A stable sort keeps values of one id in the order they were set, so
        // the last of each run is the one that stays.
        std::stable_sort(values_.begin(), values_.end(),
                         [](const Entry& a, const Entry& b) { return a.first < b.first; });
        std::size_t kept = 0;
        for (std::size_t i = 0; i < values_.size(); ++i) {
            if (i + 1 < values_.size() && values_[i + 1].first == values_[i].first) continue;
            if (kept != i) values_[kept] = std::move(values_[i]);
            ++kept;
        }
        values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(kept), values_.end());
        sorted_ = true;
    }
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
            reference = heap.allocate(value.bytes());
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
