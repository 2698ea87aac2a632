// Reads a store the engine wrote at the node-database level and checks the
// invariants the format states: every page and block trailer, B-tree order
// and levels, allocation maps marking exactly the space in use, and each
// block's reference count.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "pst/messaging/pst_file.h"
#include "pst/messaging/property_tags.h"
#include "pst/ndb/crc32.h"
#include "pst/ndb/file_space.h"
#include "pst/ndb/ids.h"
#include "pst/ndb/little_endian.h"
#include "support/pst_verification.h"
#include "support/test_files.h"

namespace tessaly::pst {
namespace {

struct BlockInfo {
    std::uint64_t ib = 0;
    std::uint16_t size = 0;
    std::uint16_t refs = 0;
};

class StoreWalk {
public:
    explicit StoreWalk(std::string file) : file_(std::move(file)) {}

    const std::uint8_t* at(std::uint64_t offset) const { return reinterpret_cast<const std::uint8_t*>(file_.data()) + offset; }

    void markUsed(std::uint64_t ib, std::uint64_t size) {
        for (std::uint64_t slot = ib; slot < ib + size; slot += 64) {
            EXPECT_TRUE(used_.insert(slot).second) << "space at " << slot << " used twice";
        }
    }

    // Walks a B-tree page and its children; checks the trailer, order and
    // levels; returns the keys of its leaf entries through `leaf`.
    template <typename Leaf>
    void walkPage(std::uint64_t ib, Bid bid, std::uint8_t type, int expectedLevel, std::uint64_t minKey, Leaf leaf) {
        const std::uint8_t* page = at(ib);
        EXPECT_EQ(page[496], type);
        EXPECT_EQ(page[497], type);
        EXPECT_EQ(get16(page + 498), computeSignature(ib, bid));
        EXPECT_EQ(get32(page + 500), computeCrc(page, 496));
        EXPECT_EQ(get64(page + 504), bid);
        EXPECT_EQ(ib % 512, 0u);
        markUsed(ib, 512);
        const int level = page[491];
        if (expectedLevel >= 0) {
            EXPECT_EQ(level, expectedLevel);
        }
        const std::size_t count = page[488];
        EXPECT_GT(count, 0u);
        EXPECT_LE(count, page[489]);
        std::uint64_t previous = minKey;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* entry = page + i * page[490];
            const std::uint64_t key = get64(entry);
            EXPECT_GE(key, previous) << "unsorted page at " << ib;
            previous = key + 1;
            if (level > 0) {
                walkPage(get64(entry + 16), get64(entry + 8), type, level - 1, key, leaf);
            } else {
                leaf(entry);
            }
        }
    }

