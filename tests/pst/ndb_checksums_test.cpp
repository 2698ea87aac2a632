// CRC, block encodings, page and block trailers and the name hash, checked
// against values MS-PST publishes and against what Outlook wrote in its own
// file; the verifier's own forms (an independent implementation) beside the
// writer's where Outlook's files passing the verifier do not already prove them.

#include <gtest/gtest.h>

#include <vector>

#include <string>
#include <tuple>

#include "pst/ndb/block.h"
#include "pst/ndb/crc32.h"
#include "pst/ndb/page.h"
#include "pst/ndb/permutation_encoding.h"
#include "pst/verify/cyclic_decoding.h"
#include "pst/verify/name_to_id_map.h"
#include "verify_pst_editing.h"

namespace tessaly::pst {
namespace {

using verify::testing::kOutlookDistList;
using verify::testing::loadPst;

// Long runs are folded with the processor's carry-less multiply where it has
// one (from 256 bytes, 256 bytes a step where it has the wide one), and the verifier takes eight bytes a step: every length and start, from
// any register value, gives what the polynomial gives one bit at a time.
TEST(Crc, EveryLengthStartAndRegisterAgreesWithTheBitwiseDefinition) {
    const auto bitwise = [](const std::uint8_t* data, std::size_t size, std::uint32_t crc) {
        for (std::size_t i = 0; i < size; ++i) {
            crc ^= data[i];
            for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
        }
        return crc;
    };
    std::vector<std::uint8_t> data(9000);
    std::uint32_t state = 7;
    for (auto& byte : data) byte = static_cast<std::uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
    for (std::size_t size : {std::size_t{8176}, std::size_t{8999}})
        EXPECT_EQ(computeCrc(data.data() + 1, size, 0x12345678u), bitwise(data.data() + 1, size, 0x12345678u)) << size;
    for (std::size_t start = 0; start < 17; ++start)
        for (std::size_t size = 0; size < 600; ++size)
            for (const std::uint32_t crc : {0u, 0xFFFFFFFFu, 0x2DFD2D88u})
                ASSERT_EQ(computeCrc(data.data() + start, size, crc), bitwise(data.data() + start, size, crc))
                    << start << " " << size;
    for (std::size_t size = 0; size < 300; ++size)
        ASSERT_EQ(verify::pstCrc32(verify::Bytes(data.data() + 3, size)), bitwise(data.data() + 3, size, 0)) << size;
}

TEST(PermutationEncoding, UsesThePublishedTablesAndTheVerifierUndoesEveryByte) {
    // mpbbR, the encode direction, begins 65, 54, 19, 98, 168, 33, 110, 187.
    const std::uint8_t published[] = {65, 54, 19, 98, 168, 33, 110, 187};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(permutationEncodeTable()[i], published[i]) << i;
    EXPECT_EQ(permutationEncodeTable()[0xEC], 0xFF);  // the heap signature byte
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        EXPECT_EQ(permutationDecodeTable()[permutationEncodeTable()[byte]], byte) << b;
        EXPECT_EQ(verify::permutationDecodeByte(permutationEncodeTable()[byte]), byte) << b;
    }
}

// Every byte of a run of any length and start is replaced by its table entry,
// whether it falls in a whole word or in the bytes around one.
TEST(PermutationEncoding, EncodesEveryByteOfAnyRunThroughTheTable) {
    std::vector<std::uint8_t> source(300);
    for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<std::uint8_t>(i * 37 + 11);
    for (std::size_t start : {0u, 1u, 3u, 7u}) {
        for (std::size_t size : {0u, 1u, 7u, 8u, 9u, 15u, 16u, 17u, 31u, 32u, 33u, 63u, 64u, 65u, 255u, 256u, 293u}) {
            std::vector<std::uint8_t> data = source;
            encodePermutation(data.data() + start, size);
            for (std::size_t i = 0; i < data.size(); ++i) {
                const bool inside = i >= start && i < start + size;
                ASSERT_EQ(data[i], inside ? permutationEncodeTable()[source[i]] : source[i]) << start << " " << size << " " << i;
            }
        }
    }
}

TEST(CyclicEncoding, PublishedTablesMakeTheEncodingItsOwnInverse) {
    const std::uint8_t mpbbS[] = {0x14, 0x53, 0x0F, 0x56, 0xB3, 0xC8, 0x7A, 0x9C};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(verify::cyclicSecondTable(static_cast<std::uint8_t>(i)), mpbbS[i]) << i;
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        EXPECT_EQ(verify::cyclicFirstTable(byte), permutationEncodeTable()[byte]) << b;  // mpbbR
        EXPECT_EQ(verify::cyclicSecondTable(verify::cyclicSecondTable(byte)), byte) << b;  // mpbbS is an involution
    }
    std::vector<std::uint8_t> data(1000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const std::vector<std::uint8_t> original = data;
    verify::cyclicDecode(data, 0x0001F2A4);
    EXPECT_NE(data, original);
    verify::cyclicDecode(data, 0x0001F2A4);
    EXPECT_EQ(data, original);
    // The salt comes from both halves of the key: halves that XOR alike decode alike.
    std::vector<std::uint8_t> a(16, 0x5A), b(16, 0x5A);
    verify::cyclicDecode(a, 0x00010002);
    verify::cyclicDecode(b, 0x00020001);
    EXPECT_EQ(a, b);
}

TEST(PageTrailer, MapAndIndexPagesMatchOutlooksTrailers) {
    const auto file = loadPst(kOutlookDistList);
    // Map pages are signed 0 with their offset as id; the node B-tree root
    // (BID 0xC07) and the density list (BID 0xC0B) with offset and BID.
    for (auto [offset, bid, type] : {std::tuple{0x4400u, 0u, PageType::AllocationMap},
                                     std::tuple{0x4600u, 0u, PageType::PageMap},
                                     std::tuple{0x17C00u, 0xC07u, PageType::NodeBTree},
                                     std::tuple{0x4200u, 0xC0Bu, PageType::DensityList}}) {
        PageImage page{};
        std::copy(file.data() + offset, file.data() + offset + kPageDataSize, page.begin());
        if (bid == 0) sealMapPage(page.data(), type, offset);
        else sealIndexPage(page.data(), type, bid, offset);
        EXPECT_TRUE(std::equal(page.begin(), page.end(), file.data() + offset)) << "page at " << offset;
    }
}

TEST(BlockTrailer, ReproducesAnOutlookBlockWithPadding) {
    const auto file = loadPst(kOutlookDistList);
    // BID 4 at 0x5800 holds 156 stored bytes: 192 bytes on disk.
    const Bytes image = buildBlockImage(file.data() + 0x5800, 156, 0x4, 0x5800);
    ASSERT_EQ(image.size(), 192u);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), file.data() + 0x5800));
}

