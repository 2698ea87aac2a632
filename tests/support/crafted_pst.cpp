#include "support/crafted_pst.h"

#include <algorithm>
#include <stdexcept>

#include "pst/verify/crc32.h"
#include "pst/verify/file_header.h"

namespace tessaly::testing {

namespace {

constexpr std::uint64_t kFirstBlockOffset = 0x4400;
constexpr std::size_t kPageSize = 512;
constexpr std::size_t kBlockDataMax = 8176;
constexpr std::uint8_t kBlockPage = 0x80;
constexpr std::uint8_t kNodePage = 0x81;

void put(ByteVector& bytes, std::size_t offset, std::uint64_t value, int size) {
    if (bytes.size() < offset + size) bytes.resize(offset + size, 0);
    for (int i = 0; i < size; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void append(ByteVector& bytes, const ByteVector& more) { bytes.insert(bytes.end(), more.begin(), more.end()); }

std::uint32_t crc(const ByteVector& bytes, std::size_t offset, std::size_t size) {
    return pst::verify::pstCrc32(pst::verify::Bytes(bytes.data() + offset, size));
}

// One B-tree level at a time: `entries` (key, entry bytes) into pages of
// `perPage` entries each, written at the end of `file`; returns the index
// entries (key, page bid, page offset) of the pages written.
struct PageRef {
    std::uint64_t key = 0;
    std::uint64_t bid = 0;
    std::uint64_t offset = 0;
};

std::vector<PageRef> writePages(ByteVector& file, std::uint64_t& nextPageBid, std::uint8_t type, std::uint8_t level,
                                std::size_t entrySize,
                                const std::vector<std::pair<std::uint64_t, ByteVector>>& entries) {
    const std::size_t perPage = 488 / entrySize;
    std::vector<PageRef> refs;
    for (std::size_t first = 0; first < entries.size() || (first == 0 && entries.empty()); first += perPage) {
        const std::size_t count = std::min(perPage, entries.size() - first);
        ByteVector page(kPageSize, 0);
        for (std::size_t index = 0; index < count; ++index)
            std::copy(entries[first + index].second.begin(), entries[first + index].second.end(),
                      page.begin() + static_cast<std::ptrdiff_t>(index * entrySize));
        page[488] = static_cast<std::uint8_t>(count);
        page[489] = static_cast<std::uint8_t>(perPage);
        page[490] = static_cast<std::uint8_t>(entrySize);
        page[491] = level;
        const std::uint64_t offset = file.size();
        const std::uint64_t bid = nextPageBid;
        nextPageBid += 4;
        page[496] = type;
        page[497] = type;
        put(page, 498, pst::verify::trailerSignature(offset, bid), 2);
        put(page, 500, crc(page, 0, 496), 4);
        put(page, 504, bid, 8);
        append(file, page);
        refs.push_back({entries.empty() ? 0 : entries[first].first, bid, offset});
        if (entries.empty()) break;
    }
    return refs;
}

// A whole B-tree over `leaves`, leaf level first; returns the root's reference.
PageRef writeBTree(ByteVector& file, std::uint64_t& nextPageBid, std::uint8_t type, std::size_t leafEntrySize,
                   const std::vector<std::pair<std::uint64_t, ByteVector>>& leaves) {
    std::vector<PageRef> level = writePages(file, nextPageBid, type, 0, leafEntrySize, leaves);
    for (std::uint8_t depth = 1; level.size() > 1; ++depth) {
        std::vector<std::pair<std::uint64_t, ByteVector>> index;
        for (const PageRef& ref : level) {
            ByteVector entry;
            append(entry, littleEndianBytes(ref.key, 8));
            append(entry, littleEndianBytes(ref.bid, 8));
            append(entry, littleEndianBytes(ref.offset, 8));
            index.emplace_back(ref.key, entry);
        }
        level = writePages(file, nextPageBid, type, depth, 24, index);
    }
    return level.front();
}

// HID of allocation `index` (1-based) of the first heap block.
std::uint32_t hid(std::uint32_t index) { return index << 5; }

// A subnode's NID: an index with the type bits of a value kept in a subnode.
std::uint32_t valueNid(unsigned index) { return ((0x400u + index) << 5) | 0x1F; }

constexpr std::uint64_t kMessageNid = 0x200024;
constexpr std::uint32_t kFolderNid = 0x8022;
constexpr std::uint16_t kBinaryType = 0x0102;

}  // namespace

ByteVector littleEndianBytes(std::uint64_t value, int size) {
    ByteVector bytes;
    put(bytes, 0, value, size);
    return bytes;
}

void CraftedPst::addBlock(std::uint64_t bid, const ByteVector& data) {
    if (data.size() > kBlockDataMax) throw std::logic_error("a block holds at most 8,176 bytes");
    blocks_[bid] = data;
}

void CraftedPst::addNode(std::uint64_t nid, std::uint64_t dataBid, std::uint64_t subnodeBid, std::uint32_t parent) {
    nodes_[nid] = Node{dataBid, subnodeBid, parent};
}

ByteVector CraftedPst::bytes() const {
    ByteVector file(kFirstBlockOffset, 0);
    std::vector<std::pair<std::uint64_t, ByteVector>> blockEntries;
    std::uint64_t lastBid = 0;
    for (const auto& [bid, data] : blocks_) {
        const std::uint64_t offset = file.size();
        append(file, data);
        const std::size_t footprint = (data.size() + 16 + 63) / 64 * 64;
        file.resize(offset + footprint, 0);
        const std::size_t trailer = offset + footprint - 16;
        put(file, trailer, data.size(), 2);
        put(file, trailer + 2, pst::verify::trailerSignature(offset, bid), 2);
        put(file, trailer + 4, crc(file, offset, data.size()), 4);
        put(file, trailer + 8, bid, 8);
        const auto refCount = refCounts_.find(bid);
        ByteVector entry;
        append(entry, littleEndianBytes(bid, 8));
        append(entry, littleEndianBytes(offset, 8));
        append(entry, littleEndianBytes(data.size(), 2));
        append(entry, littleEndianBytes(refCount == refCounts_.end() ? 2 : refCount->second, 2));
        append(entry, littleEndianBytes(0, 4));
        blockEntries.emplace_back(bid, entry);
        lastBid = bid;
    }
    std::vector<std::pair<std::uint64_t, ByteVector>> nodeEntries;
    for (const auto& [nid, node] : nodes_) {
        ByteVector entry;
        append(entry, littleEndianBytes(nid, 8));
        append(entry, littleEndianBytes(node.dataBid, 8));
        append(entry, littleEndianBytes(node.subnodeBid, 8));
        append(entry, littleEndianBytes(node.parent, 4));
        append(entry, littleEndianBytes(0, 4));
        nodeEntries.emplace_back(nid, entry);
    }
    file.resize((file.size() + kPageSize - 1) / kPageSize * kPageSize, 0);
    std::uint64_t nextPageBid = 0x1000;
    const PageRef nodeRoot = writeBTree(file, nextPageBid, kNodePage, 32, nodeEntries);
    const PageRef blockRoot = writeBTree(file, nextPageBid, kBlockPage, 24, blockEntries);

    put(file, 0, 0x4E444221, 4);  // "!BDN"
    put(file, 8, 0x4D53, 2);      // "SM"
    put(file, 10, 23, 2);         // Unicode
    put(file, 12, 19, 2);
    file[14] = 0x01;
    file[15] = 0x01;
    put(file, 32, nextPageBid, 8);
    for (int type = 0; type < 32; ++type) put(file, 44 + 4 * type, 0x20000, 4);
    put(file, 184, file.size(), 8);              // ibFileEof
    put(file, 192, kFirstBlockOffset, 8);        // ibAMapLast
    put(file, 216, nodeRoot.bid, 8);
    put(file, 224, nodeRoot.offset, 8);
    put(file, 232, blockRoot.bid, 8);
    put(file, 240, blockRoot.offset, 8);
    file[512] = 0x80;  // bSentinel
    file[513] = 0;     // no encoding
    put(file, 516, (lastBid | 3) + 1, 8);
    put(file, 4, crc(file, 8, 471), 4);
    put(file, 524, crc(file, 8, 516), 4);
    return file;
}

ByteVector dataTreeBlock(std::uint8_t level, const std::vector<std::uint64_t>& children, std::uint32_t total) {
    ByteVector block{0x01, level};
    append(block, littleEndianBytes(children.size(), 2));
    append(block, littleEndianBytes(total, 4));
    for (std::uint64_t child : children) append(block, littleEndianBytes(child, 8));
    return block;
}

ByteVector subnodeLeafBlock(const std::vector<std::vector<std::uint64_t>>& entries) {
    ByteVector block{0x02, 0x00};
    append(block, littleEndianBytes(entries.size(), 2));
    append(block, littleEndianBytes(0, 4));
    for (const auto& entry : entries)
        for (std::uint64_t field : entry) append(block, littleEndianBytes(field, 8));
    return block;
}

ByteVector propertyContextBlock(const std::vector<std::vector<std::uint32_t>>& properties,
                                const std::vector<ByteVector>& extra) {
    // HNHDR: the page map's offset (filled in below), bSig, bClientSig, the root HID.
    ByteVector block{0, 0, 0xEC, 0xBC};
    append(block, littleEndianBytes(hid(1), 4));
    append(block, littleEndianBytes(0, 4));
    std::vector<ByteVector> allocations;
    ByteVector bthHeader{0xB5, 2, 6, 0};
    append(bthHeader, littleEndianBytes(properties.empty() ? 0 : hid(2), 4));
    allocations.push_back(bthHeader);
    if (!properties.empty()) {
        ByteVector leaf;
        for (const auto& property : properties) {
            append(leaf, littleEndianBytes(property.at(0), 2));
            append(leaf, littleEndianBytes(property.at(1), 2));
            append(leaf, littleEndianBytes(property.at(2), 4));
        }
        allocations.push_back(leaf);
    }
    allocations.insert(allocations.end(), extra.begin(), extra.end());
    std::vector<std::uint16_t> starts{static_cast<std::uint16_t>(block.size())};
    for (const ByteVector& allocation : allocations) {
        append(block, allocation);
        starts.push_back(static_cast<std::uint16_t>(block.size()));
    }
    if (block.size() % 2) block.push_back(0);
    put(block, 0, block.size(), 2);
    append(block, littleEndianBytes(allocations.size(), 2));
    append(block, littleEndianBytes(0, 2));
    for (std::uint16_t start : starts) append(block, littleEndianBytes(start, 2));
    return block;
}

ByteVector pstWithRepeatedDataBlocks(unsigned repeats) {
    constexpr std::uint64_t kFirstHeapBlock = 0x10, kHeapPage = 0x14;
    constexpr std::uint64_t kFirstXBlock = 0x1E, kXBlock = 0x22, kXXBlock = 0x26;
    CraftedPst pst;
    ByteVector first = propertyContextBlock({});
    first.resize(kBlockDataMax, 0);
    pst.addBlock(kFirstHeapBlock, first);
    // A later heap block whose page map fills it: thousands of empty
    // allocations (counted as freed), each kept as an offset when read.
    const std::size_t allocations = (kBlockDataMax - 2 - 4 - 2) / 2;
    ByteVector page = littleEndianBytes(2, 2);
    append(page, littleEndianBytes(allocations, 2));
    append(page, littleEndianBytes(allocations, 2));
    for (std::size_t index = 0; index <= allocations; ++index) append(page, littleEndianBytes(2, 2));
    pst.addBlock(kHeapPage, page);

    std::vector<std::uint64_t> firstLeaves(repeats, kHeapPage);
    firstLeaves.front() = kFirstHeapBlock;
    const std::uint32_t leafTotal = static_cast<std::uint32_t>(repeats * kBlockDataMax);
    pst.addBlock(kFirstXBlock, dataTreeBlock(1, firstLeaves, leafTotal));
    pst.addBlock(kXBlock, dataTreeBlock(1, std::vector<std::uint64_t>(repeats, kHeapPage), leafTotal));
    std::vector<std::uint64_t> middle(repeats, kXBlock);
    middle.front() = kFirstXBlock;
    pst.addBlock(kXXBlock, dataTreeBlock(2, middle, static_cast<std::uint32_t>(std::uint64_t{repeats} * leafTotal)));
    pst.addNode(kMessageNid, kXXBlock, 0, kFolderNid);
    return pst.bytes();
}

ByteVector pstWithOversizedValueTrees(unsigned values) {
    constexpr std::uint64_t kLeaf = 0x10, kContext = 0x14, kXBlock = 0x1E, kXXBlock = 0x22, kSubnodes = 0x26;
    constexpr unsigned kLeavesPerXBlock = 1021;
    constexpr unsigned kXBlocks = 8;  // 8 × 1,021 × 8,176 bytes: just under 64 MiB
    CraftedPst pst;
    pst.addBlock(kLeaf, ByteVector(kBlockDataMax, 0x5A));
    pst.addBlock(kXBlock, dataTreeBlock(1, std::vector<std::uint64_t>(kLeavesPerXBlock, kLeaf),
                                        kLeavesPerXBlock * kBlockDataMax));
    pst.addBlock(kXXBlock, dataTreeBlock(2, std::vector<std::uint64_t>(kXBlocks, kXBlock), 1024 * 1024));
    std::vector<std::vector<std::uint64_t>> subnodes;
    std::vector<std::vector<std::uint32_t>> properties;
    for (unsigned index = 0; index < values; ++index) {
        subnodes.push_back({valueNid(index), kXXBlock, 0});
        properties.push_back({0x6700 + index, kBinaryType, valueNid(index)});
    }
    pst.addBlock(kSubnodes, subnodeLeafBlock(subnodes));
    pst.addBlock(kContext, propertyContextBlock(properties));
    pst.addNode(kMessageNid, kContext, kSubnodes, kFolderNid);
    return pst.bytes();
}

ByteVector pstWithValuesSharingOneSubnode(unsigned values, unsigned valueBytes) {
    constexpr std::uint64_t kContext = 0x10, kXBlock = 0x1E, kSubnodes = 0x22, kFirstLeaf = 0x100;
    CraftedPst pst;
    std::vector<std::uint64_t> leaves;
    for (unsigned done = 0; done < valueBytes; done += kBlockDataMax) {
        const std::uint64_t bid = kFirstLeaf + 4 * leaves.size();
        pst.addBlock(bid, ByteVector(std::min<std::size_t>(kBlockDataMax, valueBytes - done),
                                     static_cast<std::uint8_t>(leaves.size())));
        leaves.push_back(bid);
    }
    pst.addBlock(kXBlock, dataTreeBlock(1, leaves, valueBytes));
    pst.addBlock(kSubnodes, subnodeLeafBlock({{valueNid(0), kXBlock, 0}}));
    std::vector<std::vector<std::uint32_t>> properties;
    for (unsigned index = 0; index < values; ++index) properties.push_back({0x6700 + index, kBinaryType, valueNid(0)});
    pst.addBlock(kContext, propertyContextBlock(properties));
    pst.addNode(kMessageNid, kContext, kSubnodes, kFolderNid);
    return pst.bytes();
}

}  // namespace tessaly::testing
