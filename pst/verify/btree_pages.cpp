#include "pst/verify/btree_pages.h"

#include <optional>

#include "pst/verify/crc32.h"
#include "pst/verify/file_header.h"

namespace tessaly::pst::verify {

namespace {

constexpr std::uint8_t kBlockBTreePage = 0x80;
constexpr std::uint8_t kNodeBTreePage = 0x81;
constexpr int kMaxLevels = 8;
// What a std::map node adds to the entry it holds: the tree's links and the key.
constexpr std::uint64_t kMapNodeOverhead = 40;

const char* pageName(std::uint8_t type) {
    switch (type) {
    case 0x80: return "BBT page";
    case 0x81: return "NBT page";
    case 0x82: return "FMap page";
    case 0x83: return "PMap page";
    case 0x84: return "AMap page";
    case 0x85: return "FPMap page";
    case 0x86: return "DList page";
    default: return "page";
    }
}

class BTreeWalk {
public:
    BTreeWalk(VerifyContext& context, std::uint8_t pageType) : context_(context), pageType_(pageType) {}

    void walk(BlockRef root) { visit(root, std::nullopt, 0, std::nullopt, 0); }

private:
    bool isNodeTree() const { return pageType_ == kNodeBTreePage; }

    std::uint64_t keyAt(Bytes page, std::uint64_t offset) const {
        const std::uint64_t key = readU64(page, offset);
        return isNodeTree() ? (key & 0xFFFFFFFFu) : key;
    }

    void visit(BlockRef ref, std::optional<int> expectedLevel, std::uint64_t low,
               std::optional<std::uint64_t> high, int depth) {
        if (!context_.spend()) return;
        const Location where = atBlock("ndb", ref.bid, ref.ib);
        if (ref.ib % kPageSize != 0 || ref.ib < kFirstAMapOffset) {
            context_.violation("page.bounds", where,
                               std::string(pageName(pageType_)) + " reference is not page-aligned after 0x4400");
            return;
        }
        if (context_.btreePages.count(ref.ib)) {
            context_.violation("btree.cycle", where,
                               std::string(pageName(pageType_)) + " is referenced twice in the B-trees");
            return;
        }
        if (!checkPageTrailer(context_, ref.ib, pageType_, ref.bid)) return;
        context_.btreePages[ref.ib] = ref.bid;

        const Bytes page = slice(context_.file, ref.ib, kPageSize);
        const unsigned count = readU8(page, 488);
        const unsigned maxCount = readU8(page, 489);
        const unsigned entrySize = readU8(page, 490);
        const int level = readU8(page, 491);
        if (level > kMaxLevels || depth > kMaxLevels) {
            context_.violation("btree.level", where, "cLevel " + std::to_string(level) + " is beyond any real tree");
            return;
        }
        if (expectedLevel && level != *expectedLevel) {
            context_.violation("btree.level", where,
                               "cLevel is " + std::to_string(level) + " under a parent that expects " +
                                   std::to_string(*expectedLevel));
            return;
        }
        const unsigned wantSize = level > 0 ? 24 : (isNodeTree() ? 32 : 24);
        const unsigned wantMax = 488 / wantSize;
        if (entrySize != wantSize || maxCount != wantMax) {
            context_.violation("btree.entry-size", where,
                               "cbEnt/cEntMax are " + std::to_string(entrySize) + "/" + std::to_string(maxCount) +
                                   ", expected " + std::to_string(wantSize) + "/" + std::to_string(wantMax));
            return;
        }
        if (count > maxCount) {
            context_.violation("btree.entry-count", where,
                               "cEnt " + std::to_string(count) + " exceeds cEntMax " + std::to_string(maxCount));
            return;
        }
        if (count == 0 && depth > 0)
            context_.violation("btree.entry-count", where, "a non-root page holds no entries");

        for (unsigned index = 0; index < count; ++index) {
            const std::uint64_t entry = std::uint64_t{index} * entrySize;
            const std::uint64_t key = keyAt(page, entry);
            if (key < low || (high && key >= *high)) {
                context_.violation("btree.order", where,
                                   "key " + hexText(key) + " lies outside the range its parent entry gives");
            }
            if (lastKey_ && key <= *lastKey_) {
                context_.violation("btree.order", where,
                                   "key " + hexText(key) + " does not follow " + hexText(*lastKey_) +
                                       " in ascending order");
            }
            if (level > 0) {
                std::optional<std::uint64_t> next = high;
                if (index + 1 < count) next = keyAt(page, entry + entrySize);
                const BlockRef child{readU64(page, entry + 8), readU64(page, entry + 16)};
                visit(child, level - 1, key, next, depth + 1);
                continue;
            }
            lastKey_ = key;
            // The entries are kept for the whole run, each in a map node.
            if (!context_.takeKept((isNodeTree() ? sizeof(NodeEntry) : sizeof(BlockEntry)) + kMapNodeOverhead))
                return;
            if (isNodeTree())
                addNode(page, entry, ref.ib);
            else
                addBlock(page, entry, ref.ib);
        }
    }

