// `tessaly verify-pst FILE`: its output and exit status.

#include <gtest/gtest.h>

#include "verify_pst_editing.h"

namespace tessaly::pst::verify::testing {
namespace {

using tessaly::testing::runCommand;
using tessaly::testing::shellQuote;

std::string verifyCommand(const std::string& arguments) {
    return shellQuote(TESSALY_EXECUTABLE) + " verify-pst " + arguments;
}

TEST(VerifyPstCommand, OutlookFilePassesAndListsItsWarning) {
    const auto result = runCommand(verifyCommand(shellQuote(referencePst(kOutlookDistList).string())));
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    EXPECT_NE(result.out.find("warning: bbt.orphan [ndb offset 0x20bc0 bid 0x1288]"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("0 violation(s), 1 warning(s)"), std::string::npos) << result.out;
}

TEST(VerifyPstCommand, ViolationsPrintWithTheirPlaceAndExitOne) {
    const auto result = runCommand(verifyCommand(shellQuote(referencePst(kOtherWriter).string())));
    EXPECT_EQ(result.status, 1) << result.out << result.err;
    EXPECT_NE(result.out.find("violation: page.crc [ndb offset 0x4200]"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("violation: mandatory.node [messaging nid 0x261]"), std::string::npos) << result.out;
}

TEST(VerifyPstCommand, DamagedCopyFails) {
    tessaly::testing::TempDir folder;
    std::string bytes = tessaly::testing::readFile(referencePst(kOutlookDistList));
    bytes[4] ^= 1;
    const auto path = folder.write("damaged.pst", bytes);
    const auto result = runCommand(verifyCommand(shellQuote(path.string())));
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("header.crc-partial"), std::string::npos) << result.out;
}

TEST(VerifyPstCommand, MissingFileNamesThePath) {
    const auto result = runCommand(verifyCommand("/nonexistent/store.pst"));
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("file.unreadable"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("/nonexistent/store.pst"), std::string::npos) << result.out;
}

TEST(VerifyPstCommand, UsageErrorsExitTwo) {
    EXPECT_EQ(runCommand(verifyCommand("")).status, 2);
    EXPECT_EQ(runCommand(verifyCommand("a.pst b.pst")).status, 2);
    EXPECT_EQ(runCommand(verifyCommand("--bogus")).status, 2);
    const auto help = runCommand(verifyCommand("--help"));
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: tessaly verify-pst FILE"), std::string::npos);
}

}  // namespace
}  // namespace tessaly::pst::verify::testing
