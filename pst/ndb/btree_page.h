#pragma once
// B-tree pages of the node and block B-trees (MS-PST 2.2.2.7.7): 488 bytes
// of entries, then cEnt, cEntMax, cbEnt and cLevel, padding, and the trailer.
// Leaf pages hold NBTENTRY (32 bytes) or BBTENTRY (24 bytes) records;
// intermediate pages hold BTENTRY (24 bytes): the first key below a child and
// the child page's reference.

#include <array>
#include <cstddef>
#include <cstdint>

#include "pst/ndb/file_header.h"
#include "pst/ndb/ids.h"
#include "pst/ndb/page.h"

namespace tessaly::pst {

struct NodeBTreeEntry {
    Nid nid = 0;
    Bid data = 0;
    Bid subnodes = 0;
    Nid parent = 0;
};

struct BlockBTreeEntry {
    Bid bid = 0;
    std::uint64_t ib = 0;
    std::uint16_t size = 0;  // payload bytes, trailer and padding excluded
    std::uint16_t refs = 0;
};

struct BTreeChild {
    std::uint64_t firstKey = 0;
    BlockRef page;
};

constexpr std::size_t kBTreeEntryBytes = 488;
constexpr std::size_t kNodeLeafEntrySize = 32;
constexpr std::size_t kBlockLeafEntrySize = 24;
constexpr std::size_t kIntermediateEntrySize = 24;
constexpr std::size_t kNodeLeafCapacity = kBTreeEntryBytes / kNodeLeafEntrySize;            // 15
constexpr std::size_t kBlockLeafCapacity = kBTreeEntryBytes / kBlockLeafEntrySize;          // 20
constexpr std::size_t kIntermediateCapacity = kBTreeEntryBytes / kIntermediateEntrySize;    // 20

// Page contents without the trailer; the caller seals the page once its
// offset and BID are known.
PageImage buildNodeLeafPage(const NodeBTreeEntry* entries, std::size_t count);
PageImage buildBlockLeafPage(const BlockBTreeEntry* entries, std::size_t count);
PageImage buildIntermediatePage(const BTreeChild* children, std::size_t count, std::uint8_t level);

}  // namespace tessaly::pst
