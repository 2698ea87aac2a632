// Heap-on-node and BTree-on-heap layouts, byte for byte.

#include <gtest/gtest.h>

#include "pst/ltp/btree_on_heap.h"
#include "pst/ltp/heap_builder.h"
#include "support/test_files.h"

namespace tessaly::pst {
namespace {

TEST(HeapBuilder, OneBlockHeapHasHeaderAllocationsAndPageMap) {
    HeapBuilder heap(HeapClient::PropertyContext);
    EXPECT_EQ(heap.allocate(Bytes{'a', 'b', 'c'}), 0x20u);
    EXPECT_EQ(heap.allocate(Bytes{1, 2, 3, 4}), 0x40u);
    heap.setUserRoot(0x40);
    const auto blocks = heap.finish();
    ASSERT_EQ(blocks.size(), 1u);
    const Bytes expected = {
        0x14, 0x00, 0xEC, 0xBC, 0x40, 0x00, 0x00, 0x00,  // ibHnpm 20, bSig, PC client, root
        0x00, 0x00, 0x00, 0x00,                          // fill levels: all nearly empty
        'a',  'b',  'c',  1,    2,    3,    4,    0x00,  // allocations, then padding to even
        0x02, 0x00, 0x00, 0x00,                          // cAlloc 2, cFree 0
        0x0C, 0x00, 0x0F, 0x00, 0x13, 0x00,              // starts 12, 15 and the end, 19
    };
    EXPECT_EQ(blocks[0], expected);
}

TEST(HeapBuilder, FullBlockStartsTheNextWithAPageHeader) {
    HeapBuilder heap(HeapClient::TableContext);
    const Bytes big(3000, 0x11);
    heap.allocate(big);
    heap.allocate(big);
    EXPECT_EQ(heap.allocate(big), 0x10020u);  // block 1, first allocation
    const auto blocks = heap.finish();
    ASSERT_EQ(blocks.size(), 2u);
    // Block 0 keeps 8176 - (12 + 6000 + 10) = 2154 bytes free: fill level 2.
    EXPECT_EQ(blocks[0][8], 0x02);
    EXPECT_EQ(blocks[1].size(), 2u + 3000 + 4 + 4);
    EXPECT_EQ(get16(blocks[1].data()), 3002);  // HNPAGEHDR: where the page map is
    EXPECT_EQ(get16(blocks[1].data() + 3002), 1);
}

TEST(HeapBuilder, NinthBlockCarriesTheFillBitmap) {
    HeapBuilder heap(HeapClient::TableContext);
    const Bytes most(3580, 0x22);
    for (int i = 0; i < 20; ++i) heap.allocate(most);
    const auto blocks = heap.finish();
    ASSERT_EQ(blocks.size(), 10u);
    // Two allocations per block leave 940 to 1004 bytes free: level 7.
    for (int i = 8; i < 12; ++i) EXPECT_EQ(blocks[0][i], 0x77) << i;
    const Bytes& eighth = blocks[8];
    EXPECT_EQ(get16(eighth.data()), 66 + 7160);  // HNBITMAPHDR is 66 bytes
    EXPECT_EQ(eighth[2], 0x77);                  // blocks 8 and 9
    EXPECT_EQ(eighth[3], 0x00);
    EXPECT_EQ(get16(blocks[7].data()), 2 + 7160);
}

// A heap written block by block as it fills: a block is padded to 8,176
// bytes only when another follows it, and the last ends at its page map.
TEST(HeapBuilder, StreamingHeapPadsABlockOnlyWhenAnotherFollowsIt) {
    for (int allocations : {4, 5}) {
        testing::TempDir dir;
        NodeDatabaseWriter writer(dir.path() / "scratch.pst", 1);
        HeapBuilder heap(HeapClient::TableContext, writer);
        for (int i = 0; i < allocations; ++i) heap.allocate(Bytes(3000, 0x33));
        heap.write(writer);
        std::vector<std::size_t> sizes;  // of the heap's blocks, in the order written
        for (const auto& block : writer.blocks())
            if (!(block.bid & kInternalBidFlag)) sizes.push_back(block.size);
        // Two allocations a block: 4 fill blocks 0 and 1, 5 begin block 2.
        // Block 1 goes to the file as block 2 opens; block 0 waits for the end.
        const std::size_t twoAllocations = 2 + 6000 + 4 + 2 * 3;
        if (allocations == 4)
            EXPECT_EQ(sizes, (std::vector<std::size_t>{kMaxBlockPayload, twoAllocations})) << allocations;
        else
            EXPECT_EQ(sizes, (std::vector<std::size_t>{kMaxBlockPayload, kMaxBlockPayload, 2 + 3000 + 4 + 2 * 2}))
                << allocations;
    }
}

TEST(BTreeOnHeap, AnEmptyTreeIsItsHeaderAloneWithRootZero) {
    HeapBuilder heap(HeapClient::PropertyContext);
    const Hid header = buildBTreeOnHeap(heap, 2, 6, {});
    EXPECT_EQ(header, 0x20u);  // an empty tree is its header alone, root 0
    const auto blocks = heap.finish();
    EXPECT_EQ(Bytes(blocks[0].begin() + 12, blocks[0].begin() + 20),
              (Bytes{0xB5, 0x02, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

TEST(BTreeOnHeap, ManyRecordsGetAnIndexLevel) {
    HeapBuilder heap(HeapClient::TableContext);
    Bytes records;
    for (std::uint32_t key = 0; key < 1000; ++key) {
        append32(records, key * 2);
        append32(records, key);
    }
    // 447 eight-byte records fit in one allocation: three leaves, one index.
    const Hid header = buildBTreeOnHeap(heap, 4, 4, records);
    EXPECT_EQ(header, 0x0A0u);
    const auto blocks = heap.finish();
    const Bytes& block = blocks[0];
    const std::uint16_t map = get16(block.data());
    auto start = [&](int index) { return get16(block.data() + map + 4 + 2 * index); };
    // Allocation 5 is the header: 4-byte keys and data, one index level, root
    // allocation 4, which lists the leaves by their first keys 0, 894, 1788.
    EXPECT_EQ(Bytes(block.begin() + start(4), block.begin() + start(5)),
              (Bytes{0xB5, 4, 4, 1, 0x80, 0, 0, 0}));
    EXPECT_EQ(Bytes(block.begin() + start(3), block.begin() + start(4)),
              (Bytes{0, 0, 0, 0, 0x20, 0, 0, 0, 0x7E, 0x03, 0, 0, 0x40, 0, 0, 0, 0xFC, 0x06, 0, 0, 0x60, 0, 0, 0}));
}

}  // namespace
}  // namespace tessaly::pst
