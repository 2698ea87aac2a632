// B-tree pages and internal blocks laid out as the format places them; the
// pages are checked field by field against pages of a file Outlook wrote
// (Outlook leaves stale bytes in padding and unused entries, so those are
// not compared).

#include <gtest/gtest.h>

#include <string>

#include "pst/ndb/block.h"
#include "pst/ndb/btree_page.h"
#include "pst/ndb/little_endian.h"
#include "pst/ndb/node_database_writer.h"
#include "outlook_reference_file.h"
#include "support/test_files.h"

namespace tessaly::pst {
namespace {

void expectSameBytes(const PageImage& ours, const std::uint8_t* theirs, std::size_t from, std::size_t length) {
    for (std::size_t i = from; i < from + length; ++i) EXPECT_EQ(ours[i], theirs[i]) << "byte " << i;
}

TEST(BTreePage, NodeLeafMatchesAnOutlookPage) {
    const std::string file = outlookFile();
    const std::uint8_t* page = bytesAt(file, 0x14600);  // 8 NBTENTRYs, level 0
    std::vector<NodeBTreeEntry> entries;
    for (std::size_t i = 0; i < page[488]; ++i) {
        const std::uint8_t* at = page + 32 * i;
        entries.push_back({static_cast<Nid>(get64(at)), get64(at + 8), get64(at + 16), get32(at + 24)});
    }
    ASSERT_EQ(entries.size(), 8u);
    const PageImage ours = buildNodeLeafPage(entries.data(), entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) expectSameBytes(ours, page, 32 * i, 28);
    expectSameBytes(ours, page, 488, 4);  // cEnt 8, cEntMax 15, cbEnt 32, cLevel 0
}

TEST(BTreePage, BlockLeafMatchesAnOutlookPage) {
    const std::string file = outlookFile();
    const std::uint8_t* page = bytesAt(file, 0x19E00);  // 9 BBTENTRYs
    std::vector<BlockBTreeEntry> entries;
    for (std::size_t i = 0; i < page[488]; ++i) {
        const std::uint8_t* at = page + 24 * i;
        entries.push_back({get64(at), get64(at + 8), get16(at + 16), get16(at + 18)});
    }
    ASSERT_EQ(entries.size(), 9u);
    const PageImage ours = buildBlockLeafPage(entries.data(), entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) expectSameBytes(ours, page, 24 * i, 20);
    expectSameBytes(ours, page, 488, 4);  // 9, 20, 24, 0
}

TEST(BTreePage, IntermediateMatchesOutlooksBlockBTreeRoot) {
    const std::string file = outlookFile();
    const std::uint8_t* page = bytesAt(file, 0xAC00);  // 13 BTENTRYs, level 1
    std::vector<BTreeChild> children;
    for (std::size_t i = 0; i < page[488]; ++i) {
        const std::uint8_t* at = page + 24 * i;
        children.push_back({get64(at), {get64(at + 8), get64(at + 16)}});
    }
    ASSERT_EQ(children.size(), 13u);
    const PageImage ours = buildIntermediatePage(children.data(), children.size(), 1);
    expectSameBytes(ours, page, 0, 13 * 24);
    expectSameBytes(ours, page, 488, 4);  // 13, 20, 24, 1
}

TEST(InternalBlocks, DataTreeAndSubnodeTreePayloads) {
    EXPECT_EQ(buildDataTreePayload(1, {0x10, 0x14}, 9000),
              (Bytes{0x01, 0x01, 0x02, 0x00, 0x28, 0x23, 0x00, 0x00,  // btype, level, cEnt, lcbTotal 9000
                     0x10, 0, 0, 0, 0, 0, 0, 0, 0x14, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(buildSubnodeLeafPayload({{0x803F, 0x20, 0x26}}),
              (Bytes{0x02, 0x00, 0x01, 0x00, 0, 0, 0, 0,  // btype, level 0, cEnt 1, padding
                     0x3F, 0x80, 0, 0, 0, 0, 0, 0, 0x20, 0, 0, 0, 0, 0, 0, 0, 0x26, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(buildSubnodeIndexPayload({{0x3F, 0x2A}}),
              (Bytes{0x02, 0x01, 0x01, 0x00, 0, 0, 0, 0, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0x2A, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(InternalBlocks, WriterBuildsAnIndexOverSubnodeLeavesPastThreeHundredForty) {
    testing::TempDir dir;
    NodeDatabaseWriter writer(dir.path() / "sub.pst", 1);
    std::vector<SubnodeLeafEntry> entries;
    for (std::uint32_t i = 400; i > 0; --i) entries.push_back({makeNid(NidType::Ltp, i), writer.writeData(Bytes{1}), 0});
    const Bid root = writer.writeSubnodeTree(entries);
    // 400 data blocks, two SLBLOCKs (340 + 60) and the SIBLOCK.
    const auto& blocks = writer.blocks();
    ASSERT_EQ(blocks.size(), 403u);
    EXPECT_EQ(root, blocks.back().bid);
    EXPECT_TRUE(root & kInternalBidFlag);
    EXPECT_EQ(blocks[400].size, 8u + 24 * 340);
    EXPECT_EQ(blocks[401].size, 8u + 24 * 60);
    EXPECT_EQ(blocks[402].size, 8u + 16 * 2);
    for (std::size_t i = 0; i < 402; ++i) EXPECT_EQ(blocks[i].refs, 2) << i;
    EXPECT_EQ(blocks[402].refs, 1);  // no node uses the tree yet
}

TEST(InternalBlocks, NineMegabytesNeedAnXxblock) {
    testing::TempDir dir;
    NodeDatabaseWriter writer(dir.path() / "tree.pst", 1);
    const Bytes data(9 * 1024 * 1024, 0x42);
    const Bid root = writer.writeData(data);
    // 1,155 data blocks under two XBLOCKs (1,021 + 134) under one XXBLOCK.
    const auto& blocks = writer.blocks();
    ASSERT_EQ(blocks.size(), 1155u + 3);
    EXPECT_EQ(root, blocks.back().bid);
    EXPECT_EQ(blocks[1155].size, 8u + 8 * 1021);
    EXPECT_EQ(blocks[1156].size, 8u + 8 * 134);
    EXPECT_EQ(blocks[1157].size, 8u + 8 * 2);
}

}  // namespace
}  // namespace tessaly::pst
