// The file header, the allocation maps and the node database writer: field
// offsets, free-space accounting and what a finished file holds.

#include <gtest/gtest.h>

#include <filesystem>

#include "pst/ndb/file_header.h"
#include "pst/ndb/file_space.h"
#include "pst/ndb/little_endian.h"
#include "pst/ndb/node_database_writer.h"
#include "pst/ndb/permutation_encoding.h"
#include "support/pst_readers.h"
#include "support/test_files.h"

namespace tessaly::pst {
namespace {

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
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "!BDN");
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 10), "SM");
    const struct { std::size_t offset; int size; std::uint64_t value; } fields[] = {
        {10, 2, 23},          {12, 2, 19},          {32, 8, 0x1234},      {40, 4, 0xA1B2C3D4}, {44 + 4 * 4, 4, 0x10002},
        {184, 8, 0x42400},    {192, 8, 0x4400},     {200, 8, 0x23B80},    {216, 8, 0xC07},     {224, 8, 0x17C00},
        {232, 8, 0xC0A},      {240, 8, 0xAC00},     {248, 1, 2},          {256, 1, 0xFF},      {511, 1, 0xFF},
        {512, 1, 0x80},       {513, 1, 1},          {516, 8, 0x5678},
    };
    for (const auto& field : fields) {
        std::uint64_t value = 0;
        for (int i = field.size - 1; i >= 0; --i) value = (value << 8) | bytes[field.offset + i];
        EXPECT_EQ(value, field.value) << "offset " << field.offset;
    }
}

TEST(FileSpace, RangeOneHundredTwentyEightCarriesTheFirstFreeMap) {
    FileSpace space("big.pst");
    while (space.rangeCount() < 129) space.allocate(8192, 64);
    const std::uint64_t start = FileSpace::rangeStart(128);
    EXPECT_EQ(start, 0x4400u + 128u * 253952u);
    for (std::uint64_t page : {start, start + 0x200, start + 0x400}) EXPECT_TRUE(space.isAllocated(page));
    const auto fmap = space.fmapPage(128);
    EXPECT_EQ(fmap[496], 0x82);
    EXPECT_EQ(get64(fmap.data() + 504), start + 0x400);
    // Range 128 holds one 8 KB block after its three map pages.
    EXPECT_EQ(fmap[0], 255);
    EXPECT_EQ(space.longestFreeRun(128), 496u * 8 - 24 - 128);
    EXPECT_EQ(fmap[1], 0);  // no range 129 yet
}

TEST(NodeDatabaseWriter, WritesEncodedBlocksUnderATemporaryNameUntilFinished) {
    testing::TempDir dir;
    const auto path = dir.path() / "plain.pst";
    {
        NodeDatabaseWriter writer(path, 0x1234);
        const Bid data = writer.writeData(Bytes{'h', 'e', 'l', 'l', 'o'});
        const Bid tree = writer.writeData(Bytes(20000, 0x5A));
        EXPECT_TRUE(tree & kInternalBidFlag);
        writer.addNode(0x21, data, writer.writeSubnodeTree({{makeNid(NidType::Ltp, 0x401), tree, 0}}), 0);
        EXPECT_FALSE(std::filesystem::exists(path));  // only the temporary file so far
        writer.finish();
    }
    EXPECT_EQ(std::filesystem::directory_iterator(dir.path())->path(), path);  // the temporary name is gone
    // Header, maps, pages, blocks and reference counts are sound (there is no
    // message store above them, which the layers above report).
    for (const auto& finding : verify::verifyPstFile(path).violations)
        EXPECT_TRUE(finding.location.layer != "header" && finding.location.layer != "ndb") << verify::describe(finding);
    // The first block holds "hello", permutation-encoded.
    const std::string file = testing::readFile(path);
    Bytes stored(file.begin() + 0x4800, file.begin() + 0x4805);
    EXPECT_NE(std::string(stored.begin(), stored.end()), "hello");
    decodePermutation(stored.data(), stored.size());
    EXPECT_EQ(std::string(stored.begin(), stored.end()), "hello");
}

// Every store a test writes has its nodes in a few rising runs; here
// hundreds of them.
TEST(NodeDatabaseWriter, IndexesNodesInNidOrderWhateverOrderTheyCameIn) {
    testing::TempDir dir;
    const auto path = dir.path() / "order.pst";
    {
        NodeDatabaseWriter writer(path, 0x1234);
        const Bid data = writer.writeData(Bytes{'x'});
        for (std::uint32_t i = 0; i < 600; ++i) writer.addNode(makeNid(NidType::Ltp, 0x400 + (i * 277) % 600), data, 0, 0);
        writer.finish();
    }
    for (const auto& finding : verify::verifyPstFile(path).violations)
        EXPECT_TRUE(finding.location.layer != "header" && finding.location.layer != "ndb") << verify::describe(finding);
}

}  // namespace
}  // namespace tessaly::pst
