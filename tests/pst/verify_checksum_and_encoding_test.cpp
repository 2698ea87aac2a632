// Byte-exact checks of the verifier's own CRC-32, permutation decoding table
// and named-property hash against values MS-PST publishes and values found in
// Outlook's own file.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "pst/verify/cyclic_decoding.h"
#include "pst/verify/name_to_id_map.h"
#include "pst/verify/node_contents.h"
#include "verify_pst_editing.h"

namespace tessaly::pst::verify::testing {
namespace {

std::vector<std::uint8_t> utf16(const std::string& ascii) {
    std::vector<std::uint8_t> bytes;
    for (char c : ascii) {
        bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(0);
    }
    return bytes;
}

std::uint32_t crcOf(const std::vector<std::uint8_t>& bytes) { return pstCrc32(Bytes(bytes.data(), bytes.size())); }

TEST(VerifyCrc, TableMatchesTheFirstAndLastEntriesMsPstLists) {
    EXPECT_EQ(pstCrcTableEntry(0), 0x00000000u);
    EXPECT_EQ(pstCrcTableEntry(1), 0x77073096u);
    EXPECT_EQ(pstCrcTableEntry(2), 0xEE0E612Cu);
    EXPECT_EQ(pstCrcTableEntry(3), 0x990951BAu);
    EXPECT_EQ(pstCrcTableEntry(255), 0x2D02EF8Du);
}

TEST(VerifyCrc, StartsAtZeroWithoutFinalInversion) {
    EXPECT_EQ(crcOf({}), 0u);
    EXPECT_EQ(crcOf(std::vector<std::uint8_t>(496, 0)), 0u);  // an all-zero page has CRC 0
    const std::string check = "123456789";
    EXPECT_EQ(crcOf(std::vector<std::uint8_t>(check.begin(), check.end())), 0x2DFD2D88u);
}

TEST(VerifyCrc, ReproducesTheHeaderCrcsOutlookWrote) {
    const std::vector<std::uint8_t> file = loadPst(kOutlookDistList);
    EXPECT_EQ(pstCrc32(Bytes(file.data() + 8, 471)), 0x591902ABu);
    EXPECT_EQ(pstCrc32(Bytes(file.data() + 8, 516)), 0x51E64051u);
}

TEST(VerifyPermutation, DecodeTableStartsAsMsPstMpbbI) {
    const std::uint8_t expected[] = {0x47, 0xF1, 0xB4, 0xE6, 0x0B, 0x6A, 0x72, 0x48};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(permutationDecodeByte(static_cast<std::uint8_t>(i)), expected[i]) << i;
    EXPECT_EQ(permutationDecodeByte(0xFF), 0xEC);
}

TEST(VerifyPermutation, UndoesTheEncodeTableMsPstListsFirst) {
    // mpbbR, the encode direction, begins 65, 54, 19, 98, 168, 33, 110, 187.
    const std::uint8_t encoded[] = {65, 54, 19, 98, 168, 33, 110, 187};
    for (int plain = 0; plain < 8; ++plain) EXPECT_EQ(permutationDecodeByte(encoded[plain]), plain);
}

TEST(VerifyPermutation, IsAPermutationOfAllBytes) {
    std::set<std::uint8_t> images;
    for (int stored = 0; stored < 256; ++stored) images.insert(permutationDecodeByte(static_cast<std::uint8_t>(stored)));
    EXPECT_EQ(images.size(), 256u);
}

TEST(VerifyPermutation, DecodesOutlooksRootFolderIntoAHeap) {
    PstEditor editor(loadPst(kOutlookDistList));
    const std::vector<std::uint8_t> plain = editor.decodedBlock(editor.nodes().at(0x122).dataBid);
    EXPECT_EQ(plain[2], 0xEC);  // bSig
    EXPECT_EQ(plain[3], 0xBC);  // a property context
}

TEST(VerifyCyclic, TablesStartAsMsPstMpbbRAndMpbbS) {
    const std::uint8_t first[] = {65, 54, 19, 98, 168, 33, 110, 187};
    const std::uint8_t second[] = {0x14, 0x53, 0x0F, 0x56, 0xB3, 0xC8, 0x7A, 0x9C};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(cyclicFirstTable(static_cast<std::uint8_t>(i)), first[i]) << i;
        EXPECT_EQ(cyclicSecondTable(static_cast<std::uint8_t>(i)), second[i]) << i;
    }
}

TEST(VerifyCyclic, TablesMakeTheEncodingItsOwnInverse) {
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        EXPECT_EQ(permutationDecodeByte(cyclicFirstTable(byte)), byte) << b;       // mpbbI undoes mpbbR
        EXPECT_EQ(cyclicSecondTable(cyclicSecondTable(byte)), byte) << b;          // mpbbS is an involution
    }
    std::vector<std::uint8_t> data(1000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const std::vector<std::uint8_t> original = data;
    cyclicDecode(data, 0x0001F2A4);
    EXPECT_NE(data, original);
    cyclicDecode(data, 0x0001F2A4);
    EXPECT_EQ(data, original);
}

TEST(VerifyCyclic, SaltComesFromBothHalvesOfTheKey) {
    // A zero byte under key 0: mpbbI[mpbbS[mpbbR[0]]] = mpbbI[mpbbS[0x41]].
    std::vector<std::uint8_t> zero{0};
    cyclicDecode(zero, 0);
    EXPECT_EQ(zero[0], permutationDecodeByte(cyclicSecondTable(0x41)));
    // Keys whose halves XOR to the same salt decode alike.
    std::vector<std::uint8_t> a(16, 0x5A), b(16, 0x5A);
    cyclicDecode(a, 0x00010002);
    cyclicDecode(b, 0x00020001);
    EXPECT_EQ(a, b);
}

TEST(VerifyNameHash, StringNameHashesToTheBucketOutlookFiledItIn) {
    // "Keywords" in PS_PUBLIC_STRINGS (GUID index 2) is named property 0x800F
    // of the reference file.
    const std::uint32_t key = crcOf(utf16("Keywords"));
    EXPECT_EQ(key, 0x2EDA4D3Bu);
    EXPECT_EQ(nameIdBucket(key, 2, true, 251), 0x65u);

    std::vector<std::uint8_t> file = loadPst(kOutlookDistList);
    VerificationReport ignored;
    VerifyContext context(Bytes(file.data(), file.size()), ignored);
    readAndCheckHeader(context);
    readBTrees(context);
    checkBlockTrailers(context);
    const StoreContents store = checkNodeContents(context);
    const std::vector<std::uint8_t>& bucket = store.nameToIdMap->at(0x1065).bytes.value();
    bool found = false;
    for (std::size_t offset = 0; offset + 8 <= bucket.size(); offset += 8) {
        const Bytes record(bucket.data() + offset, 8);
        if (readU16(record, 6) == 0x0F) {
            found = true;
            EXPECT_EQ(readU32(record, 0), key);
            EXPECT_EQ(readU16(record, 4), (2 << 1) | 1);
        }
    }
    EXPECT_TRUE(found);
}

TEST(VerifyNameHash, NumericNameXorsTheGuidIndexAndKind) {
    // PidLidFileUnder (0x8005) in PSETID_Address, a GUID-stream index of 3 or more.
    EXPECT_EQ(nameIdBucket(0x8005, 3, false, 251), (0x8005u ^ 6u) % 251u);
    EXPECT_NE(nameIdBucket(0x8005, 3, false, 251), nameIdBucket(0x8005, 3, true, 251));
}

TEST(VerifyTrailerSignature, FollowsComputeSig) {
    // ib XOR bid, then the two 16-bit halves of the low 32 bits XORed.
    EXPECT_EQ(trailerSignature(0x4200, 0xC0B), 0x4E0B);
    EXPECT_EQ(trailerSignature(0x4400, 0x4400), 0);
    EXPECT_EQ(trailerSignature(0x12345678, 0), 0x1234 ^ 0x5678);
}

}  // namespace
}  // namespace tessaly::pst::verify::testing
