#include "pst/verify/node_trees.h"

#include <set>

#include "pst/verify/block_trailers.h"
#include "pst/verify/cyclic_decoding.h"
#include "pst/verify/permutation_decoding.h"

namespace tessaly::pst::verify {

namespace {

constexpr std::uint8_t kDataTreeType = 0x01;     // XBLOCK (level 1), XXBLOCK (level 2)
constexpr std::uint8_t kSubnodeTreeType = 0x02;  // SLBLOCK (level 0), SIBLOCK (level 1)
constexpr int kMaxSubnodeNesting = 8;
// Heaps and name maps are read whole; nothing Outlook keeps in one is anywhere
// near this, while attachment data (only ever sized) and a large table's row
// matrix (read a block at a time) may be larger.
constexpr std::uint64_t kMaxReadSize = 64ull * 1024 * 1024;

Location blockLocation(const VerifyContext& context, std::uint64_t bid, std::uint64_t nid) {
    Location location;
    location.layer = "ndb";
    location.blockId = bid;
    location.nodeId = nid;
    if (const BlockEntry* block = context.findBlock(bid)) location.offset = block->ib;
    return location;
}

class ReferenceWalk {
public:
    explicit ReferenceWalk(VerifyContext& context) : context_(context) {}

    void walkNode(const NodeEntry& node) {
        if (node.dataBid != 0) {
            refer(node.dataBid);
            checkWholeDataTree(node.dataBid, node.nid);
        }
        if (node.subnodeBid != 0) {
            refer(node.subnodeBid);
            checkSubnodeTree(node.subnodeBid, node.nid, std::nullopt, 0);
        }
    }

private:
    // Counts a reference to a block the block B-tree lists; a missing one is
    // reported where it is followed, and a count of it would only grow with
    // what the file names rather than with what it holds.
    void refer(std::uint64_t bid) {
        if (context_.findBlock(bid) != nullptr) ++context_.references[blockKey(bid)];
    }

    // The block's stored bytes; reports a reference to a block that is missing.
    std::optional<Bytes> internalBlock(std::uint64_t bid, std::uint64_t nid, const char* what) {
        const BlockEntry* block = context_.findBlock(bid);
        if (block == nullptr) {
            context_.violation("node.missing-block", blockLocation(context_, bid, nid),
                               std::string(what) + " names block " + hexText(bid) + ", which the block B-tree lacks");
            return std::nullopt;
        }
        if (!block->readable) return std::nullopt;
        return storedBlockData(context_, *block);
    }

    // Checks one node's or subnode's data tree from its top block.
    void checkWholeDataTree(std::uint64_t bid, std::uint64_t nid) {
        treeBlocks_.clear();
        treeBlocks_.insert(blockKey(bid));
        checkDataTree(bid, nid, std::nullopt);
    }

