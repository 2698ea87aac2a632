// Mutation tests: each takes an Outlook reference file, damages it in exactly
// one way (repairing checksums where the damage is not the checksum itself)
// and expects the verifier to name the rule that damage breaks.

#include <gtest/gtest.h>

#include <algorithm>

#include "pst/verify/cyclic_decoding.h"
#include "pst/verify/name_to_id_map.h"
#include "pst/verify/node_contents.h"
#include "verify_pst_editing.h"

namespace tessaly::pst::verify::testing {
namespace {

using Rules = std::set<std::string>;

class VerifyMutation : public ::testing::Test {
protected:
    VerifyMutation() : editor(loadPst(kOutlookDistList)) {}

    Rules rulesAfterEdit() { return violatedRules(editor.verify()); }
    std::string report() { return listing(editor.verify()); }

    std::uint64_t nodeBTreeRoot() const { return editor.get(224, 8); }
    std::uint64_t blockBTreeRoot() const { return editor.get(240, 8); }

    // Offset and size of heap allocation `hid` inside a heap's first block.
    static std::pair<std::size_t, std::size_t> allocation(const std::vector<std::uint8_t>& block, std::uint32_t hid) {
        const std::size_t map = block[0] | (block[1] << 8);
        const std::size_t index = (hid >> 5) & 0x7FF;
        const auto entry = [&](std::size_t i) { return block[map + 4 + 2 * i] | (block[map + 5 + 2 * i] << 8); };
        return {entry(index - 1), entry(index) - entry(index - 1)};
    }
    static std::uint32_t read32(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
        return bytes[offset] | (bytes[offset + 1] << 8) | (bytes[offset + 2] << 16) |
               (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
    }

    // Replaces every occurrence of `from` by `to` in the plain data of the given blocks.
    void replaceInBlock(std::uint64_t bid, std::size_t at, const std::vector<std::uint8_t>& to) {
        std::vector<std::uint8_t> plain = editor.decodedBlock(bid);
        std::copy(to.begin(), to.end(), plain.begin() + at);
        editor.writeDecodedBlock(bid, plain);
    }

    bool isFolderData(std::uint64_t bid) const {
        for (const auto& [nid, node] : editor.nodes())
            if (nodeType(nid) == kNidNormalFolder && blockKey(node.dataBid) == blockKey(bid)) return true;
        return false;
    }

    PstEditor editor;
};

TEST_F(VerifyMutation, UnchangedFileHasNoViolation) { EXPECT_EQ(rulesAfterEdit(), Rules{}) << report(); }

// --- header ---------------------------------------------------------------

TEST_F(VerifyMutation, WrongPartialHeaderCrc) {
    editor.bytes[4] ^= 0x01;
    EXPECT_EQ(rulesAfterEdit(), Rules{"header.crc-partial"});
}

TEST_F(VerifyMutation, WrongFullHeaderCrc) {
    editor.bytes[524] ^= 0x80;
    EXPECT_EQ(rulesAfterEdit(), Rules{"header.crc-full"});
}

TEST_F(VerifyMutation, ByteCoveredOnlyByTheFullCrc) {
    // Offset 500 lies past the 471 bytes of the partial CRC: only the full one breaks.
    editor.bytes[500] ^= 0x01;
    EXPECT_EQ(rulesAfterEdit(), Rules{"header.crc-full"});
}

TEST_F(VerifyMutation, WrongClientVersion) {
    editor.put16(12, 18);
    editor.fixHeaderCrcs();
    EXPECT_EQ(rulesAfterEdit(), Rules{"header.client-version"});
}

TEST_F(VerifyMutation, WrongSentinel) {
    editor.bytes[512] = 0x81;
    editor.fixHeaderCrcs();
    EXPECT_EQ(rulesAfterEdit(), Rules{"header.sentinel"});
}

TEST_F(VerifyMutation, EndOfFileDisagreesWithTheFile) {
    editor.put64(184, editor.bytes.size() + 0x3E000);
    editor.fixHeaderCrcs();
    EXPECT_EQ(rulesAfterEdit(), Rules{"header.file-eof"});
}

TEST_F(VerifyMutation, AllocationMapsDeclaredInvalid) {
    editor.bytes[248] = 0;
    editor.fixHeaderCrcs();
    EXPECT_EQ(rulesAfterEdit(), Rules{"header.amap-valid"});
}

TEST_F(VerifyMutation, LastAllocationMapMisplaced) {
    editor.put64(192, editor.get(192, 8) + 0x3E000);
    editor.fixHeaderCrcs();
    EXPECT_EQ(rulesAfterEdit(), Rules{"header.amap-last"});
}

TEST_F(VerifyMutation, FreeSpaceCountOffByOneSlot) {
    editor.put64(200, editor.get(200, 8) + 64);
    editor.fixHeaderCrcs();
    EXPECT_EQ(rulesAfterEdit(), Rules{"amap.free-mismatch"});
}

TEST_F(VerifyMutation, FreePageCountOffByOnePage) {
    editor.put64(208, editor.get(208, 8) - 512);
    editor.fixHeaderCrcs();
    EXPECT_EQ(rulesAfterEdit(), Rules{"pmap.free-mismatch"});
}

TEST_F(VerifyMutation, BlockCounterNotAboveTheBlocksInUse) {
    editor.put64(516, editor.blocks().rbegin()->first);
    editor.fixHeaderCrcs();
    EXPECT_EQ(rulesAfterEdit(), Rules{"header.bid-counter"});
}

TEST_F(VerifyMutation, PageCounterNotAboveThePagesInUse) {
    std::uint64_t highest = 0;
    for (const auto& [offset, bid] : editor.pages()) highest = std::max(highest, bid);
    editor.put64(32, highest);
    editor.fixHeaderCrcs();
    EXPECT_EQ(rulesAfterEdit(), Rules{"header.page-counter"});
}

TEST_F(VerifyMutation, FolderCounterBelowAFolderInUse) {
    editor.put32(44 + 4 * kNidNormalFolder, 0x400);
    editor.fixHeaderCrcs();
    EXPECT_EQ(rulesAfterEdit(), Rules{"header.nid-counter"});
}

// --- pages and B-trees -------------------------------------------------------

TEST_F(VerifyMutation, WrongPageCrc) {
    editor.bytes[nodeBTreeRoot() + 492] ^= 0x10;  // dwPadding: covered by the CRC, read by nothing else
    EXPECT_EQ(rulesAfterEdit(), Rules{"page.crc"});
}

TEST_F(VerifyMutation, WrongPageSignature) {
    editor.bytes[blockBTreeRoot() + 498] ^= 0x01;
    EXPECT_EQ(rulesAfterEdit(), Rules{"page.signature"});
}

TEST_F(VerifyMutation, WrongPageType) {
    editor.bytes[blockBTreeRoot() + 497] = 0x81;
    EXPECT_EQ(rulesAfterEdit(), Rules{"page.type"});
}

TEST_F(VerifyMutation, WrongAllocationMapCrc) {
    editor.bytes[0x4400 + 495] ^= 0x01;
    const Rules rules = rulesAfterEdit();
    EXPECT_TRUE(rules.count("page.crc")) << report();
}

TEST_F(VerifyMutation, DamagedDensityList) {
    editor.bytes[0x4200 + 300] ^= 0x01;
    EXPECT_EQ(rulesAfterEdit(), Rules{"page.crc"});
}

TEST_F(VerifyMutation, UnsortedNodeBTreePage) {
    // The first leaf page starts 0x21, 0x61, 0x122: swap the first two entries.
    const std::uint64_t page = editor.nodes().at(0x21).pageOffset;
    std::vector<std::uint8_t> first(editor.bytes.begin() + page, editor.bytes.begin() + page + 32);
    std::copy(editor.bytes.begin() + page + 32, editor.bytes.begin() + page + 64, editor.bytes.begin() + page);
    std::copy(first.begin(), first.end(), editor.bytes.begin() + page + 32);
    editor.fixPageCrc(page);
    EXPECT_EQ(rulesAfterEdit(), Rules{"btree.order"});
}

TEST_F(VerifyMutation, EntryCountAboveTheMaximum) {
    const std::uint64_t page = editor.nodes().at(0x21).pageOffset;
    editor.bytes[page + 488] = 16;  // an NBT leaf holds at most 15
    editor.fixPageCrc(page);
    EXPECT_TRUE(rulesAfterEdit().count("btree.entry-count")) << report();
}

TEST_F(VerifyMutation, ChildPageAtTheWrongLevel) {
    const std::uint64_t page = editor.nodes().at(0x21).pageOffset;
    editor.bytes[page + 491] = 1;
    editor.fixPageCrc(page);
    EXPECT_TRUE(rulesAfterEdit().count("btree.level")) << report();
}

// --- blocks and reference counts --------------------------------------------

TEST_F(VerifyMutation, WrongBlockCrc) {
    const BlockEntry& block = editor.block(editor.nodes().at(0x21).dataBid);
    editor.bytes[block.ib + blockFootprint(block.size) - 16 + 4] ^= 0x01;
    EXPECT_EQ(rulesAfterEdit(), Rules{"block.crc"});
}

TEST_F(VerifyMutation, WrongBlockSignature) {
    const BlockEntry& block = editor.block(editor.nodes().at(0x21).dataBid);
    editor.bytes[block.ib + blockFootprint(block.size) - 16 + 2] ^= 0x01;
    EXPECT_EQ(rulesAfterEdit(), Rules{"block.signature"});
}

TEST_F(VerifyMutation, ReferenceCountOneTooHigh) {
    const std::uint64_t bid = editor.nodes().at(0x21).dataBid;
    const std::uint64_t entry = editor.bbtEntryOffset(bid);
    editor.put16(entry + 18, static_cast<std::uint16_t>(editor.get(entry + 18, 2) + 1));
    editor.fixPageCrc(editor.block(bid).pageOffset);
    EXPECT_EQ(rulesAfterEdit(), Rules{"bbt.refcount"});
}

TEST_F(VerifyMutation, ReferenceCountOneTooLow) {
    const std::uint64_t bid = editor.nodes().at(0x21).dataBid;
    const std::uint64_t entry = editor.bbtEntryOffset(bid);
    editor.put16(entry + 18, static_cast<std::uint16_t>(editor.get(entry + 18, 2) - 1));
    editor.fixPageCrc(editor.block(bid).pageOffset);
    EXPECT_EQ(rulesAfterEdit(), Rules{"bbt.refcount"});
}

TEST_F(VerifyMutation, NodeNamesABlockTheBlockBTreeLacks) {
    const std::uint64_t entry = editor.nbtEntryOffset(0x21);
    editor.put64(entry + 8, editor.get(516, 8) + 4);  // a data block id never handed out
    editor.fixPageCrc(editor.nodes().at(0x21).pageOffset);
    EXPECT_TRUE(rulesAfterEdit().count("node.missing-block")) << report();
}

TEST_F(VerifyMutation, UnsortedSubnodeBlock) {
    // Node 0x730 keeps 15 subnodes in one SLBLOCK: swap its first two entries.
    const BlockEntry& block = editor.block(editor.nodes().at(0x730).subnodeBid);
    std::vector<std::uint8_t> first(editor.bytes.begin() + block.ib + 8, editor.bytes.begin() + block.ib + 32);
    std::copy(editor.bytes.begin() + block.ib + 32, editor.bytes.begin() + block.ib + 56,
              editor.bytes.begin() + block.ib + 8);
    std::copy(first.begin(), first.end(), editor.bytes.begin() + block.ib + 32);
    editor.put32(block.ib + blockFootprint(block.size) - 16 + 4,
                 pstCrc32(Bytes(editor.bytes.data() + block.ib, block.size)));
    EXPECT_EQ(rulesAfterEdit(), Rules{"subnode.order"});
}

// --- allocation maps ------------------------------------------------------------

TEST_F(VerifyMutation, BlockTheAllocationMapCallsFree) {
    const BlockEntry& block = editor.block(editor.nodes().at(0x21).dataBid);
    const std::uint64_t amap = 0x4400 + (block.ib - 0x4400) / 0x3E000 * 0x3E000;
    const std::uint64_t slot = (block.ib - amap) / 64;
    editor.bytes[amap + slot / 8] &= static_cast<std::uint8_t>(~(0x80 >> (slot % 8)));
    editor.fixPageCrc(amap);
    editor.put64(200, editor.get(200, 8) + 64);
    editor.fixHeaderCrcs();
    EXPECT_EQ(rulesAfterEdit(), Rules{"amap.unmarked-use"});
}

TEST_F(VerifyMutation, AllocationMapMarksFreeSpace) {
    // A free slot of the first AMap whose 512-byte page the PMap counts as used.
    std::uint64_t slot = 0;
    for (slot = 8; slot < 3968; ++slot) {
        const bool marked = editor.bytes[0x4400 + slot / 8] & (0x80 >> (slot % 8));
        const std::uint64_t page = slot / 8;
        const bool pageUsed = editor.bytes[0x4600 + page / 8] & (0x80 >> (page % 8));
        if (!marked && pageUsed) break;
    }
    ASSERT_LT(slot, 3968u);
    editor.bytes[0x4400 + slot / 8] |= static_cast<std::uint8_t>(0x80 >> (slot % 8));
    editor.fixPageCrc(0x4400);
    editor.put64(200, editor.get(200, 8) - 64);
    editor.fixHeaderCrcs();
    EXPECT_EQ(rulesAfterEdit(), Rules{"amap.marked-unused"});
}

// --- heaps, property and table contexts ------------------------------------------

TEST_F(VerifyMutation, HeapWithoutItsSignature) {
    const std::uint64_t bid = editor.nodes().at(0x21).dataBid;
    std::vector<std::uint8_t> plain = editor.decodedBlock(bid);
    ASSERT_EQ(plain[2], 0xEC);
    replaceInBlock(bid, 2, {0xED});
    EXPECT_TRUE(rulesAfterEdit().count("heap.signature")) << report();
}

TEST_F(VerifyMutation, PropertyContextWithATableSignature) {
    const std::uint64_t bid = editor.nodes().at(0x21).dataBid;
    replaceInBlock(bid, 3, {0x7C});
    EXPECT_TRUE(rulesAfterEdit().count("pc.signature")) << report();
}

TEST_F(VerifyMutation, PropertyOfAnUndefinedType) {
    // The store's PidTagRecordKey record: key 0x0FF9, type 0x0102.
    const auto hits = editor.findInDataBlocks({0xF9, 0x0F, 0x02, 0x01});
    ASSERT_FALSE(hits.empty());
    replaceInBlock(hits[0].first, hits[0].second + 2, {0x99, 0x00});
    EXPECT_TRUE(rulesAfterEdit().count("pc.type")) << report();
}

TEST_F(VerifyMutation, RowIndexPointingAtTheWrongRow) {
    // The root folder's hierarchy table (0x12D) has several rows in its heap.
    const std::uint64_t bid = editor.nodes().at(0x12D).dataBid;
    std::vector<std::uint8_t> plain = editor.decodedBlock(bid);
    const auto [info, infoSize] = allocation(plain, read32(plain, 4));
    ASSERT_EQ(plain[info], 0x7C);
    const auto [bth, bthSize] = allocation(plain, read32(plain, info + 10));
    const auto [records, recordsSize] = allocation(plain, read32(plain, bth + 4));
    ASSERT_GE(recordsSize, 16u);
    std::swap(plain[records + 4], plain[records + 12]);  // exchange the row numbers of two rows
    editor.writeDecodedBlock(bid, plain);
    EXPECT_EQ(rulesAfterEdit(), Rules{"tc.row-index"});
}

TEST_F(VerifyMutation, ColumnOfTheWrongCellSize) {
    const std::uint64_t bid = editor.nodes().at(0x12D).dataBid;
    std::vector<std::uint8_t> plain = editor.decodedBlock(bid);
    const auto [info, infoSize] = allocation(plain, read32(plain, 4));
    plain[info + 22 + 6] = 2;  // first column's cbData
    editor.writeDecodedBlock(bid, plain);
    EXPECT_TRUE(rulesAfterEdit().count("tc.column-size")) << report();
}

// --- messaging layer ---------------------------------------------------------------

TEST_F(VerifyMutation, MissingMandatoryNode) {
    const std::uint64_t entry = editor.nbtEntryOffset(0x321);
    editor.put32(entry, 0x341);  // keeps the page sorted; 0x321 is gone
    editor.fixPageCrc(editor.nodes().at(0x321).pageOffset);
    EXPECT_EQ(rulesAfterEdit(), Rules{"mandatory.node"});
}

TEST_F(VerifyMutation, ContentCountDisagreesWithItsTable) {
    // The Contacts folder holds two items: PidTagContentCount 2 in its PC.
    const std::vector<std::uint8_t> record = {0x02, 0x36, 0x03, 0x00, 0x02, 0x00, 0x00, 0x00};
    for (const auto& [bid, at] : editor.findInDataBlocks(record)) {
        if (!isFolderData(bid)) continue;
        replaceInBlock(bid, at + 4, {0x03});
        break;
    }
    const Rules rules = rulesAfterEdit();
    EXPECT_TRUE(rules.count("folder.content-count")) << report();
    // The parent's hierarchy row still says 2, which the verifier notices too.
    EXPECT_TRUE(rules.count("folder.hierarchy-mismatch")) << report();
    EXPECT_EQ(rules.size(), 2u) << report();
}

TEST_F(VerifyMutation, SubfolderFlagWithoutSubfolders) {
    const std::vector<std::uint8_t> record = {0x0A, 0x36, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00};
    for (const auto& [bid, at] : editor.findInDataBlocks(record)) {
        if (!isFolderData(bid)) continue;
        replaceInBlock(bid, at + 4, {0x01});
        break;
    }
    EXPECT_TRUE(rulesAfterEdit().count("folder.subfolders")) << report();
}

TEST_F(VerifyMutation, FolderWhoseParentIsNoFolder) {
    const std::uint64_t entry = editor.nbtEntryOffset(0x8042);
    editor.put32(entry + 24, 0x21);
    editor.fixPageCrc(editor.nodes().at(0x8042).pageOffset);
    EXPECT_TRUE(rulesAfterEdit().count("folder.parent")) << report();
}

TEST_F(VerifyMutation, FolderTableMissing) {
    // Renumber a folder's associated contents table 0x802F to 0x8030 (the page stays sorted).
    const std::uint64_t entry = editor.nbtEntryOffset(0x802F);
    editor.put32(entry, 0x8030);
    editor.fixPageCrc(editor.nodes().at(0x802F).pageOffset);
    EXPECT_EQ(rulesAfterEdit(), Rules{"folder.tables"}) << report();
}

TEST_F(VerifyMutation, SubfolderMovedWithoutItsHierarchyRow) {
    // Folder 0x8062 moves from 0x8022 to the root; neither hierarchy table follows.
    const std::uint64_t entry = editor.nbtEntryOffset(0x8062);
    editor.put32(entry + 24, 0x122);
    editor.fixPageCrc(editor.nodes().at(0x8062).pageOffset);
    const Rules rules = rulesAfterEdit();
    EXPECT_TRUE(rules.count("folder.hierarchy-count")) << report();
    EXPECT_TRUE(rules.count("folder.hierarchy-row")) << report();
}

TEST_F(VerifyMutation, StoreEntryIdNamingNoFolder) {
    // PidTagIpmSubTreeEntryId: flags 0, the store's record key, then NID 0x8022.
    const auto recordKey = editor.findInDataBlocks({0xF9, 0x0F, 0x02, 0x01});
    ASSERT_FALSE(recordKey.empty());
    const std::vector<std::uint8_t> nid = {0x22, 0x80, 0x00, 0x00};
    bool changed = false;
    for (const auto& [bid, at] : editor.findInDataBlocks(nid)) {
        if (blockKey(bid) != blockKey(editor.nodes().at(0x21).dataBid) || at < 20) continue;
        std::vector<std::uint8_t> plain = editor.decodedBlock(bid);
        if (plain[at - 20] != 0 || plain[at - 17] != 0) continue;
        replaceInBlock(bid, at, {0x21, 0x00, 0x00, 0x00});
        changed = true;
        break;
    }
    ASSERT_TRUE(changed);
    EXPECT_EQ(rulesAfterEdit(), Rules{"mandatory.folder"}) << report();
}

TEST_F(VerifyMutation, EntryIdOfAnotherStore) {
    // The first byte of the store's record key inside its own folder entry ids.
    const std::uint64_t bid = editor.nodes().at(0x21).dataBid;
    std::vector<std::uint8_t> plain = editor.decodedBlock(bid);
    const std::vector<std::uint8_t> subtree = {0x22, 0x80, 0x00, 0x00};
    const auto found = std::search(plain.begin() + 20, plain.end(), subtree.begin(), subtree.end());
    ASSERT_NE(found, plain.end());
    *(found - 16) ^= 0xFF;
    editor.writeDecodedBlock(bid, plain);
    EXPECT_EQ(rulesAfterEdit(), Rules{"store.entry-id"}) << report();
}

TEST_F(VerifyMutation, TableWithAPropertyContextSignature) {
    replaceInBlock(editor.nodes().at(0x12D).dataBid, 3, {0xBC});
    EXPECT_EQ(rulesAfterEdit(), Rules{"tc.signature"}) << report();
}

TEST_F(VerifyMutation, HeapPageMapOutsideItsBlock) {
    const std::uint64_t bid = editor.nodes().at(0x21).dataBid;
    const std::uint16_t size = editor.block(bid).size;
    replaceInBlock(bid, 0, {static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8)});
    EXPECT_TRUE(rulesAfterEdit().count("heap.page-map")) << report();
}

TEST_F(VerifyMutation, PropertyContextBthWithTheWrongEntrySize) {
    const std::uint64_t bid = editor.nodes().at(0x21).dataBid;
    std::vector<std::uint8_t> plain = editor.decodedBlock(bid);
    const auto [header, size] = allocation(plain, read32(plain, 4));
    ASSERT_EQ(plain[header], 0xB5);
    plain[header + 2] = 8;
    editor.writeDecodedBlock(bid, plain);
    // The message store's properties are then unreadable, which is reported too.
    EXPECT_EQ(rulesAfterEdit(), (Rules{"bth.header", "mandatory.message-store"})) << report();
}

TEST_F(VerifyMutation, TableCellNamingNoAllocation) {
    // In the root folder's hierarchy table, point a row's display-name cell at HID 0x7FE0.
    const std::uint64_t bid = editor.nodes().at(0x12D).dataBid;
    std::vector<std::uint8_t> plain = editor.decodedBlock(bid);
    const auto [info, infoSize] = allocation(plain, read32(plain, 4));
    std::size_t nameOffset = 0;
    for (std::size_t column = 0; column < plain[info + 1]; ++column)
        if (read32(plain, info + 22 + 8 * column) == 0x3001001F)
            nameOffset = plain[info + 22 + 8 * column + 4] | (plain[info + 22 + 8 * column + 5] << 8);
    ASSERT_NE(nameOffset, 0u);
    const auto [rows, rowsSize] = allocation(plain, read32(plain, info + 14));
    ASSERT_GT(rowsSize, 0u);
    plain[rows + nameOffset] = 0xE0;
    plain[rows + nameOffset + 1] = 0x7F;
    editor.writeDecodedBlock(bid, plain);
    EXPECT_EQ(rulesAfterEdit(), Rules{"tc.cell"}) << report();
}

TEST_F(VerifyMutation, BucketCountOtherThan251) {
    const std::uint64_t bid = editor.nodes().at(0x61).dataBid;
    const auto hits = editor.findInDataBlocks({0x01, 0x00, 0x03, 0x00, 0xFB, 0x00, 0x00, 0x00});
    ASSERT_EQ(hits.size(), 1u);
    ASSERT_EQ(blockKey(hits[0].first), blockKey(bid));
    replaceInBlock(bid, hits[0].second + 4, {0xFA});
    EXPECT_TRUE(rulesAfterEdit().count("nameid.bucket-count")) << report();
}

TEST_F(VerifyMutation, UnsupportedVersion) {
    editor.put16(10, 24);
    editor.fixHeaderCrcs();
    EXPECT_EQ(rulesAfterEdit(), Rules{"header.version"});
}

TEST_F(VerifyMutation, UndefinedEncoding) {
    editor.bytes[513] = 3;
    editor.fixHeaderCrcs();
    EXPECT_EQ(rulesAfterEdit(), Rules{"header.crypt-method"});
}

TEST_F(VerifyMutation, SameStoreWithCyclicEncodingStillPasses) {
    // Every data block re-encoded with the cyclic encoding (its own inverse),
    // keyed by the block id, and the header saying so.
    for (const auto& [key, block] : editor.blocks()) {
        if (isInternalBid(block.bid)) continue;
        std::vector<std::uint8_t> data = editor.decodedBlock(block.bid);
        cyclicDecode(data, static_cast<std::uint32_t>(block.bid));
        editor.writeStoredBlock(block.bid, data);
    }
    editor.bytes[513] = 2;
    editor.fixHeaderCrcs();
    const VerificationReport result = editor.verify();
    EXPECT_TRUE(result.passed()) << listing(result);
    EXPECT_EQ(result.warnings.size(), 1u);
}

TEST_F(VerifyMutation, FileThatDoesNotEndOnAnAllocationMapBoundary) {
    editor.bytes.resize(editor.bytes.size() + 512, 0);
    editor.put64(184, editor.bytes.size());
    editor.fixHeaderCrcs();
    EXPECT_TRUE(rulesAfterEdit().count("header.file-size")) << report();
}

TEST_F(VerifyMutation, BlockTrailerNamingAnotherBlock) {
    const BlockEntry& block = editor.block(editor.nodes().at(0x21).dataBid);
    editor.put64(block.ib + blockFootprint(block.size) - 8, block.bid + 4);
    EXPECT_TRUE(rulesAfterEdit().count("block.bid")) << report();
}

TEST_F(VerifyMutation, BlockTrailerWithAnotherSize) {
    const BlockEntry& block = editor.block(editor.nodes().at(0x21).dataBid);
    editor.put16(block.ib + blockFootprint(block.size) - 16, static_cast<std::uint16_t>(block.size - 1));
    EXPECT_TRUE(rulesAfterEdit().count("block.trailer-size")) << report();
}

TEST_F(VerifyMutation, PageTrailerNamingAnotherPage) {
    const std::uint64_t root = nodeBTreeRoot();
    const std::uint64_t other = editor.get(root + 504, 8) - 4;
    editor.put64(root + 504, other);
    editor.put16(root + 498, trailerSignature(root, other));
    EXPECT_EQ(rulesAfterEdit(), Rules{"page.bid"}) << report();
}

TEST_F(VerifyMutation, BTreePageReachedTwice) {
    // The NBT root's second entry points at the first entry's child page.
    const std::uint64_t root = nodeBTreeRoot();
    ASSERT_GT(editor.bytes[root + 491], 0);
    editor.put64(root + 24 + 8, editor.get(root + 8, 8));
    editor.put64(root + 24 + 16, editor.get(root + 16, 8));
    editor.fixPageCrc(root);
    EXPECT_TRUE(rulesAfterEdit().count("btree.cycle")) << report();
}

TEST_F(VerifyMutation, WrongPlatform) {
    editor.bytes[14] = 0x02;
    editor.fixHeaderCrcs();
    EXPECT_EQ(rulesAfterEdit(), Rules{"header.platform"});
}

TEST_F(VerifyMutation, PageInUseThePageMapCallsFree) {
    const std::uint64_t page = (nodeBTreeRoot() - 0x4400) / 512;
    ASSERT_LT(page, 3968u);
    editor.bytes[0x4600 + page / 8] &= static_cast<std::uint8_t>(~(0x80 >> (page % 8)));
    editor.fixPageCrc(0x4600);
    editor.put64(208, editor.get(208, 8) + 512);
    editor.fixHeaderCrcs();
    EXPECT_EQ(rulesAfterEdit(), Rules{"pmap.free-page-in-use"}) << report();
}

TEST_F(VerifyMutation, ContentsRowDisagreesWithItsMessage) {
    // Change the message class in the contact's own property context only.
    std::vector<std::uint8_t> text;
    for (char c : std::string("IPM.Contact")) {
        text.push_back(static_cast<std::uint8_t>(c));
        text.push_back(0);
    }
    bool changed = false;
    for (const auto& [bid, at] : editor.findInDataBlocks(text)) {
        for (const auto& [nid, node] : editor.nodes()) {
            if (changed || nodeType(nid) != kNidNormalMessage || blockKey(node.dataBid) != blockKey(bid)) continue;
            replaceInBlock(bid, at + 8, {'D'});
            changed = true;
        }
    }
    ASSERT_TRUE(changed);
    EXPECT_EQ(rulesAfterEdit(), Rules{"folder.contents-mismatch"}) << report();
}

class NamedPropertyMutation : public VerifyMutation {
protected:
    // The 8 bytes of the first numeric entry of the name map's entry stream,
    // found twice in the file: in the stream and in its hash bucket.
    std::vector<std::uint8_t> numericEntry() {
        VerificationReport ignored;
        VerifyContext context(Bytes(editor.bytes.data(), editor.bytes.size()), ignored);
        readAndCheckHeader(context);
        readBTrees(context);
        checkBlockTrailers(context);
        const StoreContents store = checkNodeContents(context);
        const std::vector<std::uint8_t>& entries = store.nameToIdMap->at(0x0003).bytes.value();
        for (std::size_t offset = 0; offset + 8 <= entries.size(); offset += 8) {
            if (entries[offset + 4] & 1) continue;
            std::vector<std::uint8_t> entry(entries.begin() + offset, entries.begin() + offset + 8);
            if (editor.findInDataBlocks(entry).size() == 2) return entry;
        }
        return {};
    }
};

TEST_F(NamedPropertyMutation, EntryFiledInTheWrongBucket) {
    std::vector<std::uint8_t> entry = numericEntry();
    ASSERT_EQ(entry.size(), 8u);
    const auto hits = editor.findInDataBlocks(entry);
    // Change the numeric name in the stream and in the bucket alike: the record
    // agrees with the stream but now hashes to a neighbouring bucket.
    entry[0] ^= 0x01;
    for (const auto& [bid, at] : hits) replaceInBlock(bid, at, entry);
    EXPECT_EQ(rulesAfterEdit(), (Rules{"nameid.bucket", "nameid.bucket-missing"})) << report();
}

TEST_F(NamedPropertyMutation, BucketRecordDisagreesWithTheStream) {
    std::vector<std::uint8_t> entry = numericEntry();
    ASSERT_EQ(entry.size(), 8u);
    const auto hits = editor.findInDataBlocks(entry);
    // The hash bucket (a heap allocation of the map's PC) is the hit in the
    // map's own data block; the stream lives in a subnode.
    const std::uint64_t mapBlock = blockKey(editor.nodes().at(0x61).dataBid);
    entry[0] ^= 0x01;
    for (const auto& [bid, at] : hits)
        if (blockKey(bid) == mapBlock) replaceInBlock(bid, at, entry);
    EXPECT_EQ(rulesAfterEdit(), (Rules{"nameid.hash-value", "nameid.bucket-missing"})) << report();
}

}  // namespace
}  // namespace tessaly::pst::verify::testing
