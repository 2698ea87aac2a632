#include "pst/ltp/property_context.h"

#include <algorithm>
#include <atomic>

#include "pst/ltp/btree_on_heap.h"
#include "pst/pst_error.h"

namespace tessaly::pst {

namespace {

// Where `id` is or would go among `order`'s positions of `values`.
std::size_t placeOf(const std::vector<PropertyContextBuilder::Entry>& values, const std::vector<std::uint16_t>& order,
                    std::uint16_t id) {
    const auto it = std::lower_bound(order.begin(), order.end(), id,
                                     [&](std::uint16_t position, std::uint16_t key) { return values[position].first < key; });
    return static_cast<std::size_t>(it - order.begin());
}

}  // namespace

void PropertyContextBuilder::setAfterReading(std::uint16_t id, PropertyValue&& value) {
    if (values_.size() >= kMaxValues) throw PstError("a property context takes at most 65,535 values");
    // Values once read stay in order: one set later (a size counted from the
    // others) takes its place in the order, or replaces its id's value.
    values();
    const std::size_t place = placeOf(values_, order_, id);
    if (place < order_.size() && values_[order_[place]].first == id) {
        values_[order_[place]].second = std::move(value);
        return;
    }
    values_.emplace_back(id, std::move(value));
    layout_ = 0;  // an order of its own now
    order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(place), static_cast<std::uint16_t>(values_.size() - 1));
}

PropertyContextBuilder::Ordered PropertyContextBuilder::values() const {
    if (read_) return {values_, order_};
    read_ = true;
    const std::size_t count = values_.size();
    if (sorted_) {
        order_.resize(count);
        for (std::size_t i = 0; i < count; ++i) order_[i] = static_cast<std::uint16_t>(i);
        return {values_, order_};
    }
    // The positions of the values that stay, in id order: of the values of
    // one id, the one set last. Messages of one kind set the same ids in the
    // same order, so the order found for the last such list of ids on this
    // thread is used again when the ids are the same.
    struct LastOrder {
        std::vector<std::uint16_t> ids;
        std::vector<std::uint16_t> kept;
        std::uint64_t layout = 0;
    };
    // Layout numbers are unique to the process: a builder read on one thread
    // never shares one with a builder read on another.
    static std::atomic<std::uint64_t> layouts{0};
    thread_local LastOrder last;
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
        last.layout = ++layouts;
    }
    layout_ = last.layout;
    order_.assign(last.kept.begin(), last.kept.end());
    return {values_, order_};
}

const PropertyValue* PropertyContextBuilder::find(std::uint16_t id) const {
    values();
    const std::size_t place = placeOf(values_, order_, id);
    return place == order_.size() || values_[order_[place]].first != id ? nullptr : &values_[order_[place]].second;
}

NodeContent PropertyContextBuilder::build(NodeDatabaseWriter& writer) const {
    NodeContent content;
    HeapBuilder heap(HeapClient::PropertyContext);
    // The BTHHEADER takes the first allocation (HID 0x20), where Outlook
    // puts it and where some readers expect it.
    const std::uint8_t emptyHeader[8] = {};
    const Hid header = heap.allocate(emptyHeader, sizeof emptyHeader);
    const Ordered sorted = values();
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
