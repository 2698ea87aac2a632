// The file header, the allocation maps and the node database writer: field
// offsets, free-space accounting and what a finished file holds.

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>

#include "pst/ndb/crc32.h"
#include "pst/ndb/file_header.h"
#include "pst/ndb/file_space.h"
#include "pst/ndb/little_endian.h"
#include "pst/ndb/node_database_writer.h"
#include "pst/ndb/permutation_encoding.h"
#include "pst/pst_error.h"
#include "support/test_files.h"

namespace tessaly::pst {
namespace {

const std::uint8_t* at(const std::string& file, std::size_t offset) {
    return reinterpret_cast<const std::uint8_t*>(file.data()) + offset;
}

TEST(FileHeader, PlacesEveryFieldOfTheUnicodeLayout) {
    FileHeader header;
    header.nextPageBid = 0x1234;
    header.nextBlockBid = 0x5678;
    header.unique = 0xA1B2C3D4;
    header.nextNidIndex.fill(0x400);
    header.nextNidIndex[4] = 0x10002;
    header.fileEof = 0x42400;
    header.lastAMapOffset = 0x4400;
    header.amapFreeBytes = 0x23B80;
    header.nodeBTreeRoot = {0xC07, 0x17C00};
    header.blockBTreeRoot = {0xC0A, 0xAC00};
    const auto bytes = header.serialize();
    const std::string s(bytes.begin(), bytes.end());
    EXPECT_EQ(s.substr(0, 4), "!BDN");
    EXPECT_EQ(s.substr(8, 2), "SM");
    EXPECT_EQ(get16(at(s, 10)), 23);
    EXPECT_EQ(get16(at(s, 12)), 19);
    EXPECT_EQ(get64(at(s, 32)), 0x1234u);
    EXPECT_EQ(get32(at(s, 40)), 0xA1B2C3D4u);
    EXPECT_EQ(get32(at(s, 44 + 4 * 4)), 0x10002u);
    EXPECT_EQ(get64(at(s, 184)), 0x42400u);
    EXPECT_EQ(get64(at(s, 192)), 0x4400u);
    EXPECT_EQ(get64(at(s, 200)), 0x23B80u);
    EXPECT_EQ(get64(at(s, 216)), 0xC07u);
    EXPECT_EQ(get64(at(s, 224)), 0x17C00u);
    EXPECT_EQ(get64(at(s, 232)), 0xC0Au);
    EXPECT_EQ(get64(at(s, 240)), 0xAC00u);
    EXPECT_EQ(bytes[248], 2);
    EXPECT_EQ(bytes[512], 0x80);
    EXPECT_EQ(bytes[513], 1);
    EXPECT_EQ(get64(at(s, 516)), 0x5678u);
    EXPECT_EQ(bytes[256], 0xFF);
    EXPECT_EQ(bytes[511], 0xFF);
    EXPECT_EQ(get32(at(s, 4)), computeCrc(bytes.data() + 8, 471));
    EXPECT_EQ(get32(at(s, 524)), computeCrc(bytes.data() + 8, 516));
}

TEST(FileSpace, FirstRangeStartsWithItsAllocationAndPageMaps) {
    FileSpace space("test.pst");
    EXPECT_EQ(space.allocate(100, 64), 0x4800u);  // after AMap 0x4400 and PMap 0x4600
    EXPECT_EQ(space.allocate(64, 64), 0x4880u);
    EXPECT_EQ(space.allocate(512, 512), 0x4A00u);  // pages are 512-aligned
    EXPECT_TRUE(space.isAllocated(0x4400));
    EXPECT_TRUE(space.isAllocated(0x4840));
    EXPECT_FALSE(space.isAllocated(0x48C0));       // alignment gap stays free
    EXPECT_TRUE(space.isAllocated(0x4A00 + 511));
    EXPECT_EQ(space.fileEnd(), 0x4400u + 253952u);
    // In use: two map pages, 128 + 64 bytes of blocks, one page.
    EXPECT_EQ(space.freeBytes(), 253952u - (1024 + 192 + 512));
}

TEST(FileSpace, BlocksThatDoNotFitStartTheNextRange) {
    FileSpace space("test.pst");
    std::uint64_t last = 0;
    for (int i = 0; i < 40; ++i) last = space.allocate(8192, 64);
    EXPECT_EQ(space.rangeCount(), 2u);
    // Range 1 has an AMap page but no PMap (those come every eighth range).
    EXPECT_EQ(FileSpace::rangeStart(1), 0x4400u + 253952u);
    EXPECT_GE(last, FileSpace::rangeStart(1) + 512);
    const auto amap = space.amapPage(1);
    EXPECT_EQ(amap[0], 0xFF);
    EXPECT_EQ(amap[496], 0x84);
    EXPECT_EQ(get64(amap.data() + 504), FileSpace::rangeStart(1));
    EXPECT_EQ(get16(amap.data() + 498), 0);
}

TEST(FileSpace, RangeOneHundredTwentyEightCarriesTheFirstFreeMap) {
    FileSpace space("big.pst");
    while (space.rangeCount() < 129) space.allocate(8192, 64);
    const std::uint64_t start = FileSpace::rangeStart(128);
    EXPECT_EQ(start + 0x400, 0x4400u + 128u * 253952u + 0x400u);
    for (std::uint64_t page : {start, start + 0x200, start + 0x400}) EXPECT_TRUE(space.isAllocated(page));
    const auto fmap = space.fmapPage(128);
    EXPECT_EQ(fmap[496], 0x82);
    EXPECT_EQ(get64(fmap.data() + 504), start + 0x400);
    // Range 128 holds one 8 KB block after its three map pages.
    EXPECT_EQ(fmap[0], 255);
    EXPECT_EQ(space.longestFreeRun(128), 496u * 8 - 24 - 128);
    EXPECT_EQ(fmap[1], 0);  // no range 129 yet
}

TEST(NodeDatabaseWriter, FinishedFileHasConsistentHeaderMapsAndBlocks) {
    testing::TempDir dir;
    const auto path = dir.path() / "plain.pst";
    {
        NodeDatabaseWriter writer(path, 0x1234);
        const Bytes small = {'h', 'e', 'l', 'l', 'o'};
        const Bid data = writer.writeData(small);
        Bytes large(20000, 0x5A);
        const Bid tree = writer.writeData(large);
        EXPECT_TRUE(tree & kInternalBidFlag);
        const Bid sub = writer.writeSubnodeTree({{makeNid(NidType::Ltp, 0x401), tree, 0}});
        writer.addNode(0x21, data, sub, 0);
        EXPECT_FALSE(std::filesystem::exists(path));  // only the temporary file so far
        writer.finish();
        // The data block: own count + node; the tree: own + subnode entry; its
        // three data blocks: own + tree entry.
        const auto& blocks = writer.blocks();
        ASSERT_EQ(blocks.size(), 6u);
        EXPECT_EQ(blocks[0].refs, 2);
        for (int i = 1; i <= 3; ++i) EXPECT_EQ(blocks[i].refs, 2);
        EXPECT_EQ(blocks[4].refs, 2);  // XBLOCK
        EXPECT_EQ(blocks[5].refs, 2);  // SLBLOCK
    }
    const std::string file = testing::readFile(path);
    EXPECT_FALSE(std::filesystem::exists(path.string() + ".tmp"));
    EXPECT_EQ(file.size(), get64(at(file, 184)));
    EXPECT_EQ(file.size(), 0x4400u + 253952u);
    EXPECT_EQ(get32(at(file, 4)), computeCrc(at(file, 8), 471));
    EXPECT_EQ(get32(at(file, 524)), computeCrc(at(file, 8), 516));
    // The first block holds "hello", permutation-encoded.
    Bytes stored(at(file, 0x4800), at(file, 0x4805));
    decodePermutation(stored.data(), stored.size());
    EXPECT_EQ(std::string(stored.begin(), stored.end()), "hello");
    // The AMap's free count agrees with the header.
    std::uint64_t used = 0;
    for (std::size_t i = 0; i < 496; ++i) used += std::popcount(static_cast<unsigned>(file[0x4400 + i] & 0xFF));
    EXPECT_EQ(get64(at(file, 200)), 253952u - used * 64);
    // The node B-tree root is a one-entry leaf holding NID 0x21.
    const std::uint64_t nbt = get64(at(file, 224));
    EXPECT_EQ(static_cast<std::uint8_t>(file[nbt + 488]), 1);
    EXPECT_EQ(static_cast<std::uint8_t>(file[nbt + 491]), 0);
    EXPECT_EQ(get32(at(file, nbt)), 0x21u);
    EXPECT_EQ(get32(at(file, nbt + 504)), get32(at(file, 216)));
}

TEST(NodeDatabaseWriter, ManyNodesMakeAMultiLevelNodeBTree) {
    testing::TempDir dir;
    const auto path = dir.path() / "many.pst";
    {
        NodeDatabaseWriter writer(path, 1);
        const Bid data = writer.writeData(Bytes{1, 2, 3});
        for (int i = 0; i < 400; ++i) writer.addNode(writer.newNid(NidType::NormalMessage), data, 0, 0x8022);
        writer.finish();
        EXPECT_EQ(writer.blocks()[0].refs, 401);
    }
    const std::string file = testing::readFile(path);
    const std::uint64_t root = get64(at(file, 224));
    // 400 entries need 27 leaves, so two levels of index pages.
    EXPECT_EQ(static_cast<std::uint8_t>(file[root + 491]), 2);
    EXPECT_EQ(static_cast<std::uint8_t>(file[root + 488]), 2);
    EXPECT_EQ(get32(at(file, 44 + 4 * 4)), 0x10000u + 400);
}

TEST(NodeDatabaseWriter, AnUnwritablePathNamesTheFile) {
    try {
        NodeDatabaseWriter writer("/nonexistent-folder/x.pst", 1);
        FAIL() << "no error";
    } catch (const PstError& error) {
        EXPECT_EQ(error.file(), "/nonexistent-folder/x.pst");
        EXPECT_NE(std::string(error.what()).find("cannot create"), std::string::npos);
    }
}

}  // namespace
}  // namespace tessaly::pst