    // Checks the data tree under `bid`; returns the data size it holds.
    std::optional<std::uint64_t> checkDataTree(std::uint64_t bid, std::uint64_t nid, std::optional<int> level) {
        if (!context_.spend()) return std::nullopt;
        if (!isInternalBid(bid)) {
            if (level) {
                context_.violation("datatree.type", blockLocation(context_, bid, nid),
                                   "an XXBLOCK entry names a data block instead of an XBLOCK");
                return std::nullopt;
            }
            const BlockEntry* block = context_.findBlock(bid);
            if (block == nullptr) {
                context_.violation("node.missing-block", blockLocation(context_, bid, nid),
                                   "data block " + hexText(bid) + " is missing from the block B-tree");
                return std::nullopt;
            }
            return block->size;
        }
        const auto data = internalBlock(bid, nid, "a data tree");
        if (!data) return std::nullopt;
        const Location where = blockLocation(context_, bid, nid);
        const std::uint8_t type = readU8(*data, 0);
        const int blockLevel = readU8(*data, 1);
        const std::uint16_t count = readU16(*data, 2);
        const std::uint32_t total = readU32(*data, 4);
        if (type != kDataTreeType || blockLevel < 1 || blockLevel > 2 || (level && blockLevel != *level)) {
            context_.violation("datatree.type", where,
                               "btype/cLevel are " + hexText(type) + "/" + std::to_string(blockLevel) +
                                   ", not an XBLOCK (0x1/1) or XXBLOCK (0x1/2) where one is expected");
            return std::nullopt;
        }
        if (data->size() != 8 + 8ull * count || count == 0) {
            context_.violation("datatree.count", where,
                               "cEnt " + std::to_string(count) + " does not fill the block's " +
                                   std::to_string(data->size()) + " bytes");
            return std::nullopt;
        }
        if (!context_.expandedInternalBlocks.insert(blockKey(bid)).second) return total;
        std::uint64_t sum = 0;
        bool complete = true;
        bool repeatReported = false;
        for (std::uint16_t index = 0; index < count; ++index) {
            const std::uint64_t child = readU64(*data, 8 + 8ull * index);
            refer(child);
            // Data is one stream cut into blocks: a block listed twice would
            // have the readers read it again for each time it is listed, so a
            // small file could ask for gigabytes. Its size is left out.
            if (!treeBlocks_.insert(blockKey(child)).second) {
                if (!repeatReported)
                    context_.violation("datatree.repeated-block", where,
                                       "entry " + std::to_string(index) + " names block " + hexText(child) +
                                           ", which the data tree already lists");
                repeatReported = true;
                complete = false;
                continue;
            }
            const auto size = blockLevel == 2 ? checkDataTree(child, nid, 1) : checkLeafOfXBlock(child, nid);
            if (size)
                sum += *size;
            else
                complete = false;
        }
        if (complete && sum != total)
            context_.violation("datatree.total", where,
                               "lcbTotal is " + std::to_string(total) + ", the entries hold " + std::to_string(sum) +
                                   " bytes");
        return total;
    }

    std::optional<std::uint64_t> checkLeafOfXBlock(std::uint64_t bid, std::uint64_t nid) {
        if (isInternalBid(bid)) {
            context_.violation("datatree.type", blockLocation(context_, bid, nid),
                               "an XBLOCK entry names an internal block instead of a data block");
            return std::nullopt;
        }
        return checkDataTree(bid, nid, std::nullopt);
    }

    void checkSubnodeTree(std::uint64_t bid, std::uint64_t nid, std::optional<int> level, int nesting) {
        if (!context_.spend()) return;
        const Location where = blockLocation(context_, bid, nid);
        if (!isInternalBid(bid)) {
            context_.violation("subnode.type", where, "a subnode tree names a data block");
            return;
        }
        const auto data = internalBlock(bid, nid, "a subnode tree");
        if (!data) return;
        const std::uint8_t type = readU8(*data, 0);
        const int blockLevel = readU8(*data, 1);
        const std::uint16_t count = readU16(*data, 2);
        if (type != kSubnodeTreeType || blockLevel > 1 || (level && blockLevel != *level)) {
            context_.violation("subnode.type", where,
                               "btype/cLevel are " + hexText(type) + "/" + std::to_string(blockLevel) +
                                   ", not an SLBLOCK (0x2/0) or SIBLOCK (0x2/1) where one is expected");
            return;
        }
        const std::uint64_t entrySize = blockLevel == 0 ? 24 : 16;
        if (data->size() != 8 + entrySize * count || count == 0) {
            context_.violation("subnode.count", where,
                               "cEnt " + std::to_string(count) + " does not fill the block's " +
                                   std::to_string(data->size()) + " bytes");
            return;
        }
        if (!context_.expandedInternalBlocks.insert(blockKey(bid)).second) return;
        std::optional<std::uint32_t> previous;
        for (std::uint16_t index = 0; index < count; ++index) {
            const std::uint64_t entry = 8 + entrySize * index;
            const std::uint32_t subnode = readU32(*data, entry);
            if (previous && subnode <= *previous)
                context_.violation("subnode.order", where,
                                   "subnode " + hexText(subnode) + " does not follow " + hexText(*previous) +
                                       " in ascending order");
            previous = subnode;
            if (blockLevel == 1) {
                const std::uint64_t child = readU64(*data, entry + 8);
                refer(child);
                checkSubnodeTree(child, nid, 0, nesting);
                continue;
            }
            const std::uint64_t subData = readU64(*data, entry + 8);
            const std::uint64_t subSub = readU64(*data, entry + 16);
            if (subData == 0) {
                context_.violation("subnode.missing-data", where, "subnode " + hexText(subnode) + " has no data block");
            } else {
                refer(subData);
                checkWholeDataTree(subData, nid);
            }
            if (subSub != 0) {
                refer(subSub);
                if (nesting >= kMaxSubnodeNesting)
                    context_.violation("subnode.nesting", where, "subnode trees nest deeper than any real file");
                else
                    checkSubnodeTree(subSub, nid, std::nullopt, nesting + 1);
            }
        }
    }