    std::string file_;
    std::set<std::uint64_t> used_;
};

TEST(NodeDatabaseInvariants, StoreWithMessagesAttachmentsAndManySubnodes) {
    testing::TempDir dir;
    const auto path = dir.path() / "invariants.pst";
    {
        PstOptions reproducible;
        reproducible.recordKey = std::array<std::uint8_t, 16>{9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6};
        reproducible.unique = 42;
        reproducible.fileTime = 0x01D0000000000000ull;
        auto store = PstFile::create(path, "Invariants", reproducible);
        const Nid contacts = store->standardFolder(StandardFolder::Contacts);
        for (int i = 0; i < 700; ++i) {
            Message message;
            message.set(tags::Subject, PropertyValue::string("Message " + std::to_string(i)));
            if (i % 100 == 0) message.addAttachment({"a.bin", Bytes(9000 + 50000 * i, 0x11), {}});
            store->addMessage(contacts, std::move(message));
        }
        Message many;
        for (std::uint16_t i = 0; i < 400; ++i) {
            many.set(makeTag(static_cast<std::uint16_t>(0x6000 + i), PropertyType::Binary), PropertyValue::binary(Bytes(4000, 1)));
        }
        many.addAttachment({"big.bin", Bytes(9 * 1024 * 1024, 0x22), {}});
        store->addMessage(store->standardFolder(StandardFolder::Inbox), std::move(many));
        store->close();
        testing::expectValidPst(path);
    }
    StoreWalk walk(testing::readFile(path));
    const std::uint8_t* header = walk.at(0);
    ASSERT_EQ(get64(header + 184), walk.file_.size());

    std::map<Bid, BlockInfo> blocks;
    walk.walkPage(get64(header + 240), get64(header + 232), 0x80, -1, 0, [&](const std::uint8_t* entry) {
        blocks[get64(entry)] = {get64(entry + 8), get16(entry + 16), get16(entry + 18)};
    });
    std::map<Bid, int> references;
    std::vector<std::pair<Bid, Bid>> nodeBlocks;
    std::map<Nid, Nid> parents;
    walk.walkPage(get64(header + 224), get64(header + 216), 0x81, -1, 0, [&](const std::uint8_t* entry) {
        nodeBlocks.emplace_back(get64(entry + 8), get64(entry + 16));
        parents[static_cast<Nid>(get64(entry))] = get32(entry + 24);
    });
    // Parents: the root folder is its own, folders and messages have a folder.
    EXPECT_EQ(parents.at(0x122), 0x122u);
    for (const auto& [nid, parent] : parents) {
        const auto type = nidType(nid);
        if (type == NidType::NormalFolder || type == NidType::NormalMessage || type == NidType::SearchFolder) {
            ASSERT_TRUE(parents.count(parent)) << "node " << nid << " has no parent node";
            EXPECT_EQ(nidType(parent), NidType::NormalFolder) << "node " << nid;
        }
        // The header's NID counters stay above every index in use.
        EXPECT_GT(get32(header + 44 + 4 * (nid & 0x1F)), nidIndex(nid)) << "node " << nid;
    }
    ASSERT_GT(blocks.size(), 1000u);

    // Every block's trailer, and the references internal blocks make.
    for (const auto& [bid, block] : blocks) {
        const std::uint64_t disk = (block.size + 16 + 63) / 64 * 64;
        walk.markUsed(block.ib, disk);
        const std::uint8_t* trailer = walk.at(block.ib + disk - 16);
        EXPECT_EQ(get16(trailer), block.size);
        EXPECT_EQ(get16(trailer + 2), computeSignature(block.ib, bid));
        EXPECT_EQ(get32(trailer + 4), computeCrc(walk.at(block.ib), block.size));
        EXPECT_EQ(get64(trailer + 8), bid);
        if ((bid & kInternalBidFlag) == 0) continue;
        const std::uint8_t* payload = walk.at(block.ib);
        const std::size_t count = get16(payload + 2);
        if (payload[0] == 0x01) {  // data tree: child BIDs
            for (std::size_t i = 0; i < count; ++i) ++references[get64(payload + 8 + 8 * i)];
        } else {
            ASSERT_EQ(payload[0], 0x02);
            const std::size_t entrySize = payload[1] == 0 ? 24 : 16;
            for (std::size_t i = 0; i < count; ++i) {
                const std::uint8_t* entry = payload + 8 + entrySize * i;
                ++references[get64(entry + 8)];
                if (entrySize == 24 && get64(entry + 16) != 0) ++references[get64(entry + 16)];
            }
        }
    }
    for (const auto& [data, sub] : nodeBlocks) {
        if (data != 0) ++references[data];
        if (sub != 0) ++references[sub];
    }
    for (const auto& [bid, block] : blocks) {
        EXPECT_EQ(block.refs, 1 + references[bid]) << "block " << bid;
        references.erase(bid);
    }
    EXPECT_TRUE(references.empty()) << "references to blocks missing from the block B-tree";

    // Allocation maps: exactly the blocks, pages and map pages are in use.
    const std::uint64_t ranges = (walk.file_.size() - FileSpace::kFirstAMapOffset) / FileSpace::kRangeSize;
    std::uint64_t free = 0;
    for (std::uint32_t range = 0; range < ranges; ++range) {
        const std::uint64_t start = FileSpace::rangeStart(range);
        const std::uint8_t* amap = walk.at(start);
        EXPECT_EQ(amap[496], 0x84);
        EXPECT_EQ(get32(amap + 500), computeCrc(amap, 496));
        walk.markUsed(start, 512);
        if (FileSpace::hasPMap(range)) {
            const std::uint8_t* pmap = walk.at(start + 512);
            EXPECT_EQ(pmap[496], 0x83);
            EXPECT_EQ(get32(pmap + 500), computeCrc(pmap, 496));
            EXPECT_EQ(get64(pmap + 504), start + 512);
            walk.markUsed(start + 512, 512);
        }
        if (FileSpace::hasFMap(range)) {
            EXPECT_EQ(walk.at(start + 1024)[496], 0x82);
            walk.markUsed(start + 1024, 512);
        }
        for (std::uint32_t slot = 0; slot < 496 * 8; ++slot) {
            const bool marked = (amap[slot / 8] & (0x80u >> (slot % 8))) != 0;
            const bool inUse = walk.used_.count(start + 64ull * slot) != 0;
            EXPECT_EQ(marked, inUse) << "slot at " << start + 64ull * slot;
            if (!marked) free += 64;
        }
    }
    EXPECT_EQ(get64(header + 200), free);
    EXPECT_GT(ranges, 128u);  // large enough to hold the first FMap
    // Counters above every id handed out.
    EXPECT_GT(get64(header + 516), blocks.rbegin()->first);
}

}  // namespace
}  // namespace tessaly::pst
