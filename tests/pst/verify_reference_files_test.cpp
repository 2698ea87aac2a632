// The verifier and `tessaly verify-pst FILE` against the reference PSTs:
// Outlook's own files must pass (a verifier that rejects them is wrong); the
// file of another writer breaks a few rules, listed here exactly.

#include <gtest/gtest.h>

#include "verify_pst_editing.h"

namespace tessaly::pst::verify::testing {
namespace {

using tessaly::testing::runCommand;
using tessaly::testing::shellQuote;

tessaly::testing::CommandResult verifyCommand(const std::string& arguments) {
    return runCommand(shellQuote(TESSALY_EXECUTABLE) + " verify-pst " + arguments);
}

// Every file Outlook wrote passes. Warnings only: an orphan block with cRef 1
// (2007 and 2013), and the three search gatherer nodes Outlook 2013 no longer
// writes.
TEST(VerifyReferenceFiles, OutlookFilesPassWithOnlyTheKnownWarnings) {
    const auto result = verifyCommand(shellQuote(referencePst(kOutlookDistList).string()));
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    EXPECT_NE(result.out.find("warning: bbt.orphan [ndb offset 0x20bc0 bid 0x1288]"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("0 violation(s), 1 warning(s)"), std::string::npos) << result.out;
    const struct {
        const char* file;
        std::set<std::string> warnings;
    } files[] = {{kOutlookSample, {}},
                 {kOutlook2013, {"bbt.orphan", "mandatory.search-gatherer"}},
                 {kOutlook2016, {}}};
    for (const auto& [file, warnings] : files) {
        const VerificationReport report = verifyPstFile(referencePst(file));
        EXPECT_TRUE(report.passed()) << file << "\n" << listing(report);
        std::set<std::string> found;
        for (const Finding& finding : report.warnings) found.insert(finding.rule);
        EXPECT_EQ(found, warnings) << file;
    }
    EXPECT_EQ(verifyPstFile(referencePst(kOutlook2013)).warnings.size(), 4u);
}

// The Outlook 2013 store of the contact fixtures passes too: two orphan
// blocks and the three missing search gatherer nodes are its only warnings.
TEST(VerifyReferenceFiles, OutlooksContactStorePassesWithOnlyTheKnownWarnings) {
    const auto path = std::filesystem::path(TESSALY_FIXTURES_DIR) / "outlook-contacts" / "contacts.pst";
    const VerificationReport report = verifyPstFile(path);
    EXPECT_TRUE(report.passed()) << listing(report);
    std::multiset<std::string> warnings;
    for (const Finding& finding : report.warnings) warnings.insert(finding.rule);
    EXPECT_EQ(warnings, (std::multiset<std::string>{"bbt.orphan", "bbt.orphan", "mandatory.search-gatherer",
                                                    "mandatory.search-gatherer", "mandatory.search-gatherer"}));
}

// The third-party file breaks real rules that no lenient reader checks: its
// DList page carries a CRC of 0 over non-zero data, the search domain node
// every store has is missing (and the three gatherer nodes, a warning), and
// two hash-bucket records of its named-property map name property index 0xA4
// where the entries they stand for are 0xA5 and 0xA6 (so those two are in no
// bucket).
TEST(VerifyReferenceFiles, OtherWritersFileBreaksExactlyTheKnownRules) {
    const VerificationReport report = verifyPstFile(referencePst(kOtherWriter));
    EXPECT_EQ(violatedRules(report),
              (std::set<std::string>{"page.crc", "mandatory.node", "nameid.hash-value", "nameid.bucket-missing"}))
        << listing(report);
    std::set<std::uint64_t> missingNodes;
    for (const Finding& finding : report.violations)
        if (finding.rule == "mandatory.node") missingNodes.insert(finding.location.nodeId.value());
    EXPECT_EQ(missingNodes, (std::set<std::uint64_t>{0x261}));
    EXPECT_EQ(report.violations.size(), 6u) << listing(report);
    EXPECT_EQ(report.warnings.size(), 3u) << listing(report);

    const auto result = verifyCommand(shellQuote(referencePst(kOtherWriter).string()));
    EXPECT_EQ(result.status, 1) << result.out << result.err;
    EXPECT_NE(result.out.find("violation: page.crc [ndb offset 0x4200]"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("violation: mandatory.node [messaging nid 0x261]"), std::string::npos) << result.out;
}

TEST(VerifyReferenceFiles, MissingFileOrFolderIsOneUnreadableFinding) {
    const auto result = verifyCommand("/nonexistent/store.pst");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("file.unreadable"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("/nonexistent/store.pst"), std::string::npos) << result.out;
    tessaly::testing::TempDir folder;
    const VerificationReport report = verifyPstFile(folder.path());
    ASSERT_EQ(report.violations.size(), 1u);
    EXPECT_EQ(report.violations[0].rule, "file.unreadable");
    EXPECT_NE(report.violations[0].message.find("not a regular file"), std::string::npos);
}

TEST(VerifyPstCommand, UsageErrorsExitTwo) {
    EXPECT_EQ(verifyCommand("").status, 2);
    EXPECT_EQ(verifyCommand("a.pst b.pst").status, 2);
    EXPECT_EQ(verifyCommand("--bogus").status, 2);
    const auto help = verifyCommand("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: tessaly verify-pst FILE"), std::string::npos);
}

}  // namespace
}  // namespace tessaly::pst::verify::testing
