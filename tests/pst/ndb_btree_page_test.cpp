// B-tree pages and internal blocks laid out as the format places them; the
// pages are rebuilt from the entries of pages Outlook wrote and compared field
// by field (Outlook leaves stale bytes in padding and unused entries, so those
// are not compared).

#include <gtest/gtest.h>

#include "pst/ndb/block.h"
#include "pst/ndb/btree_page.h"
#include "pst/ndb/little_endian.h"
#include "verify_pst_editing.h"

namespace tessaly::pst {
namespace {

// Compares `entrySize` leading bytes of each of the page's entries (`stride`
// apart) and cEnt, cEntMax, cbEnt, cLevel.
void expectSamePage(const PageImage& ours, const std::uint8_t* theirs, std::size_t stride, std::size_t entrySize) {
    for (std::size_t entry = 0; entry < theirs[488]; ++entry)
        for (std::size_t i = stride * entry; i < stride * entry + entrySize; ++i) EXPECT_EQ(ours[i], theirs[i]) << "byte " << i;
    for (std::size_t i = 488; i < 492; ++i) EXPECT_EQ(ours[i], theirs[i]) << "byte " << i;
}

TEST(BTreePage, LeavesAndIndexPageMatchOutlooksPages) {
    const auto file = verify::testing::loadPst(verify::testing::kOutlookDistList);
    const std::uint8_t* nodeLeaf = file.data() + 0x14600;  // 8 NBTENTRYs, level 0
    std::vector<NodeBTreeEntry> nodes;
    for (const std::uint8_t* at = nodeLeaf; at < nodeLeaf + 32 * nodeLeaf[488]; at += 32)
        nodes.push_back({static_cast<Nid>(get64(at)), get64(at + 8), get64(at + 16), get32(at + 24)});
    ASSERT_EQ(nodes.size(), 8u);
    expectSamePage(buildNodeLeafPage(nodes.data(), nodes.size()), nodeLeaf, 32, 28);

    const std::uint8_t* blockLeaf = file.data() + 0x19E00;  // 9 BBTENTRYs
    std::vector<BlockBTreeEntry> blocks;
    for (const std::uint8_t* at = blockLeaf; at < blockLeaf + 24 * blockLeaf[488]; at += 24)
        blocks.push_back({get64(at), get64(at + 8), get16(at + 16), get16(at + 18)});
    ASSERT_EQ(blocks.size(), 9u);
    expectSamePage(buildBlockLeafPage(blocks.data(), blocks.size()), blockLeaf, 24, 20);

    const std::uint8_t* index = file.data() + 0xAC00;  // the BBT root: 13 BTENTRYs, level 1
    std::vector<BTreeChild> children;
    for (const std::uint8_t* at = index; at < index + 24 * index[488]; at += 24)
        children.push_back({get64(at), {get64(at + 8), get64(at + 16)}});
    ASSERT_EQ(children.size(), 13u);
    expectSamePage(buildIntermediatePage(children.data(), children.size(), 1), index, 24, 24);
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

}  // namespace
}  // namespace tessaly::pst
