#include "pst/ltp/property_context.h"

#include "pst/ltp/btree_on_heap.h"

namespace tessaly::pst {

void PropertyContextBuilder::set(std::uint16_t id, PropertyValue value) { values_[id] = std::move(value); }

const PropertyValue* PropertyContextBuilder::find(std::uint16_t id) const {
    const auto it = values_.find(id);
    return it == values_.end() ? nullptr : &it->second;
}

NodeContent PropertyContextBuilder::build(NodeDatabaseWriter& writer) const {
    NodeContent content;
    HeapBuilder heap(HeapClient::PropertyContext);
    Bytes records;
    for (const auto& [id, value] : values_) {
        std::uint32_t reference = 0;
        const std::size_t size = fixedSize(value.type);
        if (size != 0 && size <= 4) {
            Bytes inline4(4, 0);
            std::copy(value.bytes.begin(), value.bytes.end(), inline4.begin());
            reference = get32(inline4.data());
        } else if (value.bytes.size() <= kMaxHeapAllocation) {
            reference = heap.allocate(value.bytes);
        } else {
            Subnode subnode;
            subnode.nid = writer.newNid(NidType::Ltp);
            subnode.data = value.bytes;
            reference = subnode.nid;
            content.subnodes.push_back(std::move(subnode));
        }
        append16(records, id);
        append16(records, value.type);
        append32(records, reference);
    }
    heap.setUserRoot(buildBTreeOnHeap(heap, 2, 6, records));
    content.heapBlocks = heap.finish();
    return content;
}

}  // namespace tessaly::pst
