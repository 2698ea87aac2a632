// The verifier's readers on structures built by hand, byte by byte from the
// MS-PST layouts, for shapes and damage neither the reference files nor the
// stores this project writes contain: bad XXBLOCK and SIBLOCK entries, shared
// blocks, and a property context over two heap blocks with a BTH index level.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "pst/verify/heap_on_node.h"
#include "pst/verify/little_endian.h"
#include "pst/verify/node_trees.h"
#include "pst/verify/property_context.h"
#include "support/crafted_pst.h"
#include "support/encodings.h"
#include "verify_pst_editing.h"

namespace tessaly::pst::verify::testing {
namespace {

using ByteVector = std::vector<std::uint8_t>;
using Rules = std::set<std::string>;

ByteVector le(std::uint64_t value, int size) {
    ByteVector bytes;
    for (int i = 0; i < size; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return bytes;
}
ByteVector concat(const std::vector<ByteVector>& parts) {
    ByteVector all;
    for (const ByteVector& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}
ByteVector utf16(const std::string& text) {
    const std::string bytes = tessaly::testing::utf16(text);
    return ByteVector(bytes.begin(), bytes.end());
}

// HID of allocation `index` (1-based) in heap block `block`.
std::uint32_t hid(std::uint32_t index, std::uint32_t block = 0) { return (block << 16) | (index << 5); }

// One heap block: a header (HNHDR for the first block, HNPAGEHDR otherwise),
// the allocations in order, then the page map.
ByteVector heapBlock(const std::vector<ByteVector>& allocations, bool first, std::uint8_t client = 0, std::uint32_t root = 0) {
    ByteVector block = first ? concat({le(0, 2), {0xEC, client}, le(root, 4), le(0, 4)}) : le(0, 2);
    std::vector<std::uint16_t> starts{static_cast<std::uint16_t>(block.size())};
    for (const ByteVector& allocation : allocations) {
        block.insert(block.end(), allocation.begin(), allocation.end());
        starts.push_back(static_cast<std::uint16_t>(block.size()));
    }
    if (block.size() % 2) block.push_back(0);
    const ByteVector map = le(block.size(), 2);
    std::copy(map.begin(), map.end(), block.begin());
    block = concat({block, le(allocations.size(), 2), le(0, 2)});
    for (std::uint16_t start : starts) block = concat({block, le(start, 2)});
    return block;
}
ByteVector bthHeader(std::uint8_t keySize, std::uint8_t entrySize, std::uint8_t levels, std::uint32_t root) {
    return concat({{0xB5, keySize, entrySize, levels}, le(root, 4)});
}
ByteVector dataTree(std::uint8_t level, const std::vector<std::uint64_t>& children, std::uint32_t total) {
    ByteVector block = concat({{0x01, level}, le(children.size(), 2), le(total, 4)});
    for (std::uint64_t child : children) block = concat({block, le(child, 8)});
    return block;
}
// SLBLOCK entries are {nid, data, subnode tree}; SIBLOCK entries {nid, SLBLOCK}.
ByteVector subnodeBlock(std::uint8_t level, const std::vector<std::vector<std::uint64_t>>& entries) {
    ByteVector block = concat({{0x02, level}, le(entries.size(), 2), le(0, 4)});
    for (const auto& entry : entries)
        for (std::uint64_t field : entry) block = concat({block, le(field, 8)});
    return block;
}

// A file image of blocks and nodes, indexed into a VerifyContext directly
// (no B-tree pages: the readers under test start from the node and block maps).
class SyntheticStore : public ::testing::Test {
protected:
    void addBlock(std::uint64_t bid, const ByteVector& data, std::uint16_t refCount = 2) {
        blocks_[blockKey(bid)] = BlockEntry{};
        BlockEntry& entry = blocks_[blockKey(bid)];
        entry.bid = bid;
        entry.ib = image_.size();
        entry.size = static_cast<std::uint16_t>(data.size());
        entry.refCount = refCount;
        entry.readable = true;
        image_.insert(image_.end(), data.begin(), data.end());
        image_.resize((image_.size() + 16 + 63) / 64 * 64, 0);
    }
    void addNode(std::uint64_t nid, std::uint64_t dataBid, std::uint64_t subnodeBid = 0, std::uint32_t parent = 0) {
        nodes_[nid] = NodeEntry{};
        nodes_[nid].nid = nid;
        nodes_[nid].dataBid = dataBid;
        nodes_[nid].subnodeBid = subnodeBid;
        nodes_[nid].parentNid = parent;
    }
    void setRefCount(std::uint64_t bid, std::uint16_t refCount) { blocks_.at(blockKey(bid)).refCount = refCount; }

    // A context over the finished image.
    VerifyContext& context() {
        context_ = std::make_unique<VerifyContext>(Bytes(image_.data(), image_.size()), report);
        context_->nodes = nodes_;
        context_->blocks = blocks_;
        context_->header.cryptMethod = 0;
        return *context_;
    }
    Rules checkTrees() {
        checkNodeTreesAndReferences(context());
        return violatedRules(report);
    }

    VerificationReport report;
    std::unique_ptr<VerifyContext> context_;

private:
    ByteVector image_ = ByteVector(0x4400, 0);
    std::map<std::uint64_t, BlockEntry> blocks_;
    std::map<std::uint64_t, NodeEntry> nodes_;
};

// Data blocks 0x10, 0x14, 0x18 (100, 200, 50 bytes) under XBLOCKs 0x1E, 0x22
// under XXBLOCK 0x26, the data of node 0x200004.
class DataTreeStore : public SyntheticStore {
protected:
    DataTreeStore() {
        addBlock(0x10, ByteVector(100, 0xA1));
        addBlock(0x14, ByteVector(200, 0xB2));
        addBlock(0x18, ByteVector(50, 0xC3));
        addBlock(0x1E, dataTree(1, {0x10, 0x14}, 300));
        addBlock(0x22, dataTree(1, {0x18}, 50));
        addBlock(0x26, dataTree(2, {0x1E, 0x22}, 350));
        addNode(0x200004, 0x26);
    }
};

TEST_F(DataTreeStore, IsReadWhole) {
    EXPECT_EQ(checkTrees(), Rules{}) << listing(report);
    const auto data = readData(*context_, 0x26);
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(data->size(), 350u);
}

// What a tree's lcbTotal claims is what the readers would read: a tree whose
// blocks hold more (or less) is reported, and not read.
TEST_F(DataTreeStore, WrongTotalIsReportedAndNotRead) {
    addBlock(0x22, dataTree(1, {0x18}, 51));
    addBlock(0x26, dataTree(2, {0x1E, 0x22}, 351));
    EXPECT_EQ(checkTrees(), Rules{"datatree.total"}) << listing(report);
    EXPECT_FALSE(dataBlockIds(*context_, 0x26, UINT64_MAX).has_value());
    EXPECT_FALSE(readData(*context_, 0x26).has_value());
}

// A block listed twice (here 0x14 in place of 0x18; 0x18 left unreferenced)
// is reported where it is listed, with the tree's totals right, and the tree
// is not read.
TEST_F(DataTreeStore, DataBlockListedTwiceIsReportedAndNotRead) {
    addBlock(0x22, dataTree(1, {0x14}, 200));
    addBlock(0x26, dataTree(2, {0x1E, 0x22}, 500));
    setRefCount(0x14, 3);
    setRefCount(0x18, 1);
    const Rules rules = checkTrees();
    EXPECT_EQ(rules, Rules{"datatree.repeated-block"}) << listing(report);
    ASSERT_FALSE(report.violations.empty());
    const Location& where = report.violations.front().location;
    EXPECT_EQ(where.layer, "ndb");
    EXPECT_EQ(where.blockId, 0x22u);
    EXPECT_EQ(where.offset, context_->findBlock(0x22)->ib);
    EXPECT_FALSE(dataBlockIds(*context_, 0x26, UINT64_MAX).has_value());
    EXPECT_FALSE(readData(*context_, 0x26).has_value());
}

// A sound tree read over and over (as values that all name one subnode
// would have it) is read until what was kept reaches the allowance that the
// file's size gives, and then no more; the limit is reported once.
TEST_F(DataTreeStore, ReadingItOverAndOverStopsAtTheKeptAllowance) {
    VerifyContext& verify = context();
    const std::uint64_t reads = VerifyContext::keptAllowance(verify.file.size()) / 350;
    std::uint64_t done = 0;
    while (done <= reads && readData(verify, 0x26)) ++done;
    EXPECT_EQ(done, reads);
    EXPECT_EQ(violatedRules(report), Rules{"verify.work-limit"}) << listing(report);
    EXPECT_FALSE(readData(verify, 0x26).has_value());
}

// References are counted for the blocks the block B-tree lists only: an
// XBLOCK naming a thousand blocks that do not exist adds no count for them,
// so what the walk keeps stays in proportion to the B-tree.
TEST_F(DataTreeStore, BlocksThatDoNotExistGetNoReferenceCount) {
    std::vector<std::uint64_t> missing;
    for (std::uint64_t index = 0; index < 1000; ++index) missing.push_back(0x10000 + 4 * index);
    addBlock(0x22, dataTree(1, missing, 50));
    setRefCount(0x18, 1);
    EXPECT_TRUE(checkTrees().count("node.missing-block")) << listing(report);
    EXPECT_LE(context_->references.size(), context_->blocks.size());
}

// An XXBLOCK that lists one XBLOCK a thousand times would have the readers
// read its blocks a thousand times over; it is reported once.
TEST_F(DataTreeStore, XBlockListedOverAndOverIsReportedOnceAndNotRead) {
    addBlock(0x26, dataTree(2, std::vector<std::uint64_t>(1000, 0x1E), 300000));
    setRefCount(0x1E, 1001);
    setRefCount(0x22, 1);
    setRefCount(0x18, 1);
    const Rules rules = checkTrees();
    EXPECT_EQ(rules, Rules{"datatree.repeated-block"}) << listing(report);
    EXPECT_EQ(report.violations.size(), 1u) << listing(report);
    EXPECT_FALSE(dataBlockIds(*context_, 0x26, UINT64_MAX).has_value());
}

TEST_F(DataTreeStore, XXBlockEntryNamingADataBlockIsReported) {
    addBlock(0x26, dataTree(2, {0x1E, 0x18}, 350));
    setRefCount(0x22, 1);  // now unreferenced
    EXPECT_TRUE(checkTrees().count("datatree.type")) << listing(report);
}

// A second node shares XBLOCK 0x1E: 0x1E gains a reference, its data blocks do not.
TEST_F(DataTreeStore, SharedXBlockCountsItsChildrenOnce) {
    addNode(0x200024, 0x1E);
    setRefCount(0x1E, 3);
    EXPECT_EQ(checkTrees(), Rules{}) << listing(report);
}

// Subnodes 0x21..0x61 in two SLBLOCKs (0x32, 0x36) under SIBLOCK 0x3A.
class SubnodeTreeStore : public SyntheticStore {
protected:
    SubnodeTreeStore() {
        addBlock(0x10, ByteVector(16, 1));
        addBlock(0x14, ByteVector(16, 2));
        addBlock(0x18, ByteVector(16, 3));
        addBlock(0x32, subnodeBlock(0, {{0x21, 0x10, 0}, {0x41, 0x14, 0}}));
        addBlock(0x36, subnodeBlock(0, {{0x61, 0x18, 0}}));
        addBlock(0x3A, subnodeBlock(1, {{0x21, 0x32}, {0x61, 0x36}}));
        addBlock(0x40, ByteVector(8, 9));
        addNode(0x200004, 0x40, 0x3A);
    }
};

TEST_F(SubnodeTreeStore, SIBlockEntryNamingAnotherSIBlockIsReported) {
    addBlock(0x3A, subnodeBlock(1, {{0x21, 0x32}, {0x61, 0x3A}}));
    setRefCount(0x36, 1);
    setRefCount(0x18, 1);
    EXPECT_TRUE(checkTrees().count("subnode.type")) << listing(report);
}

TEST_F(SubnodeTreeStore, SubnodeTreeThatNamesADataBlockIsReported) {
    addNode(0x200004, 0x40, 0x10);
    EXPECT_TRUE(checkTrees().count("subnode.type")) << listing(report);
}

ByteVector propertyRecord(std::uint16_t id, std::uint16_t type, std::uint32_t value) {
    return concat({le(id, 2), le(type, 2), le(value, 4)});
}

// A property context over two heap blocks with one BTH index level:
//   block 0: 1 BTH header, 2 index records, 3 leaf {0x0E08 i8, 0x3001 text},
//            4 the display name, 5 the 8-byte size; padded to 8,176 bytes
//   block 1: 1 leaf {0x3602 count, 0x3613 binary in subnode 0x8025}
class PropertyContextStore : public SyntheticStore {
protected:
    // Block 1's leaf; the binary value names subnode 0x8025 unless told otherwise.
    static ByteVector secondLeaf(std::uint32_t binary = 0x8025) {
        return concat({propertyRecord(0x3602, 0x0003, 7), propertyRecord(0x3613, 0x0102, binary)});
    }
    void build(std::uint16_t sizeBytes = 8, std::uint16_t secondIndexKey = 0x3602, bool padded = true) {
        const ByteVector index = concat({le(0x0E08, 2), le(hid(3), 4), le(secondIndexKey, 2), le(hid(1, 1), 4)});
        const ByteVector firstLeaf = concat({propertyRecord(0x0E08, 0x0014, hid(5)), propertyRecord(0x3001, 0x001F, hid(4))});
        ByteVector first = heapBlock({bthHeader(2, 6, 1, hid(2)), index, firstLeaf, utf16("Contacts"),
                                      ByteVector(sizeBytes, 0x11)},
                                     true, 0xBC, hid(1));
        if (padded) first.resize(kMaxBlockDataSize, 0);
        addBlock(0x10, first);
        firstSize_ = first.size();
        setSecondBlock(heapBlock({secondLeaf()}, false));
        addBlock(0x20, ByteVector(40, 0x5A));
        addBlock(0x26, subnodeBlock(0, {{0x8025, 0x20, 0}}));
        addNode(0x8022, 0x1A, 0x26, 0x122);
    }

    // Heap block 1, and the XBLOCK over both blocks with its total.
    void setSecondBlock(const ByteVector& second) {
        addBlock(0x14, second);
        addBlock(0x1A, dataTree(1, {0x10, 0x14}, static_cast<std::uint32_t>(firstSize_ + second.size())));
    }

    std::optional<PropertyMap> check() {
        VerifyContext& verify = context();
        return checkPropertyContext(verify, 0x8022, 0x1A, readSubnodes(verify, 0x26).value());
    }

private:
    std::size_t firstSize_ = 0;
};

TEST_F(PropertyContextStore, ReadsValuesAcrossBlocksIndexLevelsAndSubnodes) {
    build();
    const auto properties = check();
    EXPECT_TRUE(report.passed()) << listing(report);
    ASSERT_TRUE(properties.has_value());
    EXPECT_EQ(properties->size(), 4u);
    EXPECT_EQ(integerProperty(*properties, 0x3602), 7u);
    EXPECT_EQ(*bytesProperty(*properties, 0x3001), utf16("Contacts"));
    EXPECT_EQ(bytesProperty(*properties, 0x0E08)->size(), 8u);
    EXPECT_EQ(*bytesProperty(*properties, 0x3613), ByteVector(40, 0x5A));
}

// Each damage of that context, and the one rule it breaks.
TEST_F(PropertyContextStore, EachDamageIsReportedAsTheRuleItBreaks) {
    const std::pair<const char*, std::function<void()>> damages[] = {
        {"pc.value-size", [&] { build(6); }},      // an 8-byte value of 6 bytes
        {"bth.order", [&] { build(8, 0x3600); }},  // an index key that is not its child's first key
        // Readers built on Outlook's storage layer find heap block k at k × 8,176.
        {"heap.block-size", [&] { build(8, 0x3602, false); }},
        {"pc.value-missing",
         [&] {
             build();
             addBlock(0x26, subnodeBlock(0, {{0x8045, 0x20, 0}}));
         }},
        {"heap.hid",
         [&] {
             build();
             setSecondBlock(heapBlock({secondLeaf(hid(9))}, false));
         }},
    };
    for (const auto& [rule, damage] : damages) {
        report = {};
        damage();
        check();
        EXPECT_EQ(violatedRules(report), Rules{rule}) << listing(report);
    }
}

// A heap's page maps stay in memory while it is open: they are drawn from
// the kept allowance, as values are.
TEST_F(PropertyContextStore, OpeningTheHeapKeepsItsPageMapsWithinTheAllowance) {
    build();
    VerifyContext& verify = context();
    const auto heap = HeapOnNode::open(verify, 0x8022, {0x10, 0x14});
    ASSERT_TRUE(heap.has_value());
    // Block 0 holds 5 allocations, block 1 one: 6 and 2 offsets of 2 bytes.
    EXPECT_GE(verify.bytesKept(), 2u * (6 + 2));
}

// A 0-byte allocation looks like a freed item; cFree must count it.
TEST_F(PropertyContextStore, AnEmptyAllocationThatTheFreeCountLeavesOutIsReported) {
    build();
    ByteVector second = heapBlock({secondLeaf(), {}}, false);
    setSecondBlock(second);
    check();
    EXPECT_EQ(violatedRules(report), Rules{"heap.free-count"}) << listing(report);
    second[readU16(second, 0) + 2] = 1;  // cFree: now counted as the freed item it looks like
    report = {};
    setSecondBlock(second);
    check();
    EXPECT_TRUE(report.passed()) << listing(report);
}

// The node and block B-trees' entries are kept for the whole run: each is
// drawn from the kept allowance, so a file of B-tree pages alone cannot
// grow them past what its size allows.
TEST(VerifyAllowance, BTreeEntriesAreDrawnFromTheKeptAllowance) {
    tessaly::testing::CraftedPst pst;
    for (std::uint64_t index = 0; index < 100; ++index) pst.addBlock(0x100 + 4 * index, ByteVector(16, 1));
    pst.addNode(0x21, 0x100);
    const ByteVector file = pst.bytes();
    VerificationReport report;
    VerifyContext context(Bytes(file.data(), file.size()), report);
    ASSERT_TRUE(readAndCheckHeader(context));
    readBTrees(context);
    ASSERT_EQ(context.blocks.size(), 100u);
    EXPECT_GE(context.bytesKept(), 100 * sizeof(BlockEntry) + sizeof(NodeEntry));
}

}  // namespace
}  // namespace tessaly::pst::verify::testing
