#include "pst/ndb/node_database_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "pst/ndb/file_header.h"
#include "pst/ndb/permutation_encoding.h"
#include "pst/pst_error.h"

namespace tessaly::pst {
namespace {

// A store is written as thousands of blocks of a few kilobytes each, nearly
// all one after another: gathered a megabyte at a time, they go to the
// kernel in a few hundred writes rather than thousands, each of which costs
// its own entry and its own round through the file system.
constexpr std::size_t kWriteBufferSize = std::size_t{1} << 20;

// The density list sits in the page before the first allocation map.
constexpr std::uint64_t kDensityListOffset = 0x4200;
// A block B-tree entry counts references in 16 bits (cRef).
constexpr std::uint32_t kMaxBlockReferences = 0xFFFF;

// Puts the node entries in NID order. They come mostly in order already
// (each message takes a higher NID than the one before; the folders' nodes
// come at the end): the rising runs are merged pairwise, far fewer moves
// than sorting the whole again; many runs are sorted as usual.
void sortByNid(NodeDatabaseWriter::Entries<NodeBTreeEntry>& nodes) {
    const auto byNid = [](const NodeBTreeEntry& a, const NodeBTreeEntry& b) { return a.nid < b.nid; };
    std::vector<std::size_t> runStarts{0};
    for (std::size_t i = 1; i < nodes.size(); ++i)
        if (nodes[i].nid < nodes[i - 1].nid) runStarts.push_back(i);
    if (runStarts.size() > 64) {
        std::sort(nodes.begin(), nodes.end(), byNid);
        return;
    }
    runStarts.push_back(nodes.size());  // the end of the last run
    const auto at = [&nodes](std::size_t index) { return nodes.begin() + static_cast<std::ptrdiff_t>(index); };
    while (runStarts.size() > 2) {
        const std::size_t runs = runStarts.size() - 1;
        std::vector<std::size_t> merged{0};
        for (std::size_t k = 0; k + 2 <= runs; k += 2) {
            std::inplace_merge(at(runStarts[k]), at(runStarts[k + 1]), at(runStarts[k + 2]), byNid);
            merged.push_back(runStarts[k + 2]);
        }
        if (runs % 2 == 1) merged.push_back(runStarts.back());  // the odd run out, as it is
        runStarts = std::move(merged);
    }
}

}  // namespace

NodeDatabaseWriter::NodeDatabaseWriter(std::filesystem::path finalPath, std::uint32_t unique)
    : fileName_(finalPath.string()),
      file_(kWriteBufferSize, StagedFile::Existing::NextFreeName),
      space_(fileName_),
      unique_(unique) {
    // Counters as a new store starts them: low indexes are reserved for the
    // fixed NIDs, messages and search folders have their own ranges.
    for (auto& next : nextNidIndex_) next.store(0x400, std::memory_order_relaxed);
    nextNidIndex_[static_cast<int>(NidType::SearchFolder)] = 0x4000;
    nextNidIndex_[static_cast<int>(NidType::NormalMessage)] = 0x10000;
    nextNidIndex_[static_cast<int>(NidType::AssocMessage)] = 0x8000;
    // A store is a new file: it never takes the place of one that exists.
    std::error_code ignored;
    if (std::filesystem::symlink_status(finalPath, ignored).type() != std::filesystem::file_type::not_found)
        throw PstError(fileName_, "a file of this name already exists; it is left as it is");
    if (const int error = file_.open(finalPath)) {
        throw PstError(fileName_, "cannot create a file in " + finalPath.parent_path().string() + ": " +
                                      std::strerror(error));
    }
}

// The staged file removes its temporary file unless it was committed.
NodeDatabaseWriter::~NodeDatabaseWriter() = default;

void NodeDatabaseWriter::fail(const std::string& cause) const { throw PstError(fileName_, cause); }

Nid NodeDatabaseWriter::newNid(NidType type) {
    const Nid nid = makeNid(type, nextNidIndex_[static_cast<int>(type)].load(std::memory_order_relaxed));
    noteNid(nid);
    return nid;
}

void NodeDatabaseWriter::noteNid(Nid nid) {
    auto& next = nextNidIndex_[nid & 0x1F];
    // Written only when it grows: a NID taken before (a message's own) leaves
    // the counter to the thread that took it.
    if (next.load(std::memory_order_relaxed) < nidIndex(nid) + 1) next.store(nidIndex(nid) + 1, std::memory_order_relaxed);
}

Bid NodeDatabaseWriter::nextBid(bool internal) {
    const Bid bid = bidCounter_ | (internal ? kInternalBidFlag : 0);
    bidCounter_ += kBidStep;
    return bid;
}

void NodeDatabaseWriter::writeAt(std::uint64_t ib, const std::uint8_t* data, std::size_t size) {
    if (!writeFailure_.empty()) fail(writeFailure_);
    if (const int error = file_.writeAt(ib, std::string_view(reinterpret_cast<const char*>(data), size))) {
        writeFailure_ = "writing " + std::to_string(size) + " bytes at offset " + std::to_string(ib) + " failed: " +
                        std::strerror(error);
        fail(writeFailure_);
    }
}

Bid NodeDatabaseWriter::writeBlock(const std::uint8_t* payload, std::size_t size, bool internal) {
    if (size > kMaxBlockPayload) fail("block payload of " + std::to_string(size) + " bytes exceeds 8176");
    Bytes image;
    image.reserve(blockDiskSize(size));
    image.assign(payload, payload + size);
    return writeBlock(std::move(image), internal);
}

Bid NodeDatabaseWriter::writeBlock(Bytes&& payload, bool internal) {
    const std::size_t size = payload.size();
    if (size > kMaxBlockPayload) fail("block payload of " + std::to_string(size) + " bytes exceeds 8176");
    const Bid bid = nextBid(internal);
    const std::uint64_t ib = space_.allocate(blockDiskSize(size), FileSpace::kSlotSize);
    writeClosedRangeMaps();
    // The payload becomes the block's image where it is: zeros to the
    // trailer's end, then encoded and sealed.
    Bytes image = std::move(payload);
    image.resize(blockDiskSize(size), 0);
    sealBlockImage(image, size, bid, ib, !internal);
    writeAt(ib, image.data(), image.size());
    // A block starts with one reference of its own; each user adds one.
    blocks_.push_back({bid, ib, static_cast<std::uint16_t>(size), 1});
    return bid;
}

void NodeDatabaseWriter::writeClosedRangeMaps() {
    // A range is closed once space is handed out in the next: its maps will
    // not change, so they go to the file now, beside the blocks just written,
    // rather than all at the end. Written last, hundreds of pages scattered
    // through the file made the final sync wait for as many small writes.
    while (rangeMapsWritten_ + 1 < space_.rangeCount()) writeRangeMaps(rangeMapsWritten_++);
}

void NodeDatabaseWriter::writeRangeMaps(std::uint32_t range) {
    const auto amap = space_.amapPage(range);
    writeAt(FileSpace::rangeStart(range), amap.data(), amap.size());
    if (FileSpace::hasPMap(range)) {
        const std::uint64_t ib = FileSpace::rangeStart(range) + kPageSize;
        const auto pmap = FileSpace::pmapPage(ib);
        writeAt(ib, pmap.data(), pmap.size());
    }
}

void NodeDatabaseWriter::abandon() noexcept { file_.abandon(); }

std::size_t NodeDatabaseWriter::blockIndex(Bid bid) const {
    const std::size_t index = bid / kBidStep - 1;
    if (index >= blocks_.size() || (blocks_[index].bid & ~kInternalBidFlag) != (bid & ~kInternalBidFlag)) {
        fail("internal error: reference to unknown block " + std::to_string(bid));
    }
    return index;
}

void NodeDatabaseWriter::addReference(Bid bid) {
    if (bid == 0) return;
    auto& refs = blocks_[blockIndex(bid)].refs;
    if (refs == kMaxBlockReferences)
        fail("internal error: block " + std::to_string(bid) + " already has 65535 references, the most it can count");
    ++refs;
}

std::uint32_t NodeDatabaseWriter::referencesLeft(Bid bid) const {
    return kMaxBlockReferences - blocks_[blockIndex(bid)].refs;
}

Bid NodeDatabaseWriter::writeDataBlock(const std::uint8_t* data, std::size_t size) {
    return writeBlock(data, size, false);
}

Bid NodeDatabaseWriter::writeDataBlock(Bytes&& data) { return writeBlock(std::move(data), false); }

Bid NodeDatabaseWriter::writeDataTree(const std::vector<Bid>& blocks, const std::vector<std::uint32_t>& sizes) {
    if (blocks.empty()) return 0;
    if (blocks.size() == 1) return blocks.front();
    std::uint64_t total = 0;
    for (std::uint32_t size : sizes) total += size;
    if (total > 0xFFFFFFFFu || blocks.size() > kMaxDataTreeEntries * kMaxDataTreeEntries) {
        fail("node data of " + std::to_string(total) + " bytes exceeds what a data tree can hold");
    }
    // Level-1 trees over groups of data blocks, with the byte count of each.
    std::vector<Bid> xblocks;
    for (std::size_t first = 0; first < blocks.size(); first += kMaxDataTreeEntries) {
        const std::size_t last = std::min(blocks.size(), first + kMaxDataTreeEntries);
        std::vector<Bid> group(blocks.begin() + first, blocks.begin() + last);
        std::uint32_t groupSize = 0;
        for (std::size_t i = first; i < last; ++i) groupSize += sizes[i];
        const Bytes payload = buildDataTreePayload(1, group, groupSize);
        xblocks.push_back(writeBlock(payload.data(), payload.size(), true));
        for (Bid bid : group) addReference(bid);
    }
    if (xblocks.size() == 1) return xblocks.front();
    const Bytes payload = buildDataTreePayload(2, xblocks, static_cast<std::uint32_t>(total));
    const Bid root = writeBlock(payload.data(), payload.size(), true);
    for (Bid bid : xblocks) addReference(bid);
    return root;
}

Bid NodeDatabaseWriter::writeDataChunks(std::vector<Bytes>&& chunks) {
    std::vector<Bid> blocks;
    std::vector<std::uint32_t> sizes;
    for (Bytes& chunk : chunks) {
        sizes.push_back(static_cast<std::uint32_t>(chunk.size()));
        blocks.push_back(writeBlock(std::move(chunk), false));
    }
    return writeDataTree(blocks, sizes);
}

Bid NodeDatabaseWriter::writeDataChunks(const std::vector<Bytes>& chunks) {
    std::vector<Bid> blocks;
    std::vector<std::uint32_t> sizes;
    for (const auto& chunk : chunks) {
        blocks.push_back(writeDataBlock(chunk.data(), chunk.size()));
        sizes.push_back(static_cast<std::uint32_t>(chunk.size()));
    }
    return writeDataTree(blocks, sizes);
}

Bid NodeDatabaseWriter::writeData(const std::uint8_t* data, std::size_t size) {
    std::vector<Bid> blocks;
    std::vector<std::uint32_t> sizes;
    for (std::size_t at = 0; at < size; at += kMaxBlockPayload) {
        const std::size_t n = std::min(kMaxBlockPayload, size - at);
        blocks.push_back(writeDataBlock(data + at, n));
        sizes.push_back(static_cast<std::uint32_t>(n));
    }
    return writeDataTree(blocks, sizes);
}

Bid NodeDatabaseWriter::writeSubnodeTree(std::vector<SubnodeLeafEntry> entries) {
    if (entries.empty()) return 0;
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.nid < b.nid; });
    std::vector<SubnodeIndexEntry> leaves;
    for (std::size_t first = 0; first < entries.size(); first += kMaxSubnodeLeafEntries) {
        const std::size_t last = std::min(entries.size(), first + kMaxSubnodeLeafEntries);
        std::vector<SubnodeLeafEntry> group(entries.begin() + first, entries.begin() + last);
        const Bytes payload = buildSubnodeLeafPayload(group);
        leaves.push_back({group.front().nid, writeBlock(payload.data(), payload.size(), true)});
        for (const auto& entry : group) {
            addReference(entry.data);
            addReference(entry.subnodes);
        }
    }
    if (leaves.size() == 1) return leaves.front().leafBlock;
    if (leaves.size() > kMaxSubnodeIndexEntries) {
        fail("a node with " + std::to_string(entries.size()) + " subnodes exceeds what a subnode tree can hold");
    }
    const Bytes payload = buildSubnodeIndexPayload(leaves);
    const Bid root = writeBlock(payload.data(), payload.size(), true);
    for (const auto& leaf : leaves) addReference(leaf.leafBlock);
    return root;
}

