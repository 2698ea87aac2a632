// Data trees and subnode trees built by hand: an XXBLOCK over XBLOCKs, an
// SIBLOCK over SLBLOCKs, shared blocks, and their reference counts.

#include <gtest/gtest.h>

#include "pst/verify/node_trees.h"
#include "verify_pst_editing.h"
#include "verify_synthetic_store.h"

namespace tessaly::pst::verify::testing {
namespace {

ByteVector filled(std::size_t size, std::uint8_t value) { return ByteVector(size, value); }

ByteVector dataTree(std::uint8_t level, const std::vector<std::uint64_t>& children, std::uint32_t total) {
    ByteVector block{0x01, level};
    append16(block, static_cast<std::uint16_t>(children.size()));
    append32(block, total);
    for (std::uint64_t child : children) append64(block, child);
    return block;
}

struct SubnodeEntry {
    std::uint32_t nid;
    std::uint64_t dataBid;
    std::uint64_t subnodeBid;
};

ByteVector subnodeLeaf(const std::vector<SubnodeEntry>& entries) {
    ByteVector block{0x02, 0x00};
    append16(block, static_cast<std::uint16_t>(entries.size()));
    append32(block, 0);
    for (const SubnodeEntry& entry : entries) {
        append64(block, entry.nid);
        append64(block, entry.dataBid);
        append64(block, entry.subnodeBid);
    }
    return block;
}

ByteVector subnodeIndex(const std::vector<std::pair<std::uint32_t, std::uint64_t>>& entries) {
    ByteVector block{0x02, 0x01};
    append16(block, static_cast<std::uint16_t>(entries.size()));
    append32(block, 0);
    for (const auto& [nid, bid] : entries) {
        append64(block, nid);
        append64(block, bid);
    }
    return block;
}

// Data blocks 0x10, 0x14, 0x18 (100, 200, 50 bytes) under XBLOCKs 0x1E, 0x22
// under XXBLOCK 0x26, the data of node 0x200004.
class DataTreeStore : public ::testing::Test {
protected:
    DataTreeStore() {
        store.addBlock(0x10, filled(100, 0xA1));
        store.addBlock(0x14, filled(200, 0xB2));
        store.addBlock(0x18, filled(50, 0xC3));
        store.addBlock(0x1E, dataTree(1, {0x10, 0x14}, 300));
        store.addBlock(0x22, dataTree(1, {0x18}, 50));
        store.addBlock(0x26, dataTree(2, {0x1E, 0x22}, 350));
        store.addNode(0x200004, 0x26);
    }
    SyntheticStore store;
};

TEST_F(DataTreeStore, XXBlockReadsItsDataBlocksInOrder) {
    VerifyContext& context = store.context();
    checkNodeTreesAndReferences(context);
    EXPECT_TRUE(store.report.passed()) << listing(store.report);
    const auto data = readData(context, 0x26);
    ASSERT_TRUE(data.has_value());
    ASSERT_EQ(data->size(), 350u);
    EXPECT_EQ((*data)[0], 0xA1);
    EXPECT_EQ((*data)[100], 0xB2);
    EXPECT_EQ((*data)[349], 0xC3);
    EXPECT_EQ(dataSize(context, 0x26), 350u);
}

TEST_F(DataTreeStore, WrongTotalIsReported) {
    store.addBlock(0x22, dataTree(1, {0x18}, 51));
    store.addBlock(0x26, dataTree(2, {0x1E, 0x22}, 351));
    checkNodeTreesAndReferences(store.context());
    EXPECT_EQ(violatedRules(store.report), std::set<std::string>{"datatree.total"}) << listing(store.report);
}

TEST_F(DataTreeStore, XXBlockEntryNamingADataBlockIsReported) {
    store.addBlock(0x26, dataTree(2, {0x1E, 0x18}, 350));
    store.setRefCount(0x22, 1);  // now unreferenced
    checkNodeTreesAndReferences(store.context());
    EXPECT_TRUE(store.report.hasViolation("datatree.type")) << listing(store.report);
}

TEST_F(DataTreeStore, SharedXBlockCountsItsChildrenOnce) {
    // A second node shares XBLOCK 0x1E: 0x1E gains a reference, its data blocks do not.
    store.addNode(0x200024, 0x1E);
    store.setRefCount(0x1E, 3);
    checkNodeTreesAndReferences(store.context());
    EXPECT_TRUE(store.report.passed()) << listing(store.report);
}

TEST_F(DataTreeStore, CountOffByOneAfterSharingIsReported) {
    store.addNode(0x200024, 0x1E);  // 0x1E keeps cRef 2 though two nodes now use it
    checkNodeTreesAndReferences(store.context());
    EXPECT_EQ(violatedRules(store.report), std::set<std::string>{"bbt.refcount"}) << listing(store.report);
}

TEST_F(DataTreeStore, UnreferencedBlockWithCountOneIsAnOrphanWarning) {
    store.addBlock(0x40, filled(10, 0), 1);
    checkNodeTreesAndReferences(store.context());
    EXPECT_TRUE(store.report.passed());
    ASSERT_EQ(store.report.warnings.size(), 1u);
    EXPECT_EQ(store.report.warnings[0].rule, "bbt.orphan");
}

// Subnodes 0x21..0x61 in two SLBLOCKs (0x32, 0x36) under SIBLOCK 0x3A.
class SubnodeTreeStore : public ::testing::Test {
protected:
    SubnodeTreeStore() {
        store.addBlock(0x10, filled(16, 1));
        store.addBlock(0x14, filled(16, 2));
        store.addBlock(0x18, filled(16, 3));
        store.addBlock(0x32, subnodeLeaf({{0x21, 0x10, 0}, {0x41, 0x14, 0}}));
        store.addBlock(0x36, subnodeLeaf({{0x61, 0x18, 0}}));
        store.addBlock(0x3A, subnodeIndex({{0x21, 0x32}, {0x61, 0x36}}));
        store.addBlock(0x40, filled(8, 9));
        store.addNode(0x200004, 0x40, 0x3A);
    }
    SyntheticStore store;
};

TEST_F(SubnodeTreeStore, SIBlockListsEverySubnode) {
    VerifyContext& context = store.context();
    checkNodeTreesAndReferences(context);
    EXPECT_TRUE(store.report.passed()) << listing(store.report);
    const auto subnodes = readSubnodes(context, 0x3A);
    ASSERT_TRUE(subnodes.has_value());
    ASSERT_EQ(subnodes->size(), 3u);
    EXPECT_EQ(subnodes->at(0x41).dataBid, 0x14u);
    EXPECT_EQ(subnodes->at(0x61).dataBid, 0x18u);
}

TEST_F(SubnodeTreeStore, UnsortedSIBlockIsReported) {
    store.addBlock(0x3A, subnodeIndex({{0x61, 0x36}, {0x21, 0x32}}));
    checkNodeTreesAndReferences(store.context());
    EXPECT_EQ(violatedRules(store.report), std::set<std::string>{"subnode.order"}) << listing(store.report);
}

TEST_F(SubnodeTreeStore, SIBlockEntryNamingAnotherSIBlockIsReported) {
    store.addBlock(0x3A, subnodeIndex({{0x21, 0x32}, {0x61, 0x3A}}));
    store.setRefCount(0x36, 1);
    store.setRefCount(0x18, 1);
    checkNodeTreesAndReferences(store.context());
    EXPECT_TRUE(store.report.hasViolation("subnode.type")) << listing(store.report);
}

TEST_F(SubnodeTreeStore, SubnodeTreeThatNamesADataBlockIsReported) {
    store.addNode(0x200004, 0x40, 0x10);
    checkNodeTreesAndReferences(store.context());
    EXPECT_TRUE(store.report.hasViolation("subnode.type")) << listing(store.report);
}

TEST_F(SubnodeTreeStore, MissingSubnodeDataBlockIsReported) {
    store.addBlock(0x36, subnodeLeaf({{0x61, 0x5C, 0}}));
    store.setRefCount(0x18, 1);
    checkNodeTreesAndReferences(store.context());
    EXPECT_TRUE(store.report.hasViolation("node.missing-block")) << listing(store.report);
}

}  // namespace
}  // namespace tessaly::pst::verify::testing
