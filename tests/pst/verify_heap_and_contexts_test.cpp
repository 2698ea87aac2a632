// Heaps, BTrees-on-heap, property contexts and table contexts built by hand
// from the MS-PST layouts: a heap over two blocks, a BTH with an index level,
// values inline, in the heap and in a subnode, and a small table.

#include <gtest/gtest.h>

#include "pst/verify/btree_on_heap.h"
#include "pst/verify/heap_on_node.h"
#include "pst/verify/property_context.h"
#include "pst/verify/table_context.h"
#include "verify_pst_editing.h"
#include "verify_synthetic_store.h"

namespace tessaly::pst::verify::testing {
namespace {

ByteVector bthHeader(std::uint8_t keySize, std::uint8_t entrySize, std::uint8_t levels, std::uint32_t root) {
    ByteVector header{0xB5, keySize, entrySize, levels};
    append32(header, root);
    return header;
}

ByteVector propertyRecord(std::uint16_t id, std::uint16_t type, std::uint32_t value) {
    ByteVector record;
    append16(record, id);
    append16(record, type);
    append32(record, value);
    return record;
}

ByteVector concat(const std::vector<ByteVector>& parts) {
    ByteVector all;
    for (const ByteVector& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

ByteVector utf16(const std::string& ascii) {
    ByteVector bytes;
    for (char c : ascii) {
        bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(0);
    }
    return bytes;
}

// A property context over two heap blocks with one BTH index level:
//   block 0: 1 BTH header, 2 index records, 3 leaf {0x0E08 i8, 0x3001 text},
//            4 the display name, 5 the 8-byte size
//   block 1: 1 leaf {0x3602 count, 0x3613 binary in subnode 0x8025}
class PropertyContextStore : public ::testing::Test {
protected:
    void build(std::uint16_t sizeBytes = 8, std::uint16_t secondIndexKey = 0x3602) {
        const ByteVector index = concat({ByteVector{0x08, 0x0E}, le32(hid(3)), le16(secondIndexKey), le32(hid(1, 1))});
        const ByteVector firstLeaf =
            concat({propertyRecord(0x0E08, 0x0014, hid(5)), propertyRecord(0x3001, 0x001F, hid(4))});
        const ByteVector secondLeaf =
            concat({propertyRecord(0x3602, 0x0003, 7), propertyRecord(0x3613, 0x0102, 0x8025)});
        store.addBlock(0x10, heapBlock({bthHeader(2, 6, 1, hid(2)), index, firstLeaf, utf16("Contacts"),
                                        ByteVector(sizeBytes, 0x11)},
                                       true, 0xBC, hid(1)));
        store.addBlock(0x14, heapBlock({secondLeaf}, false));
        store.addBlock(0x1A, concat({ByteVector{0x01, 0x01}, le16(2), le32(0), le64(0x10), le64(0x14)}));
        store.addBlock(0x20, ByteVector(40, 0x5A));
        store.addBlock(0x26, concat({ByteVector{0x02, 0x00}, le16(1), le32(0), le64(0x8025), le64(0x20), le64(0)}));
        store.addNode(0x8022, 0x1A, 0x26, 0x122);
    }

    std::optional<PropertyMap> check() {
        VerifyContext& context = store.context();
        const auto subnodes = readSubnodes(context, 0x26);
        return checkPropertyContext(context, 0x8022, 0x1A, subnodes.value());
    }

    static ByteVector le16(std::uint16_t v) { ByteVector b; append16(b, v); return b; }
    static ByteVector le32(std::uint32_t v) { ByteVector b; append32(b, v); return b; }
    static ByteVector le64(std::uint64_t v) { ByteVector b; append64(b, v); return b; }

    SyntheticStore store;
};

TEST_F(PropertyContextStore, ReadsValuesAcrossBlocksIndexLevelsAndSubnodes) {
    build();
    const auto properties = check();
    EXPECT_TRUE(store.report.passed()) << listing(store.report);
    ASSERT_TRUE(properties.has_value());
    EXPECT_EQ(properties->size(), 4u);
    EXPECT_EQ(integerProperty(*properties, 0x3602), 7u);
    EXPECT_EQ(*bytesProperty(*properties, 0x3001), utf16("Contacts"));
    EXPECT_EQ(bytesProperty(*properties, 0x0E08)->size(), 8u);
    EXPECT_EQ(*bytesProperty(*properties, 0x3613), ByteVector(40, 0x5A));
}

TEST_F(PropertyContextStore, EightByteValueOfTheWrongSizeIsReported) {
    build(6);
    check();
    EXPECT_EQ(violatedRules(store.report), std::set<std::string>{"pc.value-size"}) << listing(store.report);
}

TEST_F(PropertyContextStore, IndexKeyThatIsNotTheChildsFirstKeyIsReported) {
    build(8, 0x3600);
    check();
    EXPECT_EQ(violatedRules(store.report), std::set<std::string>{"bth.order"}) << listing(store.report);
}

TEST_F(PropertyContextStore, ValueInAMissingSubnodeIsReported) {
    build();
    store.addBlock(0x26, concat({ByteVector{0x02, 0x00}, le16(1), le32(0), le64(0x8045), le64(0x20), le64(0)}));
    check();
    EXPECT_EQ(violatedRules(store.report), std::set<std::string>{"pc.value-missing"}) << listing(store.report);
}

TEST_F(PropertyContextStore, HidBeyondTheHeapIsReported) {
    build();
    store.addBlock(0x14, heapBlock({concat({propertyRecord(0x3602, 0x0003, 7),
                                            propertyRecord(0x3613, 0x0102, hid(9))})},
                                   false));
    check();
    EXPECT_EQ(violatedRules(store.report), std::set<std::string>{"heap.hid"}) << listing(store.report);
}

// A two-row table: row id, row version, display name (HNID), content count, subfolders.
class TableContextStore : public ::testing::Test {
protected:
    static ByteVector column(std::uint32_t tag, std::uint16_t offset, std::uint8_t size, std::uint8_t bit) {
        ByteVector bytes;
        append32(bytes, tag);
        append16(bytes, offset);
        bytes.push_back(size);
        bytes.push_back(bit);
        return bytes;
    }
    static ByteVector row(std::uint32_t id, std::uint32_t name, std::uint32_t count, std::uint8_t subfolders) {
        ByteVector bytes;
        append32(bytes, id);
        append32(bytes, 0);
        append32(bytes, name);
        append32(bytes, count);
        bytes.push_back(subfolders);
        bytes.push_back(0xF8);  // cell bitmap: the five columns exist (bits 0..4, high bit first)
        return bytes;
    }

    void build(std::uint32_t indexedRows = 2, std::uint8_t countColumnSize = 4, bool byTag = true) {
        ByteVector info{0x7C, 5};
        append16(info, 16);
        append16(info, 16);
        append16(info, 17);
        append16(info, 18);
        append32(info, hid(2));
        append32(info, hid(4));
        append32(info, 0);
        std::vector<ByteVector> columns = {column(0x3001001F, 8, 4, 2), column(0x36020003, 12, countColumnSize, 3),
                                           column(0x360A000B, 16, 1, 4), column(0x67F20003, 0, 4, 0),
                                           column(0x67F30003, 4, 4, 1)};
        if (!byTag) std::swap(columns[0], columns[3]);
        for (const ByteVector& c : columns) info.insert(info.end(), c.begin(), c.end());
        ByteVector index;
        for (std::uint32_t i = 0; i < indexedRows; ++i) {
            append32(index, 0x8042 + 0x20 * i);
            append32(index, i);
        }
        ByteVector rows = row(0x8042, hid(5), 3, 0);
        const ByteVector second = row(0x8062, hid(6), 0, 1);
        rows.insert(rows.end(), second.begin(), second.end());
        store.addBlock(0x10, heapBlock({info, bthHeader(4, 4, 0, indexedRows ? hid(3) : 0), index, rows,
                                        utf16("Inbox"), utf16("Outbox")},
                                       true, 0x7C, hid(1)));
        store.addNode(0x812D, 0x10);
    }

    std::optional<TableContents> check() {
        return checkTableContext(store.context(), 0x812D, 0x10, SubnodeMap{}, CellSelection{true, {}});
    }

    SyntheticStore store;
};

TEST_F(TableContextStore, ColumnsOutOfTagOrderAreReported) {
    build(2, 4, false);
    check();
    EXPECT_EQ(violatedRules(store.report), std::set<std::string>{"tc.column-order"}) << listing(store.report);
}


TEST_F(TableContextStore, ReadsRowsAndResolvesCells) {
    build();
    const auto table = check();
    EXPECT_TRUE(store.report.passed()) << listing(store.report);
    ASSERT_TRUE(table.has_value());
    EXPECT_EQ(table->rowCount, 2u);
    EXPECT_EQ(table->rowIds, (std::vector<std::uint32_t>{0x8042, 0x8062}));
    EXPECT_EQ(table->cells[0].at(0x3001001F), utf16("Inbox"));
    EXPECT_EQ(table->cells[1].at(0x3001001F), utf16("Outbox"));
    EXPECT_EQ(table->cells[1].at(0x360A000B), ByteVector{1});
}

TEST_F(TableContextStore, RowIndexMissingARowIsReported) {
    build(1);
    check();
    EXPECT_EQ(violatedRules(store.report), std::set<std::string>{"tc.row-count"}) << listing(store.report);
}

TEST_F(TableContextStore, CellSizeThatDisagreesWithTheTypeIsReported) {
    build(2, 2);
    check();
    EXPECT_TRUE(store.report.hasViolation("tc.column-size")) << listing(store.report);
}

}  // namespace
}  // namespace tessaly::pst::verify::testing