// The writer's side of these buckets is checked where its name map is built.
TEST(NameHash, KeywordsGoesToTheBucketOutlookFiledItIn) {
    // "Keywords" in PS_PUBLIC_STRINGS: CRC-32 of its UTF-16LE name is
    // 0x2EDA4D3B, GUID field 2 << 1 | 1 = 5: (0x2EDA4D3B ^ 5) mod 251 = 0x65.
    EXPECT_EQ(verify::nameIdBucket(0x2EDA4D3B, 2, true, 251), 0x65u);
    // A numeric name (LID 0x8005, first GUID of the stream, index 3): field 6.
    EXPECT_EQ(verify::nameIdBucket(0x8005, 3, false, 251), 0x8Du);
    // Outlook's file holds "Keywords" as named property 0x800F in bucket 0x1065.
    const verify::testing::PstEditor outlook(loadPst(kOutlookDistList));
    const verify::StoreContents store = outlook.contents();
    const auto& bucket = store.nameToIdMap->at(0x1065).bytes.value();
    const std::vector<std::uint8_t> record = {0x3B, 0x4D, 0xDA, 0x2E, 5, 0, 0x0F, 0};
    EXPECT_NE(std::search(bucket.begin(), bucket.end(), record.begin(), record.end()), bucket.end());
}

}  // namespace
}  // namespace tessaly::pst
