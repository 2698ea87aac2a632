#include "pst/ndb/btree_page.h"

#include "pst/ndb/little_endian.h"

namespace tessaly::pst {
namespace {

void writeCounts(PageImage& page, std::size_t count, std::size_t capacity, std::size_t entrySize,
                 std::uint8_t level) {
    page[kBTreeEntryBytes] = static_cast<std::uint8_t>(count);
    page[kBTreeEntryBytes + 1] = static_cast<std::uint8_t>(capacity);
    page[kBTreeEntryBytes + 2] = static_cast<std::uint8_t>(entrySize);
    page[kBTreeEntryBytes + 3] = level;
}

}  // namespace

PageImage buildNodeLeafPage(const NodeBTreeEntry* entries, std::size_t count) {
    PageImage page{};
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t* at = page.data() + i * kNodeLeafEntrySize;
        put64(at, entries[i].nid);
        put64(at + 8, entries[i].data);
        put64(at + 16, entries[i].subnodes);
        put32(at + 24, entries[i].parent);
    }
    writeCounts(page, count, kNodeLeafCapacity, kNodeLeafEntrySize, 0);
    return page;
}

PageImage buildBlockLeafPage(const BlockBTreeEntry* entries, std::size_t count) {
    PageImage page{};
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t* at = page.data() + i * kBlockLeafEntrySize;
        put64(at, entries[i].bid);
        put64(at + 8, entries[i].ib);
        put16(at + 16, entries[i].size);
        put16(at + 18, entries[i].refs);
    }
    writeCounts(page, count, kBlockLeafCapacity, kBlockLeafEntrySize, 0);
    return page;
}

PageImage buildIntermediatePage(const BTreeChild* children, std::size_t count, std::uint8_t level) {
    PageImage page{};
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t* at = page.data() + i * kIntermediateEntrySize;
        put64(at, children[i].firstKey);
        put64(at + 8, children[i].page.bid);
        put64(at + 16, children[i].page.ib);
    }
    writeCounts(page, count, kIntermediateCapacity, kIntermediateEntrySize, level);
    return page;
}

}  // namespace tessaly::pst
