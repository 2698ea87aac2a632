#include "pst/ltp/property_context.h"

#include <algorithm>

#include "pst/ltp/btree_on_heap.h"
#include "pst/pst_error.h"

namespace tessaly::pst {

void PropertyContextBuilder::setAfterReading(std::uint16_t id, PropertyValue&& value) {
    if (values_.size() >= kMaxValues) throw PstError("a property context takes at most 65,535 values");
    // Values once read stay in order: one set later (a size counted from the
    // others) goes to its place, or replaces its id's value.
    if (values_.empty() || values_.back().first < id) {
        values_.emplace_back(id, std::move(value));
        return;
    }
    const auto it = std::lower_bound(values_.begin(), values_.end(), id,
                                     [](const Entry& entry, std::uint16_t key) { return entry.first < key; });
    if (it->first == id) {
        it->second = std::move(value);
    } else {
        values_.emplace(it, id, std::move(value));
    }
}

const std::vector<PropertyContextBuilder::Entry>& PropertyContextBuilder::values() const {
    read_ = true;
    if (sorted_) return values_;
    // The positions of the values that stay, in id order: of the values of
    // one id, the one set last. Messages of one kind set the same ids in the
    // same order, so the order found for the last such list of ids on this
    // thread is used again when the ids are the same.
    struct LastOrder {
        std::vector<std::uint16_t> ids;
        std::vector<std::uint16_t> kept;
    };
    thread_local LastOrder last;
    const std::size_t count = values_.size();
    bool same = last.ids.size() == count;
    for (std::size_t i = 0; same && i < count; ++i) same = last.ids[i] == values_[i].first;
    if (!same) {
        last.ids.resize(count);
        // Each key is the id above the position: sorting the keys sorts by
        // id, and the values of one id by their order of setting.
        std::vector<std::uint32_t> keys(count);
        for (std::size_t i = 0; i < count; ++i) {
            last.ids[i] = values_[i].first;
            keys[i] = (std::uint32_t{values_[i].first} << 16) | static_cast<std::uint32_t>(i);
        }
        std::sort(keys.begin(), keys.end());
        last.kept.clear();
        for (std::size_t i = 0; i < count; ++i) {
            if (i + 1 < count && (keys[i + 1] >> 16) == (keys[i] >> 16)) continue;
            last.kept.push_back(static_cast<std::uint16_t>(keys[i]));
        }
    }
    // The values in order go to a second vector this thread keeps, which
    // then trades places with the first: the next builder to sort on this
    // thread finds the room taken already. The room the caller asked for
    // stays: values set after reading (a size counted from the others) then
    // take no new vector.
    thread_local std::vector<Entry> ordered;
    ordered.clear();
    ordered.reserve(std::max(values_.capacity(), last.kept.size()));
    for (const std::uint16_t position : last.kept) ordered.push_back(std::move(values_[position]));
    values_.swap(ordered);
    ordered.clear();  // what is left of the values moved from
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
    const std::uint8_t emptyHeader[8] = {};
    const Hid header = heap.allocate(emptyHeader, sizeof emptyHeader);
    const auto& sorted = values();
    // Each record: the id, the type and the value or where it is.
    Bytes records(8 * sorted.size());
    std::uint8_t* record = records.data();
    for (const auto& [id, value] : sorted) {
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
        put16(record, id);
        put16(record + 2, value.type());
        put32(record + 4, reference);
        record += 8;
    }
    heap.setUserRoot(buildBTreeOnHeap(heap, 2, 6, records, header));
    content.heapBlocks = heap.finish();
    return content;
}

}  // namespace tessaly::pst
