#include "pst/ltp/property_context.h"

#include <algorithm>

#include "pst/ltp/btree_on_heap.h"
#include "pst/pst_error.h"

namespace tessaly::pst {

void PropertyContextBuilder::set(std::uint16_t id, PropertyValue value) {
    // Positions are kept in 16 bits beside the id when sorting.
    if (values_.size() == 0xFFFF) throw PstError("a property context takes at most 65,535 values");
    if (sorted_ && !values_.empty() && values_.back().first >= id) sorted_ = false;
    values_.emplace_back(id, std::move(value));
}

const std::vector<PropertyContextBuilder::Entry>& PropertyContextBuilder::values() const {
    if (!sorted_) {
        // Sorted as light keys (the id above the position of setting, so that
        // values of one id keep their order), then each value moved once; of
        // equal ids the one set last stays.
        std::vector<std::uint32_t> order(values_.size());
        for (std::size_t i = 0; i < values_.size(); ++i)
            order[i] = static_cast<std::uint32_t>(values_[i].first) << 16 | static_cast<std::uint32_t>(i);
        std::sort(order.begin(), order.end());
        std::vector<Entry> unique;
        unique.reserve(values_.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (i + 1 < order.size() && order[i + 1] >> 16 == order[i] >> 16) continue;
            unique.push_back(std::move(values_[order[i] & 0xFFFF]));
        }
        values_ = std::move(unique);
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
