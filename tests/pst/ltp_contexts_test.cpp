// Property and table contexts: where values go (inline, heap, subnode), the
// TCINFO and row layout, and the row matrix moving to a subnode.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "pst/ltp/property_context.h"
#include "pst/ltp/table_context.h"
#include "pst/messaging/table_templates.h"
#include "support/test_files.h"

namespace tessaly::pst {
namespace {

class ContextTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    NodeDatabaseWriter writer{dir.path() / "scratch.pst", 1};
};

// The records of a property context's BTree-on-heap: id, type, value/HNID.
std::vector<std::tuple<std::uint16_t, std::uint16_t, std::uint32_t>> pcRecords(const Bytes& block) {
    const std::uint16_t map = get16(block.data());
    auto start = [&](std::uint32_t hid) { return get16(block.data() + map + 4 + 2 * ((hid >> 5) - 1)); };
    auto end = [&](std::uint32_t hid) { return get16(block.data() + map + 4 + 2 * (hid >> 5)); };
    const std::uint32_t header = get32(block.data() + 4);
    const std::uint32_t root = get32(block.data() + start(header) + 4);
    std::vector<std::tuple<std::uint16_t, std::uint16_t, std::uint32_t>> out;
    for (std::uint16_t at = start(root); at < end(root); at += 8) {
        out.emplace_back(get16(block.data() + at), get16(block.data() + at + 2), get32(block.data() + at + 4));
    }
    return out;
}

// Ids set in any order, some twice, come out in id order with the value set
// last; values set once they have been read go to their places at once.
TEST(PropertyContextOrder, IdsInOrderWithTheLastValueOfEachBeforeAndAfterReading) {
    PropertyContextBuilder pc;
    std::map<std::uint16_t, std::int32_t> expected;
    const auto setBoth = [&](std::uint16_t id, std::int32_t value) {
        pc.set(id, PropertyValue::int32(value));
        expected[id] = value;
    };
    using Pairs = std::vector<std::pair<std::uint16_t, std::int32_t>>;
    const auto expectOrder = [&] {
        Pairs got;
        for (const auto& [id, value] : pc.values()) got.emplace_back(id, static_cast<std::int32_t>(get32(value.bytes().data())));
        EXPECT_EQ(got, Pairs(expected.begin(), expected.end()));
    };
    std::uint32_t state = 12345;
    for (std::int32_t i = 0; i < 600; ++i) {
        state = state * 1103515245u + 12345u;
        // Ids that differ in either byte alone, and repeats.
        setBoth(static_cast<std::uint16_t>((state >> 8) % 3 == 0 ? 0x8000 + (state >> 16) % 200 : (state >> 16) % 300), i);
    }
    expectOrder();
    for (const std::uint16_t id : {std::uint16_t{0x0E08}, std::uint16_t{0x0001}, std::uint16_t{0xFFFE}, expected.begin()->first})
        setBoth(id, -1);
    expectOrder();
}

// Builders that set the same ids in the same order share their order; one id
// changed in a list of the same length must not take the last list's order.
TEST(PropertyContextOrder, AListOfIdsLikeTheLastIsOrderedByItsOwnIds) {
    const auto orderOf = [](const std::vector<std::uint16_t>& ids) {
        PropertyContextBuilder pc;
        for (std::size_t i = 0; i < ids.size(); ++i) pc.set(ids[i], PropertyValue::int32(static_cast<std::int32_t>(i)));
        std::vector<std::pair<std::uint16_t, std::uint32_t>> got;
        for (const auto& [id, value] : pc.values()) got.emplace_back(id, get32(value.bytes().data()));
        return got;
    };
    using Order = std::vector<std::pair<std::uint16_t, std::uint32_t>>;
    const std::vector<std::uint16_t> ids = {0x8002, 0x3001, 0x0E08, 0x3001, 0x8001};
    const Order expected = {{0x0E08, 2}, {0x3001, 3}, {0x8001, 4}, {0x8002, 0}};
    EXPECT_EQ(orderOf(ids), expected);
    EXPECT_EQ(orderOf(ids), expected);
    EXPECT_EQ(orderOf({0x8002, 0x3001, 0x0E08, 0x3002, 0x8001}),
              (Order{{0x0E08, 2}, {0x3001, 1}, {0x3002, 3}, {0x8001, 4}, {0x8002, 0}}));
    EXPECT_EQ(orderOf({0x8002, 0x3001, 0x0E08, 0x3001}), (Order{{0x0E08, 2}, {0x3001, 3}, {0x8002, 0}}));
}

TEST_F(ContextTest, SmallValuesInlineOthersInHeapOrSubnode) {
    PropertyContextBuilder pc;
    pc.set(0x3602, PropertyValue::int32(7));
    pc.set(0x360A, PropertyValue::boolean(true));
    pc.set(0x3001, PropertyValue::string("Contacts"));
    pc.set(0x3007, PropertyValue::time(0x01CF782167958F06ull));
    pc.set(0x3701, PropertyValue::binary(Bytes(5000, 0x33)));
    // Empty values have no allocation: HNID 0 (a 0-byte allocation reads as freed).
    pc.set(0x3A00, PropertyValue::string(""));
    pc.set(0x3A01, PropertyValue::binary({}));
    const NodeContent content = pc.build(writer);
    ASSERT_EQ(content.heapBlocks.size(), 1u);
    const Bytes& block = content.heapBlocks[0];
    EXPECT_EQ(block[3], 0xBC);
    const auto records = pcRecords(block);
    ASSERT_EQ(records.size(), 7u);  // sorted by id
    EXPECT_EQ(records[5], std::make_tuple(std::uint16_t{0x3A00}, std::uint16_t{0x1F}, 0u));
    EXPECT_EQ(records[6], std::make_tuple(std::uint16_t{0x3A01}, std::uint16_t{0x102}, 0u));
    EXPECT_EQ(get16(block.data() + get16(block.data())), 4);  // header, "Contacts", time, records: no more
    // The BTHHEADER is the first allocation, 0x20; values follow.
    EXPECT_EQ(get32(block.data() + 4), 0x20u);
    EXPECT_EQ(records[0], std::make_tuple(std::uint16_t{0x3001}, std::uint16_t{0x1F}, 0x40u));
    EXPECT_EQ(records[1], std::make_tuple(std::uint16_t{0x3007}, std::uint16_t{0x40}, 0x60u));
    EXPECT_EQ(records[2], std::make_tuple(std::uint16_t{0x3602}, std::uint16_t{0x03}, 7u));
    EXPECT_EQ(records[3], std::make_tuple(std::uint16_t{0x360A}, std::uint16_t{0x0B}, 1u));
    // Over 3,580 bytes: a subnode, named by an LTP NID.
    ASSERT_EQ(content.subnodes.size(), 1u);
    EXPECT_EQ(std::get<2>(records[4]), content.subnodes[0].nid);
    EXPECT_EQ(nidType(content.subnodes[0].nid), NidType::Ltp);
    EXPECT_EQ(content.subnodes[0].data.size(), 5000u);
}

TEST_F(ContextTest, TableInfoOfTheHierarchyTemplateMatchesOutlooksLayout) {
    auto columns = hierarchyTableColumns();
    std::sort(columns.begin(), columns.end(), [](const auto& a, const auto& b) { return a.tag < b.tag; });
    const Bytes info = TableContextBuilder::tableInfo(columns, 0x60, 0);
    ASSERT_EQ(info.size(), 22u + 8 * 13);
    // bType, cCols, then TCI_4b 52, TCI_2b 52, TCI_1b 53, TCI_bm 55 as in
    // Outlook's own hierarchy tables.
    EXPECT_EQ(Bytes(info.begin(), info.begin() + 22),
              (Bytes{0x7C, 13, 52, 0, 52, 0, 53, 0, 55, 0, 0x60, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    // Column descriptions in tag order: PidTagReplItemid first (offset 20, 4
    // bytes, bit 6), the row id last.
    EXPECT_EQ(Bytes(info.begin() + 22, info.begin() + 30), (Bytes{0x02, 0x01, 0x30, 0x0E, 20, 0, 4, 6}));
    EXPECT_EQ(Bytes(info.end() - 16, info.end() - 8), (Bytes{0x03, 0x00, 0xF2, 0x67, 0, 0, 4, 0}));
}

TEST_F(ContextTest, RowsCarryValuesAndExistenceBits) {
    TableContextBuilder table(writer, TableContextBuilder::layoutColumns({0x3602000B - 0x8, 0x360A000B, 0x3001001F}));
    PropertyContextBuilder row;
    row.set(0x3602, PropertyValue::int32(42));
    row.set(0x3001, PropertyValue::string(""));  // present but empty: HNID 0, no allocation
    table.addRow(0x8022, row);
    table.addRow(0x8042, PropertyContextBuilder{});
    const NodeContent content = table.build();
    ASSERT_EQ(content.heapBlocks.size(), 1u);
    const Bytes& block = content.heapBlocks[0];
    const std::uint16_t map = get16(block.data());
    // Allocations: the row index's header (0x20) and the TCINFO (0x40), as
    // Outlook places them, then the row matrix and the row index leaf.
    EXPECT_EQ(get16(block.data() + map), 4);
    EXPECT_EQ(get32(block.data() + 4), 0x40u);
    EXPECT_EQ(block[get16(block.data() + map + 4)], 0xB5);
    const std::uint8_t* rows = block.data() + get16(block.data() + map + 8);
    // Row: id, version, 0x3602 (4 bytes), 0x3001 (an HNID), 0x360A (1 byte), bitmap.
    EXPECT_EQ(Bytes(rows, rows + 18), (Bytes{0x22, 0x80, 0, 0, 0, 0, 0, 0, 42, 0, 0, 0, 0, 0, 0, 0, 0, 0xE8}));
    EXPECT_EQ(Bytes(rows + 18, rows + 36), (Bytes{0x42, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0}));
    const std::uint8_t* info = block.data() + get16(block.data() + map + 6);
    EXPECT_EQ(info[0], 0x7C);
    EXPECT_EQ(get32(info + 10), 0x20u);  // hidRowIndex
    EXPECT_EQ(get32(info + 14), 0x60u);  // hnidRows
}

// Rows whose properties were set alike share where each cell's value is;
// a value of another type than its column's still leaves its cell empty, and
// a row of other properties finds its own.
TEST_F(ContextTest, RowsSetAlikeFindTheirCellsOnceAndOthersAnew) {
    TableContextBuilder table(writer, TableContextBuilder::layoutColumns({0x36020003, 0x360A000B, 0x3001001F}));
    PropertyContextBuilder first, second, other;
    first.set(0x360A, PropertyValue::boolean(true));
    first.set(0x3602, PropertyValue::int32(1));
    second.set(0x360A, PropertyValue::int32(5));  // the column holds a boolean
    second.set(0x3602, PropertyValue::int32(2));
    other.set(0x360A, PropertyValue::boolean(false));
    other.set(0x3001, PropertyValue::string(""));
    table.addRow(0x8022, first);
    table.addRow(0x8042, second);
    table.addRow(0x8062, other);
    EXPECT_NE(first.layout(), 0u);
    EXPECT_EQ(first.layout(), second.layout());
    EXPECT_NE(first.layout(), other.layout());
    const NodeContent content = table.build();
    const Bytes& block = content.heapBlocks.at(0);
    const std::uint16_t map = get16(block.data());
    const std::uint8_t* rows = block.data() + get16(block.data() + map + 8);
    // Row: id, version, 0x3602 (4 bytes), 0x3001 (an HNID), 0x360A (1 byte), bitmap.
    EXPECT_EQ(Bytes(rows, rows + 18), (Bytes{0x22, 0x80, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0xF0}));
    EXPECT_EQ(Bytes(rows + 18, rows + 36), (Bytes{0x42, 0x80, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0xE0}));
    EXPECT_EQ(Bytes(rows + 36, rows + 54), (Bytes{0x62, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xD8}));
}

TEST_F(ContextTest, CellValuesOverTheHeapLimitGoToSubnodes) {
    TableContextBuilder table(writer, TableContextBuilder::layoutColumns({0x0037001F}));
    PropertyContextBuilder row;
    row.set(0x0037, PropertyValue::string(std::string(2000, 'x')));  // 4,000 bytes as UTF-16
    table.addRow(0x200024, row);
    const NodeContent content = table.build();
    ASSERT_EQ(content.subnodes.size(), 1u);
    EXPECT_EQ(content.subnodes[0].data.size(), 4000u);
    const Bytes& block = content.heapBlocks[0];
    const std::uint16_t map = get16(block.data());
    const std::uint8_t* rows = block.data() + get16(block.data() + map + 8);
    EXPECT_EQ(get32(rows + 8), content.subnodes[0].nid);  // the cell names the subnode
}

TEST_F(ContextTest, StreamingTableWritesFullBlocksAsTheyFill) {
    TableContextBuilder table(writer, contentsTableColumns(), TableContextBuilder::Mode::Streaming);
    PropertyContextBuilder row;
    // A 200-byte subject per row: the heap passes one block every ~40 rows.
    row.set(0x0037, PropertyValue::string(std::string(100, 's')));
    for (std::uint32_t i = 0; i < 130; ++i) table.addRow(makeNid(NidType::NormalMessage, 0x10000 + i), row);
    // Written so far: two row-matrix blocks (64 rows each) and the heap
    // blocks after the first (block 0 waits for its header), every one a
    // whole 8,176 bytes: padded after the last row or the page map.
    EXPECT_EQ(writer.blocks().size(), 4u);
    for (const auto& block : writer.blocks()) EXPECT_EQ(block.size, kMaxBlockPayload);
    const NodeContent content = table.build();
    EXPECT_TRUE(content.heapBlocks.empty());
    EXPECT_TRUE(content.data & kInternalBidFlag);  // an XBLOCK over the heap blocks
    ASSERT_EQ(content.subnodes.size(), 1u);
    EXPECT_TRUE(content.subnodes[0].sharedData & kInternalBidFlag);  // the row matrix's XBLOCK
    // The last matrix block holds the two remaining rows.
    EXPECT_TRUE(std::any_of(writer.blocks().begin(), writer.blocks().end(),
                            [&](const auto& block) { return block.size == 2 * table.rowSize(); }));
}

// Rows that fill the row matrix's last block exactly: that block ends after
// its last row, and only a block another one follows is padded to 8,176 bytes
// (readers count rows per block, and a last block with bytes after its rows
// reads as holding a broken row).
TEST_F(ContextTest, StreamingTablePadsAMatrixBlockOnlyWhenAnotherFollowsIt) {
    TableContextBuilder table(writer, contentsTableColumns(), TableContextBuilder::Mode::Streaming);
    const std::size_t perBlock = kMaxBlockPayload / table.rowSize();
    ASSERT_NE(kMaxBlockPayload % table.rowSize(), 0u);  // a full block has room left over
    for (std::uint32_t i = 0; i < 2 * perBlock; ++i)
        table.addRow(makeNid(NidType::NormalMessage, 0x10000 + i), PropertyContextBuilder{});
    const NodeContent content = table.build();
    ASSERT_EQ(content.subnodes.size(), 1u);
    EXPECT_TRUE(content.subnodes[0].sharedData & kInternalBidFlag);  // an XBLOCK over the matrix blocks
    // The matrix blocks are the first data blocks written, the heap's after them.
    std::vector<std::size_t> sizes;
    for (const auto& block : writer.blocks())
        if (!(block.bid & kInternalBidFlag)) sizes.push_back(block.size);
    ASSERT_GE(sizes.size(), 3u);
    EXPECT_EQ(sizes[0], kMaxBlockPayload);
    EXPECT_EQ(sizes[1], perBlock * table.rowSize());
}

}  // namespace
}  // namespace tessaly::pst