    VerifyContext& context_;
    std::set<std::uint64_t> treeBlocks_;  // the blocks of the data tree being checked
};

void compareReferenceCounts(VerifyContext& context) {
    for (const auto& [key, block] : context.blocks) {
        const auto found = context.references.find(key);
        const std::uint64_t references = found == context.references.end() ? 0 : found->second;
        const Location where = atBlock("ndb", block.bid, block.ib);
        if (references == 0 && block.refCount == 1) {
            context.warning("bbt.orphan", where, "no node or tree refers to this block (cRef 1)");
            continue;
        }
        if (block.refCount != references + 1)
            context.violation("bbt.refcount", where,
                              "cRef is " + std::to_string(block.refCount) + ", the file holds " +
                                  std::to_string(references) + " reference(s), so it must be " +
                                  std::to_string(references + 1));
    }
}

// Appends the stored bytes of a readable block to `out`, decoded when it is
// a data block of a file with the permutation or the cyclic encoding.
void appendBlockContent(const VerifyContext& context, const BlockEntry& block, std::vector<std::uint8_t>& out) {
    const Bytes stored = storedBlockData(context, block);
    const std::size_t start = out.size();
    out.insert(out.end(), stored.begin(), stored.end());
    if (isInternalBid(block.bid)) return;
    // Decoded where it was appended.
    const std::span<std::uint8_t> added(out.data() + start, stored.size());
    if (context.header.cryptMethod == 1) permutationDecode(added);
    if (context.header.cryptMethod == 2) cyclicDecode(added, static_cast<std::uint32_t>(block.bid));
}

// The decoded bytes of a readable block, drawn from the read allowance.
std::optional<std::vector<std::uint8_t>> blockContent(VerifyContext& context, std::uint64_t bid) {
    const BlockEntry* block = context.findBlock(bid);
    if (block == nullptr || !block->readable || !context.takeRead(block->size)) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    appendBlockContent(context, *block, bytes);
    return bytes;
}

// The data blocks under a data tree, in order, checked against the block
// B-tree (readable, of the expected kind) without reading their contents. A
// tree that lists a block twice, or whose lcbTotal is not what its blocks
// hold, is not read: the walk above reports it.
bool collectDataBlockIds(VerifyContext& context, std::uint64_t bid, int level, std::vector<std::uint64_t>& ids,
                         std::uint64_t& total, std::uint64_t limit, std::set<std::uint64_t>& seen) {
    if (!context.spend()) return false;
    if (!seen.insert(blockKey(bid)).second) return false;
    const BlockEntry* block = context.findBlock(bid);
    if (block == nullptr || !block->readable) return false;
    if (!isInternalBid(bid)) {
        if (level > 0 && level != 3) return false;
        total += block->size;
        if (total > limit) return false;
        ids.push_back(bid);
        return true;
    }
    const Bytes content = storedBlockData(context, *block);
    const int blockLevel = readU8(content, 1);
    const std::uint16_t count = readU16(content, 2);
    if (readU8(content, 0) != kDataTreeType || blockLevel < 1 || blockLevel > 2) return false;
    if (level != 0 && blockLevel != level) return false;
    if (content.size() < 8 + 8ull * count) return false;
    const std::uint64_t before = total;
    for (std::uint16_t index = 0; index < count; ++index) {
        const std::uint64_t child = readU64(content, 8 + 8ull * index);
        if (!collectDataBlockIds(context, child, blockLevel == 2 ? 1 : 3, ids, total, limit, seen)) return false;
    }
    return total - before == readU32(content, 4);
}

}  // namespace

void checkNodeTreesAndReferences(VerifyContext& context) {
    ReferenceWalk walk(context);
    for (const auto& [nid, node] : context.nodes) {
        if (!context.spend()) break;
        walk.walkNode(node);
    }
    compareReferenceCounts(context);
}

std::optional<std::vector<std::uint64_t>> dataBlockIds(VerifyContext& context, std::uint64_t bid,
                                                       std::uint64_t limit) {
    std::vector<std::uint64_t> ids;
    if (bid == 0) return ids;
    std::uint64_t total = 0;
    std::set<std::uint64_t> seen;
    if (!collectDataBlockIds(context, bid, 0, ids, total, limit, seen)) return std::nullopt;
    return ids;
}

std::vector<std::uint8_t> readDataBlock(VerifyContext& context, std::uint64_t bid) {
    return blockContent(context, bid).value_or(std::vector<std::uint8_t>{});
}

std::optional<std::vector<std::uint8_t>> readData(VerifyContext& context, std::uint64_t bid) {
    const auto ids = dataBlockIds(context, bid, kMaxReadSize);
    if (!ids) return std::nullopt;
    std::uint64_t size = 0;
    for (std::uint64_t id : *ids) size += context.findBlock(id)->size;
    if (!context.takeKept(size)) return std::nullopt;
    std::vector<std::uint8_t> data;
    data.reserve(size);
    for (std::uint64_t id : *ids) appendBlockContent(context, *context.findBlock(id), data);
    return data;
}

std::optional<std::uint64_t> dataSize(VerifyContext& context, std::uint64_t bid) {
    if (bid == 0) return 0;
    const BlockEntry* block = context.findBlock(bid);
    if (block == nullptr || !block->readable) return std::nullopt;
    if (!isInternalBid(bid)) return block->size;
    const Bytes stored = storedBlockData(context, *block);
    if (readU8(stored, 0) != kDataTreeType) return std::nullopt;
    return readU32(stored, 4);
}

std::optional<SubnodeMap> readSubnodes(VerifyContext& context, std::uint64_t bid) {
    SubnodeMap subnodes;
    if (bid == 0) return subnodes;
    std::vector<std::uint64_t> pending{bid};
    int levelsLeft = 2;
    while (!pending.empty() && levelsLeft-- > 0) {
        std::vector<std::uint64_t> next;
        for (std::uint64_t current : pending) {
            if (!context.spend()) return std::nullopt;
            auto content = blockContent(context, current);
            if (!content || readU8(*content, 0) != kSubnodeTreeType) return std::nullopt;
            const int level = readU8(*content, 1);
            const std::uint16_t count = readU16(*content, 2);
            const std::uint64_t entrySize = level == 0 ? 24 : 16;
            if (level > 1 || content->size() < 8 + entrySize * count) return std::nullopt;
            for (std::uint16_t index = 0; index < count; ++index) {
                const std::uint64_t entry = 8 + entrySize * index;
                if (level == 1) {
                    next.push_back(readU64(*content, entry + 8));
                    continue;
                }
                subnodes[readU32(*content, entry)] = {readU64(*content, entry + 8), readU64(*content, entry + 16)};
            }
        }
        pending = std::move(next);
    }
    return subnodes;
}

}  // namespace tessaly::pst::verify
