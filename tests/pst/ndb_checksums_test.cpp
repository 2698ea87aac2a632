// CRC, block encoding and trailers, checked against the published algorithm and
// against pages and blocks of a file Outlook wrote.

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "pst/ndb/block.h"
#include "pst/ndb/crc32.h"
#include "pst/ndb/little_endian.h"
#include "pst/ndb/page.h"
#include "pst/ndb/permutation_encoding.h"
#include "outlook_reference_file.h"
#include "support/test_files.h"

namespace tessaly::pst {
namespace {

TEST(Crc, StartsFromZeroWithoutFinalInversion) {
    const std::string text = "123456789";
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    // The register runs from 0 and is returned as is, unlike zip's CRC-32
    // (0xCBF43926), which starts from and inverts with 0xFFFFFFFF.
    EXPECT_EQ(computeCrc(data, text.size()), 0x2DFD2D88u);
    EXPECT_EQ(computeCrc(data, 0), 0u);
    // Chaining over two parts equals one pass.
    EXPECT_EQ(computeCrc(data + 4, 5, computeCrc(data, 4)), computeCrc(data, 9));
}

TEST(Crc, ReproducesBothHeaderChecksumsOfAnOutlookFile) {
    const std::string file = outlookFile();
    EXPECT_EQ(computeCrc(bytesAt(file, 8), 471), get32(bytesAt(file, 4)));
    EXPECT_EQ(computeCrc(bytesAt(file, 8), 516), get32(bytesAt(file, 524)));
}

TEST(PermutationEncoding, UsesThePublishedSubstitution) {
    const auto& encode = permutationEncodeTable();
    EXPECT_EQ(encode[0x00], 0x41);
    EXPECT_EQ(encode[0x01], 0x36);
    EXPECT_EQ(encode[0xEC], 0xFF);  // the heap signature byte
    EXPECT_EQ(encode[0xFF], 0x3D);
    EXPECT_EQ(permutationDecodeTable()[0x00], 0x47);
}

TEST(PermutationEncoding, DecodingUndoesEncodingForEveryByte) {
    Bytes data(256);
    for (int i = 0; i < 256; ++i) data[i] = static_cast<std::uint8_t>(i);
    Bytes copy = data;
    encodePermutation(copy.data(), copy.size());
    EXPECT_NE(copy, data);
    decodePermutation(copy.data(), copy.size());
    EXPECT_EQ(copy, data);
}

TEST(PageTrailer, MapPagesMatchOutlooksTrailers) {
    const std::string file = outlookFile();
    for (auto [offset, type] : {std::pair{0x4400u, PageType::AllocationMap}, std::pair{0x4600u, PageType::PageMap}}) {
        PageImage page{};
        std::copy(bytesAt(file, offset), bytesAt(file, offset + kPageDataSize), page.begin());
        sealMapPage(page.data(), type, offset);
        EXPECT_TRUE(std::equal(page.begin(), page.end(), bytesAt(file, offset))) << "page at " << offset;
    }
}

TEST(PageTrailer, IndexPagesMatchOutlooksTrailers) {
    const std::string file = outlookFile();
    // The node B-tree root (BID 0xC07 at 0x17C00) and the density list
    // (BID 0xC0B at 0x4200), both signed with offset and BID.
    for (auto [offset, bid, type] : {std::tuple{0x17C00u, 0xC07u, PageType::NodeBTree},
                                     std::tuple{0x4200u, 0xC0Bu, PageType::DensityList}}) {
        PageImage page{};
        std::copy(bytesAt(file, offset), bytesAt(file, offset + kPageDataSize), page.begin());
        sealIndexPage(page.data(), type, bid, offset);
        EXPECT_TRUE(std::equal(page.begin(), page.end(), bytesAt(file, offset))) << "page at " << offset;
    }
}

TEST(BlockTrailer, ReproducesAnOutlookBlockWithPadding) {
    const std::string file = outlookFile();
    // BID 4 at 0x5800 holds 156 stored bytes: 192 bytes on disk.
    const Bytes image = buildBlockImage(bytesAt(file, 0x5800), 156, 0x4, 0x5800);
    ASSERT_EQ(image.size(), 192u);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), bytesAt(file, 0x5800)));
}

TEST(BlockTrailer, SizesRoundUpToSixtyFourWithTheTrailer) {
    EXPECT_EQ(blockDiskSize(0), 64u);
    EXPECT_EQ(blockDiskSize(48), 64u);
    EXPECT_EQ(blockDiskSize(49), 128u);
    EXPECT_EQ(blockDiskSize(kMaxBlockPayload), 8192u);
}

}  // namespace
}  // namespace tessaly::pst