void NodeDatabaseWriter::addNode(Nid nid, Bid data, Bid subnodes, Nid parent) {
    noteNid(nid);
    addReference(data);
    addReference(subnodes);
    nodes_.push_back({nid, data, subnodes, parent});
}

template <typename Entry, typename Key, typename Build>
BlockRef NodeDatabaseWriter::writeBTree(const Entries<Entry>& leaves, std::size_t leafCapacity, PageType type,
                                        Key key, Build buildLeaf) {
    auto placePage = [&](PageImage& page) {
        const Bid bid = nextBid(false);
        const std::uint64_t ib = space_.allocate(kPageSize, kPageSize);
        sealIndexPage(page.data(), type, bid, ib);
        writeAt(ib, page.data(), page.size());
        return BlockRef{bid, ib};
    };
    std::vector<BTreeChild> level;
    for (std::size_t first = 0; first < leaves.size(); first += leafCapacity) {
        const std::size_t count = std::min(leafCapacity, leaves.size() - first);
        PageImage page = buildLeaf(leaves.data() + first, count);
        level.push_back({key(leaves[first]), placePage(page)});
    }
    std::uint8_t depth = 0;
    while (level.size() > 1) {
        ++depth;
        std::vector<BTreeChild> upper;
        for (std::size_t first = 0; first < level.size(); first += kIntermediateCapacity) {
            const std::size_t count = std::min(kIntermediateCapacity, level.size() - first);
            PageImage page = buildIntermediatePage(level.data() + first, count, depth);
            upper.push_back({level[first].firstKey, placePage(page)});
        }
        level = std::move(upper);
    }
    return level.front().page;
}

