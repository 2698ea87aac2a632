// The verifier against the reference PSTs: Outlook's own files must pass
// (a verifier that rejects them is wrong); the file of another writer breaks
// a few rules, listed here exactly.

#include <gtest/gtest.h>

#include "verify_pst_editing.h"

namespace tessaly::pst::verify::testing {
namespace {

TEST(VerifyReferenceFiles, OutlookDistributionListFilePassesWithItsOneOrphanBlock) {
    const VerificationReport report = verifyPstFile(referencePst(kOutlookDistList));
    EXPECT_TRUE(report.passed()) << listing(report);
    // Outlook left one block nobody refers to, with cRef 1: a warning only.
    ASSERT_EQ(report.warnings.size(), 1u);
    EXPECT_EQ(report.warnings[0].rule, "bbt.orphan");
    EXPECT_EQ(report.warnings[0].location.blockId, 0x1288u);
}

TEST(VerifyReferenceFiles, OutlookSampleFilePassesWithoutWarnings) {
    const VerificationReport report = verifyPstFile(referencePst(kOutlookSample));
    EXPECT_TRUE(report.passed()) << listing(report);
    EXPECT_TRUE(report.warnings.empty());
}

// The third-party file breaks real rules that no lenient reader checks: its
// DList page carries a CRC of 0 over non-zero data, four of the search nodes
// MS-PST requires are missing, and two hash-bucket records of its named-property
// map name property index 0xA4 where the entries they stand for are 0xA5 and
// 0xA6 (so those two are in no bucket).
TEST(VerifyReferenceFiles, OtherWritersFileBreaksExactlyTheKnownRules) {
    const VerificationReport report = verifyPstFile(referencePst(kOtherWriter));
    EXPECT_EQ(violatedRules(report),
              (std::set<std::string>{"page.crc", "mandatory.node", "nameid.hash-value", "nameid.bucket-missing"}))
        << listing(report);
    std::set<std::uint64_t> missingNodes;
    for (const Finding& finding : report.violations) {
        if (finding.rule == "page.crc") {
            EXPECT_EQ(finding.location.offset, 0x4200u);
        }
        if (finding.rule == "mandatory.node") missingNodes.insert(finding.location.nodeId.value());
    }
    EXPECT_EQ(missingNodes, (std::set<std::uint64_t>{0x261, 0x281, 0x2A1, 0x321}));
    EXPECT_EQ(report.violations.size(), 9u) << listing(report);
}

TEST(VerifyReferenceFiles, MissingFileIsOneUnreadableFinding) {
    const VerificationReport report = verifyPstFile("/nonexistent/folder/store.pst");
    ASSERT_EQ(report.violations.size(), 1u);
    EXPECT_EQ(report.violations[0].rule, "file.unreadable");
    EXPECT_NE(report.violations[0].message.find("/nonexistent/folder/store.pst"), std::string::npos);
}

TEST(VerifyReferenceFiles, FolderIsNoFileToVerify) {
    tessaly::testing::TempDir folder;
    const VerificationReport report = verifyPstFile(folder.path());
    ASSERT_EQ(report.violations.size(), 1u);
    EXPECT_EQ(report.violations[0].rule, "file.unreadable");
    EXPECT_NE(report.violations[0].message.find("not a regular file"), std::string::npos);
}

}  // namespace
}  // namespace tessaly::pst::verify::testing
