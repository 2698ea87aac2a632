// Mutation tests: each row takes Outlook's reference file, damages it in
// exactly one way (repairing checksums where the damage is not the checksum
// itself) and names the rules the verifier must report for that damage.

#include <gtest/gtest.h>

#include <algorithm>

#include "pst/verify/cyclic_decoding.h"
#include "pst/verify/little_endian.h"
#include "verify_pst_editing.h"

namespace tessaly::pst::verify::testing {
namespace {

using Rules = std::set<std::string>;
using Plain = std::vector<std::uint8_t>;

struct Mutation {
    const char* behaviour;
    Rules rules;
    bool exactly;  // the report names these rules and no other
    void (*damage)(PstEditor&);
    const char* file = kOutlookDistList;  // the Outlook file damaged
};

void setHeader(PstEditor& e, std::uint64_t offset, int size, std::uint64_t value) {
    e.put(offset, size, value);
    e.fixHeaderCrcs();
}
std::uint64_t nbtRoot(const PstEditor& e) { return e.get(224, 8); }
std::uint64_t bbtRoot(const PstEditor& e) { return e.get(240, 8); }
std::uint64_t dataOf(const PstEditor& e, std::uint64_t nid) { return e.nodes().at(nid).dataBid; }
std::uint64_t trailerOf(const PstEditor& e, std::uint64_t bid) {
    const BlockEntry& block = e.block(bid);
    return block.ib + blockFootprint(block.size) - 16;
}
void swapBytes(PstEditor& e, std::uint64_t a, std::uint64_t b, std::size_t size) {
    std::swap_ranges(e.bytes.begin() + a, e.bytes.begin() + a + size, e.bytes.begin() + b);
}
// Rewrites field `at` (`size` bytes) of node `nid`'s NBT entry, the page CRC repaired.
void setNodeEntry(PstEditor& e, std::uint64_t nid, int at, int size, std::uint64_t value) {
    const std::uint64_t page = e.nodes().at(nid).pageOffset;
    e.put(e.nbtEntryOffset(nid) + at, size, value);
    e.fixPageCrc(page);
}
// Sets one byte of the node B-tree leaf page that holds node 0x21.
void setLeafPageByte(PstEditor& e, int at, std::uint8_t value) {
    const std::uint64_t page = e.nodes().at(0x21).pageOffset;
    e.bytes[page + at] = value;
    e.fixPageCrc(page);
}
void changeRefCount(PstEditor& e, int delta) {
    const std::uint64_t bid = dataOf(e, 0x21);
    const std::uint64_t entry = e.bbtEntryOffset(bid);
    e.put(entry + 18, 2, e.get(entry + 18, 2) + delta);
    e.fixPageCrc(e.block(bid).pageOffset);
}
void patchBlock(PstEditor& e, std::uint64_t bid, std::size_t at, const Plain& to) {
    Plain plain = e.decodedBlock(bid);
    std::copy(to.begin(), to.end(), plain.begin() + at);
    e.writeDecodedBlock(bid, plain);
}
// Offset of heap allocation `hid` inside a heap's first block.
std::size_t allocation(const Plain& block, std::uint32_t hid) {
    return readU16(block, readU16(block, 0) + 4 + 2 * (((hid >> 5) & 0x7FF) - 1));
}
// Where the root folder's hierarchy table (0x12D) keeps its TCINFO.
std::size_t tableInfo(const Plain& plain) { return allocation(plain, readU32(plain, 4)); }
// Changes byte `at` past `found` in the data block of the first node of type `type` holding it.
void patchNodeOfType(PstEditor& e, std::uint8_t type, const Plain& found, std::size_t at, std::uint8_t value) {
    for (const auto& [bid, offset] : e.findInDataBlocks(found))
        for (const auto& [nid, node] : e.nodes())
            if (nodeType(nid) == type && blockKey(node.dataBid) == blockKey(bid))
                return patchBlock(e, bid, offset + at, {value});
    ADD_FAILURE() << "no node of type " << int(type) << " holds the bytes";
}
// Offset of the store's PidTagIpmSubTreeEntryId NID (0x8022) in its PC's block.
std::size_t subtreeEntryIdNid(const Plain& plain) {
    const Plain subtree = {0x22, 0x80, 0x00, 0x00};
    for (auto at = plain.begin() + 20; (at = std::search(at, plain.end(), subtree.begin(), subtree.end())) != plain.end();
         ++at)
        if (*(at - 20) == 0 && *(at - 17) == 0) return at - plain.begin();  // the entry id's flags are zero
    ADD_FAILURE() << "no subtree entry id";
    return 20;
}
bool mapBit(const PstEditor& e, std::uint64_t map, std::uint64_t bit) {
    return e.bytes[map + bit / 8] & (0x80 >> (bit % 8));
}
// Flips bit `bit` of the allocation or page map at `map`, its CRC and the header's
// free-space count at `freeField` (by `unit` bytes a bit) following.
void flipMapBit(PstEditor& e, std::uint64_t map, std::uint64_t bit, int freeField, std::uint64_t unit) {
    e.bytes[map + bit / 8] ^= static_cast<std::uint8_t>(0x80 >> (bit % 8));
    e.fixPageCrc(map);
    const std::uint64_t free = e.get(freeField, 8);
    setHeader(e, freeField, 8, mapBit(e, map, bit) ? free - unit : free + unit);
}
// The 8 bytes of the first numeric NAMEID of the name map's entry stream that
// occur twice in the file: in the stream and in its hash bucket.
Plain numericNameEntry(const PstEditor& e) {
    const StoreContents store = e.contents();
    const Plain& entries = store.nameToIdMap->at(0x0003).bytes.value();
    for (std::size_t offset = 0; offset + 8 <= entries.size(); offset += 8) {
        const Plain entry(entries.begin() + offset, entries.begin() + offset + 8);
        if (!(entry[4] & 1) && e.findInDataBlocks(entry).size() == 2) return entry;
    }
    ADD_FAILURE() << "no numeric name entry";
    return Plain(8, 0);
}

// The data trees (XBLOCKs) of the file, each with the blocks it lists.
std::vector<std::pair<std::uint64_t, std::vector<std::uint64_t>>> dataTrees(const PstEditor& e) {
    std::vector<std::pair<std::uint64_t, std::vector<std::uint64_t>>> trees;
    for (const auto& [key, block] : e.blocks()) {
        if (!isInternalBid(block.bid) || e.bytes[block.ib] != 0x01 || e.bytes[block.ib + 1] != 1) continue;
        std::vector<std::uint64_t> children;
        for (std::uint64_t i = 0; i < e.get(block.ib + 2, 2); ++i) children.push_back(e.get(block.ib + 8 + 8 * i, 8));
        trees.emplace_back(block.bid, std::move(children));
    }
    return trees;
}
// Shortens data block `child` of data tree `tree` to `size` bytes, as a writer
// that stopped it short would have: its block B-tree entry, its trailer (at
// the new end) and the tree's byte total follow, checksums repaired.
void shortenBlock(PstEditor& e, std::uint64_t tree, std::uint64_t child, std::uint16_t size) {
    const BlockEntry block = e.block(child);
    const std::uint64_t oldTrailer = trailerOf(e, child);
    const std::uint64_t trailer = block.ib + blockFootprint(size) - 16;
    const std::uint64_t signature = e.get(oldTrailer + 2, 2);
    e.put(e.bbtEntryOffset(child) + 16, 2, size);
    e.fixPageCrc(block.pageOffset);
    e.put(trailer, 2, size);
    e.put(trailer + 2, 2, signature);
    e.put(trailer + 4, 4, pstCrc32(Bytes(e.bytes.data() + block.ib, size)));
    e.put(trailer + 8, 8, block.bid);
    const BlockEntry& parent = e.block(tree);
    e.put(parent.ib + 4, 4, e.get(parent.ib + 4, 4) - (block.size - size));
    e.put(trailerOf(e, tree) + 4, 4, pstCrc32(Bytes(e.bytes.data() + parent.ib, parent.size)));
}

const Mutation kMutations[] = {
    // --- header ---
    {"WrongPartialHeaderCrc", {"header.crc-partial"}, true, [](PstEditor& e) { e.bytes[4] ^= 0x01; }},
    // Offset 500 lies past the 471 bytes of the partial CRC: only the full one breaks.
    {"ByteCoveredOnlyByTheFullCrc", {"header.crc-full"}, true, [](PstEditor& e) { e.bytes[500] ^= 0x01; }},
    {"UnsupportedVersion", {"header.version"}, true, [](PstEditor& e) { setHeader(e, 10, 2, 24); }},
    {"WrongClientVersion", {"header.client-version"}, true, [](PstEditor& e) { setHeader(e, 12, 2, 18); }},
    {"WrongPlatform", {"header.platform"}, true, [](PstEditor& e) { setHeader(e, 14, 1, 2); }},
    {"WrongSentinel", {"header.sentinel"}, true, [](PstEditor& e) { setHeader(e, 512, 1, 0x81); }},
    {"UndefinedEncoding", {"header.crypt-method"}, true, [](PstEditor& e) { setHeader(e, 513, 1, 3); }},
    {"AllocationMapsDeclaredInvalid", {"header.amap-valid"}, true, [](PstEditor& e) { setHeader(e, 248, 1, 0); }},
    {"EndOfFileDisagreesWithTheFile", {"header.file-eof"}, true,
     [](PstEditor& e) { setHeader(e, 184, 8, e.bytes.size() + 0x3E000); }},
    {"FileThatDoesNotEndOnAnAllocationMapBoundary", {"header.file-size"}, false,
     [](PstEditor& e) {
         e.bytes.resize(e.bytes.size() + 512, 0);
         setHeader(e, 184, 8, e.bytes.size());
     }},
    {"LastAllocationMapMisplaced", {"header.amap-last"}, true,
     [](PstEditor& e) { setHeader(e, 192, 8, e.get(192, 8) + 0x3E000); }},
    {"FreeSpaceCountOffByOneSlot", {"amap.free-mismatch"}, true,
     [](PstEditor& e) { setHeader(e, 200, 8, e.get(200, 8) + 64); }},
    {"FreePageCountOffByOnePage", {"pmap.free-mismatch"}, true,
     [](PstEditor& e) { setHeader(e, 208, 8, e.get(208, 8) - 512); }},
    {"BlockCounterNotAboveTheBlocksInUse", {"header.bid-counter"}, true,
     [](PstEditor& e) { setHeader(e, 516, 8, e.blocks().rbegin()->first); }},
    {"PageCounterNotAboveThePagesInUse", {"header.page-counter"}, true,
     [](PstEditor& e) {
         const auto byBid = [](const auto& a, const auto& b) { return a.second < b.second; };
         setHeader(e, 32, 8, std::max_element(e.pages().begin(), e.pages().end(), byBid)->second);
     }},
    {"FolderCounterBelowAFolderInUse", {"header.nid-counter"}, true,
     [](PstEditor& e) { setHeader(e, 44 + 4 * kNidNormalFolder, 4, 0x400); }},
    // --- pages and B-trees ---
    // dwPadding: covered by the CRC, read by nothing else.
    {"WrongPageCrc", {"page.crc"}, true, [](PstEditor& e) { e.bytes[nbtRoot(e) + 492] ^= 0x10; }},
    {"WrongPageSignature", {"page.signature"}, true, [](PstEditor& e) { e.bytes[bbtRoot(e) + 498] ^= 0x01; }},
    {"WrongPageType", {"page.type"}, true, [](PstEditor& e) { e.bytes[bbtRoot(e) + 497] = 0x81; }},
    {"WrongAllocationMapCrc", {"page.crc"}, false, [](PstEditor& e) { e.bytes[0x4400 + 495] ^= 0x01; }},
    {"PageTrailerNamingAnotherPage", {"page.bid"}, true,
     [](PstEditor& e) {
         const std::uint64_t root = nbtRoot(e);
         const std::uint64_t other = e.get(root + 504, 8) - 4;
         e.put(root + 504, 8, other);
         e.put(root + 498, 2, trailerSignature(root, other));
     }},
    // The first leaf page starts 0x21, 0x61, 0x122: swap the first two entries.
    {"UnsortedNodeBTreePage", {"btree.order"}, true,
     [](PstEditor& e) {
         const std::uint64_t page = e.nodes().at(0x21).pageOffset;
         swapBytes(e, page, page + 32, 32);
         e.fixPageCrc(page);
     }},
    // An NBT leaf holds at most 15 entries.
    {"EntryCountAboveTheMaximum", {"btree.entry-count"}, false, [](PstEditor& e) { setLeafPageByte(e, 488, 16); }},
    {"ChildPageAtTheWrongLevel", {"btree.level"}, false, [](PstEditor& e) { setLeafPageByte(e, 491, 1); }},
    // The NBT root's second entry points at the first entry's child page.
    {"BTreePageReachedTwice", {"btree.cycle"}, false,
     [](PstEditor& e) {
         const std::uint64_t root = nbtRoot(e);
         e.put(root + 24 + 8, 8, e.get(root + 8, 8));
         e.put(root + 24 + 16, 8, e.get(root + 16, 8));
         e.fixPageCrc(root);
     }},
    // --- blocks and reference counts ---
    {"WrongBlockCrc", {"block.crc"}, true, [](PstEditor& e) { e.bytes[trailerOf(e, dataOf(e, 0x21)) + 4] ^= 0x01; }},
    {"WrongBlockSignature", {"block.signature"}, true,
     [](PstEditor& e) { e.bytes[trailerOf(e, dataOf(e, 0x21)) + 2] ^= 0x01; }},
    {"BlockTrailerNamingAnotherBlock", {"block.bid"}, false,
     [](PstEditor& e) { e.put(trailerOf(e, dataOf(e, 0x21)) + 8, 8, e.block(dataOf(e, 0x21)).bid + 4); }},
    {"BlockTrailerWithAnotherSize", {"block.trailer-size"}, false,
     [](PstEditor& e) { e.put(trailerOf(e, dataOf(e, 0x21)), 2, e.block(dataOf(e, 0x21)).size - 1); }},
    {"ReferenceCountOneTooHigh", {"bbt.refcount"}, true, [](PstEditor& e) { changeRefCount(e, +1); }},
    {"ReferenceCountOneTooLow", {"bbt.refcount"}, true, [](PstEditor& e) { changeRefCount(e, -1); }},
    // A data block id never handed out.
    {"NodeNamesABlockTheBlockBTreeLacks", {"node.missing-block"}, false,
     [](PstEditor& e) { setNodeEntry(e, 0x21, 8, 8, e.get(516, 8) + 4); }},
    // Node 0x730 keeps 15 subnodes in one SLBLOCK: swap its first two entries.
    {"UnsortedSubnodeBlock", {"subnode.order"}, true,
     [](PstEditor& e) {
         const BlockEntry& block = e.block(e.nodes().at(0x730).subnodeBid);
         swapBytes(e, block.ib + 8, block.ib + 32, 24);
         e.put(trailerOf(e, block.bid) + 4, 4, pstCrc32(Bytes(e.bytes.data() + block.ib, block.size)));
     }},
    // --- allocation maps ---
    {"BlockTheAllocationMapCallsFree", {"amap.unmarked-use"}, true,
     [](PstEditor& e) {
         const std::uint64_t ib = e.block(dataOf(e, 0x21)).ib;
         const std::uint64_t amap = 0x4400 + (ib - 0x4400) / 0x3E000 * 0x3E000;
         flipMapBit(e, amap, (ib - amap) / 64, 200, 64);
     }},
    // A free slot of the first AMap whose 512-byte page the PMap counts as used.
    {"AllocationMapMarksFreeSpace", {"amap.marked-unused"}, true,
     [](PstEditor& e) {
         std::uint64_t slot = 8;
         while (slot < 3968 && (mapBit(e, 0x4400, slot) || !mapBit(e, 0x4600, slot / 8))) ++slot;
         ASSERT_LT(slot, 3968u);
         flipMapBit(e, 0x4400, slot, 200, 64);
     }},
    {"PageInUseThePageMapCallsFree", {"pmap.free-page-in-use"}, true,
     [](PstEditor& e) { flipMapBit(e, 0x4600, (nbtRoot(e) - 0x4400) / 512, 208, 512); }},
    // --- heaps, property and table contexts ---
    {"HeapWithoutItsSignature", {"heap.signature"}, false, [](PstEditor& e) { patchBlock(e, dataOf(e, 0x21), 2, {0xED}); }},
    {"HeapPageMapOutsideItsBlock", {"heap.page-map"}, false,
     [](PstEditor& e) {
         const std::uint16_t size = e.block(dataOf(e, 0x21)).size;
         patchBlock(e, dataOf(e, 0x21), 0, {static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8)});
     }},
    {"PropertyContextWithATableSignature", {"pc.signature"}, false,
     [](PstEditor& e) { patchBlock(e, dataOf(e, 0x21), 3, {0x7C}); }},
    {"TableWithAPropertyContextSignature", {"tc.signature"}, true,
     [](PstEditor& e) { patchBlock(e, dataOf(e, 0x12D), 3, {0xBC}); }},
    // The message store's properties are then unreadable, which is reported too.
    {"PropertyContextBthWithTheWrongEntrySize", {"bth.header", "mandatory.message-store"}, true,
     [](PstEditor& e) {
         const Plain plain = e.decodedBlock(dataOf(e, 0x21));
         patchBlock(e, dataOf(e, 0x21), allocation(plain, readU32(plain, 4)) + 2, {8});
     }},
    // The store's PidTagRecordKey record: key 0x0FF9, type 0x0102 becomes 0x0099.
    {"PropertyOfAnUndefinedType", {"pc.type"}, false,
     [](PstEditor& e) {
         const auto hits = e.findInDataBlocks({0xF9, 0x0F, 0x02, 0x01});
         ASSERT_FALSE(hits.empty());
         patchBlock(e, hits[0].first, hits[0].second + 2, {0x99, 0x00});
     }},
    // Exchanges the row numbers of two rows of the root folder's hierarchy table.
    {"RowIndexPointingAtTheWrongRow", {"tc.row-index"}, true,
     [](PstEditor& e) {
         Plain plain = e.decodedBlock(dataOf(e, 0x12D));
         const std::size_t bth = allocation(plain, readU32(plain, tableInfo(plain) + 10));
         const std::size_t records = allocation(plain, readU32(plain, bth + 4));
         std::swap(plain[records + 4], plain[records + 12]);
         e.writeDecodedBlock(dataOf(e, 0x12D), plain);
     }},
    {"ColumnOfTheWrongCellSize", {"tc.column-size"}, false,
     [](PstEditor& e) {
         const Plain plain = e.decodedBlock(dataOf(e, 0x12D));
         patchBlock(e, dataOf(e, 0x12D), tableInfo(plain) + 22 + 6, {2});  // first column's cbData
     }},
    {"ColumnsOutOfTagOrder", {"tc.column-order"}, false,
     [](PstEditor& e) {
         Plain plain = e.decodedBlock(dataOf(e, 0x12D));
         const auto columns = plain.begin() + tableInfo(plain) + 22;
         std::swap_ranges(columns, columns + 8, columns + 8);
         e.writeDecodedBlock(dataOf(e, 0x12D), plain);
     }},
    // The row matrix (allocation 4) ends a row early, the next allocation taking the
    // bytes: it holds one row fewer than the index lists.
    {"RowMatrixShorterThanTheIndex", {"tc.row-count"}, false,
     [](PstEditor& e) {
         const Plain plain = e.decodedBlock(dataOf(e, 0x12D));
         const std::size_t end = readU16(plain, 0) + 4 + 2 * 4;  // rgibAlloc[4]
         const int shorter = readU16(plain, end) - plain[tableInfo(plain) + 8];  // less TCI_bm
         patchBlock(e, dataOf(e, 0x12D), end,
                    {static_cast<std::uint8_t>(shorter), static_cast<std::uint8_t>(shorter >> 8)});
     }},
    // Its row matrix of two blocks (100 rows of 81 bytes, then dead space):
    // the first without its dead space.
    {"RowMatrixBlockBeforeTheLastWithoutItsDeadSpace", {"tc.row-matrix-block-size"}, false,
     [](PstEditor& e) {
         for (const auto& [tree, children] : dataTrees(e))
             if (children.size() == 2 && e.block(children[1]).size == 8100) return shortenBlock(e, tree, children[0], 8100);
         FAIL() << "no row matrix of two blocks";
     },
     kOutlook2013},
    // A row's display-name cell points at HID 0x7FE0, which no allocation has.
    {"TableCellNamingNoAllocation", {"tc.cell"}, true,
     [](PstEditor& e) {
         Plain plain = e.decodedBlock(dataOf(e, 0x12D));
         const std::size_t info = tableInfo(plain);
         std::size_t cell = 0;
         for (std::size_t column = 0; column < plain[info + 1]; ++column)
             if (readU32(plain, info + 22 + 8 * column) == 0x3001001F)
                 cell = readU16(plain, info + 22 + 8 * column + 4);
         ASSERT_NE(cell, 0u);
         const std::size_t rows = allocation(plain, readU32(plain, info + 14));
         plain[rows + cell] = 0xE0;
         plain[rows + cell + 1] = 0x7F;
         e.writeDecodedBlock(dataOf(e, 0x12D), plain);
     }},
    // --- messaging layer ---
    // 0x261 renumbered 0x241 keeps the page sorted.
    {"MissingMandatoryNode", {"mandatory.node"}, true, [](PstEditor& e) { setNodeEntry(e, 0x261, 0, 4, 0x241); }},
    // A folder's associated contents table 0x802F renumbered 0x8030.
    {"FolderTableMissing", {"folder.tables"}, true, [](PstEditor& e) { setNodeEntry(e, 0x802F, 0, 4, 0x8030); }},
    {"FolderWhoseParentIsNoFolder", {"folder.parent"}, false, [](PstEditor& e) { setNodeEntry(e, 0x8042, 24, 4, 0x21); }},
    // Folder 0x8062 moves from 0x8022 to the root; neither hierarchy table follows.
    {"SubfolderMovedWithoutItsHierarchyRow", {"folder.hierarchy-count", "folder.hierarchy-row"}, false,
     [](PstEditor& e) { setNodeEntry(e, 0x8062, 24, 4, 0x122); }},
    // The Contacts folder holds two items; its PidTagContentCount becomes 3 and
    // the parent's hierarchy row, still saying 2, disagrees too.
    {"ContentCountDisagreesWithItsTable", {"folder.content-count", "folder.hierarchy-mismatch"}, true,
     [](PstEditor& e) { patchNodeOfType(e, kNidNormalFolder, {0x02, 0x36, 0x03, 0x00, 0x02, 0x00, 0x00, 0x00}, 4, 3); }},
    {"SubfolderFlagWithoutSubfolders", {"folder.subfolders"}, false,
     [](PstEditor& e) { patchNodeOfType(e, kNidNormalFolder, {0x0A, 0x36, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00}, 4, 1); }},
    // The message class changes in the contact's own property context only.
    {"ContentsRowDisagreesWithItsMessage", {"folder.contents-mismatch"}, true,
     [](PstEditor& e) {
         patchNodeOfType(e, kNidNormalMessage, {'I', 0, 'P', 0, 'M', 0, '.', 0, 'C', 0, 'o', 0, 'n', 0, 't', 0}, 8, 'D');
     }},
    // PidTagIpmSubTreeEntryId (flags 0, record key, NID 0x8022) made to name NID 0x21.
    {"StoreEntryIdNamingNoFolder", {"mandatory.folder"}, true,
     [](PstEditor& e) {
         patchBlock(e, dataOf(e, 0x21), subtreeEntryIdNid(e.decodedBlock(dataOf(e, 0x21))), {0x21, 0, 0, 0});
     }},
    // The first byte of the store's record key inside its own folder entry ids.
    {"EntryIdOfAnotherStore", {"store.entry-id"}, true,
     [](PstEditor& e) {
         const Plain plain = e.decodedBlock(dataOf(e, 0x21));
         const std::size_t at = subtreeEntryIdNid(plain) - 16;
         patchBlock(e, dataOf(e, 0x21), at, {static_cast<std::uint8_t>(plain[at] ^ 0xFF)});
     }},
    {"BucketCountOtherThan251", {"nameid.bucket-count"}, false,
     [](PstEditor& e) {
         const auto hits = e.findInDataBlocks({0x01, 0x00, 0x03, 0x00, 0xFB, 0x00, 0x00, 0x00});
         ASSERT_EQ(hits.size(), 1u);
         patchBlock(e, hits[0].first, hits[0].second + 4, {0xFA});
     }},
    // The numeric name changes in the stream and in the bucket alike: the
    // record agrees with the stream but now hashes to a neighbouring bucket.
    {"NamedPropertyFiledInTheWrongBucket", {"nameid.bucket", "nameid.bucket-missing"}, true,
     [](PstEditor& e) {
         Plain entry = numericNameEntry(e);
         const auto hits = e.findInDataBlocks(entry);
         entry[0] ^= 0x01;
         for (const auto& [bid, at] : hits) patchBlock(e, bid, at, entry);
     }},
    // Only the bucket's copy (in the map's own data block; the stream lives in a subnode) changes.
    {"BucketRecordDisagreesWithTheStream", {"nameid.hash-value", "nameid.bucket-missing"}, true,
     [](PstEditor& e) {
         Plain entry = numericNameEntry(e);
         const auto hits = e.findInDataBlocks(entry);
         entry[0] ^= 0x01;
         for (const auto& [bid, at] : hits)
             if (blockKey(bid) == blockKey(dataOf(e, 0x61))) patchBlock(e, bid, at, entry);
     }},
};

class VerifyMutation : public ::testing::TestWithParam<Mutation> {};

TEST_P(VerifyMutation, VerifierReportsTheRuleTheDamageBreaks) {
    PstEditor editor(loadPst(GetParam().file));
    GetParam().damage(editor);
    const VerificationReport report = editor.verify();
    const Rules found = violatedRules(report);
    if (GetParam().exactly) {
        EXPECT_EQ(found, GetParam().rules) << listing(report);
    } else {
        for (const std::string& rule : GetParam().rules) EXPECT_TRUE(found.count(rule)) << rule << "\n" << listing(report);
    }
}

INSTANTIATE_TEST_SUITE_P(OutlookFile, VerifyMutation, ::testing::ValuesIn(kMutations),
                         [](const auto& info) { return std::string(info.param.behaviour); });

// Every data block re-encoded with the cyclic encoding (its own inverse),
// keyed by the block id, and the header saying so: still a valid file.
TEST(VerifyEncoding, SameStoreWithCyclicEncodingStillPasses) {
    PstEditor editor(loadPst(kOutlookDistList));
    for (const auto& [key, block] : editor.blocks()) {
        if (isInternalBid(block.bid)) continue;
        Plain data = editor.decodedBlock(block.bid);
        cyclicDecode(data, static_cast<std::uint32_t>(block.bid));
        editor.writeStoredBlock(block.bid, data);
    }
    setHeader(editor, 513, 1, 2);
    const VerificationReport result = editor.verify();
    EXPECT_TRUE(result.passed()) << listing(result);
    EXPECT_EQ(result.warnings.size(), 1u);
}

}  // namespace
}  // namespace tessaly::pst::verify::testing