void NodeDatabaseWriter::finish() {
    if (finished_) fail("internal error: the file is already finished");
    sortByNid(nodes_);
    for (std::size_t i = 1; i < nodes_.size(); ++i) {
        if (nodes_[i].nid == nodes_[i - 1].nid) fail("internal error: node " + std::to_string(nodes_[i].nid) + " added twice");
    }
    if (nodes_.empty()) fail("internal error: a store without nodes");
    FileHeader header;
    header.nodeBTreeRoot = writeBTree(nodes_, kNodeLeafCapacity, PageType::NodeBTree,
                                      [](const NodeBTreeEntry& e) { return std::uint64_t{e.nid}; },
                                      [](const NodeBTreeEntry* e, std::size_t n) { return buildNodeLeafPage(e, n); });
    header.blockBTreeRoot = writeBTree(blocks_, kBlockLeafCapacity, PageType::BlockBTree,
                                       [](const BlockBTreeEntry& e) { return e.bid; },
                                       [](const BlockBTreeEntry* e, std::size_t n) { return buildBlockLeafPage(e, n); });
    // An empty density list.
    PageImage densityList{};
    const Bid densityListBid = nextBid(false);
    sealIndexPage(densityList.data(), PageType::DensityList, densityListBid, kDensityListOffset);
    writeAt(kDensityListOffset, densityList.data(), densityList.size());

    // The ranges still open (the last, and any the B-trees opened), then the
    // free-space maps, which describe the ranges after them.
    while (rangeMapsWritten_ < space_.rangeCount()) writeRangeMaps(rangeMapsWritten_++);
    for (std::uint32_t range = 0; range < space_.rangeCount(); ++range) {
        if (FileSpace::hasFMap(range)) {
            const auto fmap = space_.fmapPage(range);
            writeAt(FileSpace::rangeStart(range) + 2 * kPageSize, fmap.data(), fmap.size());
        }
    }
    header.nextPageBid = bidCounter_;
    header.nextBlockBid = bidCounter_;
    header.unique = unique_;
    for (std::size_t i = 0; i < nextNidIndex_.size(); ++i) header.nextNidIndex[i] = nextNidIndex_[i].load(std::memory_order_relaxed);
    header.fileEof = space_.fileEnd();
    header.lastAMapOffset = FileSpace::rangeStart(space_.rangeCount() - 1);
    header.amapFreeBytes = space_.freeBytes();
    header.pmapFreeBytes = 0;
    const auto headerBytes = header.serialize();
    writeAt(0, headerBytes.data(), headerBytes.size());
    // The file ends where the last allocation map's range ends.
    if (file_.size() < header.fileEof) {
        const std::uint8_t zero = 0;
        writeAt(header.fileEof - 1, &zero, 1);
    }
    if (const int error = file_.commit()) {
        if (error == EEXIST)
            fail("this name and its numbered copies were all taken while the store was written; they are left as "
                 "they are");
        fail(std::string("finishing the file failed: ") + std::strerror(error));
    }
    finished_ = true;
}

}  // namespace tessaly::pst