    void addNode(Bytes page, std::uint64_t entry, std::uint64_t pageOffset) {
        NodeEntry node;
        node.nid = readU32(page, entry);
        node.dataBid = readU64(page, entry + 8);
        node.subnodeBid = readU64(page, entry + 16);
        node.parentNid = readU32(page, entry + 24);
        node.pageOffset = pageOffset;
        context_.nodes.emplace(node.nid, node);
    }

    void addBlock(Bytes page, std::uint64_t entry, std::uint64_t pageOffset) {
        BlockEntry block;
        block.bid = readU64(page, entry);
        block.ib = readU64(page, entry + 8);
        block.size = readU16(page, entry + 16);
        block.refCount = readU16(page, entry + 18);
        block.pageOffset = pageOffset;
        context_.blocks.emplace(blockKey(block.bid), block);
    }

    VerifyContext& context_;
    std::uint8_t pageType_;
    std::optional<std::uint64_t> lastKey_;
};

}  // namespace

bool checkPageTrailer(VerifyContext& context, std::uint64_t offset, std::uint8_t expectedType,
                      std::optional<std::uint64_t> expectedBid) {
    const Location where = expectedBid ? atBlock("ndb", *expectedBid, offset) : at("ndb", offset);
    const Bytes page = slice(context.file, offset, kPageSize);
    if (page.empty()) {
        context.violation("page.bounds", where,
                          std::string(pageName(expectedType)) + " lies beyond the end of the file");
        return false;
    }
    const std::uint8_t type = readU8(page, 496);
    const std::uint8_t repeat = readU8(page, 497);
    const std::uint16_t signature = readU16(page, 498);
    const std::uint32_t crc = readU32(page, 500);
    const std::uint64_t bid = readU64(page, 504);
    if (type != expectedType || repeat != expectedType)
        context.violation("page.type", where,
                          "ptype/ptypeRepeat are " + hexText(type) + "/" + hexText(repeat) + ", expected " +
                              hexText(expectedType) + " (" + pageName(expectedType) + ")");
    const std::uint32_t computed = pstCrc32(page.first(kPageDataSize));
    if (crc != computed)
        context.violation("page.crc", where,
                          std::string(pageName(expectedType)) + " dwCRC is " + hexText(crc) + ", its data gives " +
                              hexText(computed));
    if (expectedBid && bid != *expectedBid)
        context.violation("page.bid", where,
                          std::string(pageName(expectedType)) + " trailer names id " + hexText(bid) + ", expected " +
                              hexText(*expectedBid));
    const std::uint16_t wantSignature = trailerSignature(offset, bid);
    if (signature != wantSignature)
        context.violation("page.signature", where,
                          std::string(pageName(expectedType)) + " wSig is " + hexText(signature) + ", expected " +
                              hexText(wantSignature));
    return true;
}

void readBTrees(VerifyContext& context) {
    BTreeWalk(context, kNodeBTreePage).walk(context.header.nodeBTree);
    BTreeWalk(context, kBlockBTreePage).walk(context.header.blockBTree);
}

}  // namespace tessaly::pst::verify
