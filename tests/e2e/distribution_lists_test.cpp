// Contact groups across a run: a group's members name cards of other files
// and later cards by UID (with or without "urn:uuid:", in any letter case) or
// an address alone; the Outlook target makes each group a distribution list
// whose members point at those contacts, the worksheet names the groups it
// has no rows for, and `tessaly cards` shows them.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "outlook/distribution_list.h"
#include "outlook/one_off_entry_id.h"
#include "support/encodings.h"
#include "support/pst_objects.h"
#include "support/pst_readers.h"
#include "support/test_files.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::utf16;
using Keyed = std::map<std::string, testing::KeyedValue>;
const std::string kAddress = "{00062004-0000-0000-C000-000000000046} ";
const std::string kCommon = "{00062008-0000-0000-C000-000000000046} ";

// The groups come first, in a file of their own; the people after them.
void writeCards(const testing::TempDir& dir) {
    fs::create_directories(dir.path() / "cards");
    dir.write("cards/a-groups.vcf",
              "BEGIN:VCARD\r\nVERSION:4.0\r\nKIND:group\r\nFN:Team\r\nUID:Team\r\nMEMBER:urn:uuid:ANN-1\r\n"
              "MEMBER:mailto:guest@example.com\r\nMEMBER:urn:uuid:nobody\r\nMEMBER:urn:uuid:bob\r\nEND:VCARD\r\n"
              "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Family;;;;\r\nX-ADDRESSBOOKSERVER-KIND:group\r\n"
              "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:ann-1\r\nX-ADDRESSBOOKSERVER-MEMBER:urn:uuid:team\r\nEND:VCARD\r\n");
    dir.write("cards/b-people.vcf",
              "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann;;;\r\nUID:ann-1\r\nEMAIL:ann@example.com\r\nEND:VCARD\r\n"
              "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Roe;Bob;;;\r\nUID:urn:uuid:BOB\r\nTEL;TYPE=WORK,FAX:+1 555\r\n"
              "END:VCARD\r\n");
}

std::vector<pst::Bytes> valuesOf(const std::string& stored) {
    std::vector<pst::Bytes> values;
    for (const std::string& value : testing::multipleBinaryValues(stored)) values.emplace_back(value.begin(), value.end());
    return values;
}

pst::Bytes bytesOf(const std::string& text) { return pst::Bytes(text.begin(), text.end()); }

TEST(DistributionLists, GroupsBecomeListsWhoseMembersAreTheRunsContactsWhereverTheyAre) {
    testing::TempDir dir;
    writeCards(dir);
    const testing::ConvertedContact converted = testing::convertToContact(dir.path() / "cards", dir.path());
    // One member names no card: the run says where, and its status says so.
    EXPECT_EQ(converted.run.status, 1) << converted.run.out << converted.run.err;
    EXPECT_NE(converted.run.out.find("2 members of contact groups name no contact of this run"), std::string::npos)
        << converted.run.out;
    EXPECT_NE(converted.run.out.find("a-groups.vcf:8: card 1: a member of the group 'Team' names no card of this run"),
              std::string::npos)
        << converted.run.out;
    // A group within a group is named as one; lists of lists are not made.
    EXPECT_NE(converted.run.out.find("a-groups.vcf:16: card 2: a member of the group 'Family' is the group 'Team', "
                                     "which a list here does not hold"),
              std::string::npos)
        << converted.run.out;
    // Every message as the store keeps it (pffexport exports no list's
    // values): the contacts' own entry ids by name, and the lists.
    std::map<std::string, pst::Bytes> entryIds;
    std::map<std::string, Keyed> lists;
    for (Keyed& values : testing::keyedMessages(converted.store)) {
        const std::string name = values["0x3001"].bytes;
        if (values["0x001A"].bytes == utf16("IPM.DistList")) lists[name] = values;
        else entryIds[name] = bytesOf(values[kCommon + "0x85BD"].bytes);  // PidLidReferenceEntryId
    }
    Keyed& team = lists.at(utf16("Team"));
    EXPECT_EQ(team[kAddress + "0x8053"].bytes, utf16("Team"));
    // Ann by her e-mail address, the guest's address alone, Bob by his
    // business fax: in the group's order, the member that named no card left out.
    const std::vector<pst::Bytes> expected = {
        outlook::contactMember(entryIds.at(utf16("Ann Lee")), outlook::ContactAddressKind::Email1,
                               "Ann Lee (ann@example.com)", "SMTP", "ann@example.com").entryId,
        outlook::addressMember("guest@example.com", "SMTP", "guest@example.com").entryId,
        outlook::contactMember(entryIds.at(utf16("Bob Roe")), outlook::ContactAddressKind::BusinessFax, "Bob Roe",
                               "FAX", "Bob Roe@+1 555").entryId};
    EXPECT_EQ(valuesOf(team[kAddress + "0x8055"].bytes), expected);
    const std::vector<pst::Bytes> oneOffs = {outlook::oneOffEntryId("Ann Lee (ann@example.com)", "SMTP", "ann@example.com"),
                                             outlook::oneOffEntryId("guest@example.com", "SMTP", "guest@example.com"),
                                             outlook::oneOffEntryId("Bob Roe", "FAX", "Bob Roe@+1 555")};
    EXPECT_EQ(valuesOf(team[kAddress + "0x8054"].bytes), oneOffs);
    EXPECT_EQ(team[kAddress + "0x804C"].bytes, testing::littleEndian(outlook::distributionListChecksum(expected), 4));
    // Apple's group names Ann with the prefix her card lacks.
    EXPECT_EQ(valuesOf(lists.at(utf16("Family"))[kAddress + "0x8055"].bytes), std::vector<pst::Bytes>{expected[0]});
    // The other readers list both lists beside the contacts.
    const auto listing = testing::npmListing(converted.store);
    for (const char* line : {"item\t/Top of Personal Folders/Contacts\tIPM.DistList\tTeam\t\t",
                             "item\t/Top of Personal Folders/Contacts\tIPM.DistList\tFamily\t\t"})
        EXPECT_NE(std::find(listing.begin(), listing.end(), line), listing.end()) << line;
}

// A group of 200 addresses: the members that fit in Outlook's 15,000 bytes
// are kept in their order, the others are reported one by one.
TEST(DistributionLists, MembersPastOutlooksLimitAreReportedNotDroppedSilently) {
    testing::TempDir dir;
    std::string group = "BEGIN:VCARD\r\nVERSION:4.0\r\nKIND:group\r\nFN:Everyone\r\n";
    for (int i = 0; i < 200; ++i) group += "MEMBER:mailto:member-" + std::to_string(1000 + i) + "@example.com\r\n";
    group += "END:VCARD\r\n";
    const testing::ConvertedContact converted =
        testing::convertToContact(dir.write("everyone.vcf", group + "BEGIN:VCARD\r\nFN:Ann Lee\r\nEND:VCARD\r\n"), dir.path());
    EXPECT_EQ(converted.run.status, 1);
    const Keyed list = testing::messageOfClass(converted.store, "IPM.DistList");
    const std::vector<pst::Bytes> kept = valuesOf(list.at(kAddress + "0x8054").bytes);
    ASSERT_GT(kept.size(), 100u);
    ASSERT_LT(kept.size(), 200u);
    EXPECT_LT(outlook::memberPropertySize(kept), outlook::kListMembersLimit);
    EXPECT_EQ(kept.back(), outlook::oneOffEntryId("member-" + std::to_string(1000 + kept.size() - 1) + "@example.com",
                                                  "SMTP", "member-" + std::to_string(1000 + kept.size() - 1) + "@example.com"));
    const std::string heading = std::to_string(200 - kept.size()) +
                                " members were left out of their distribution lists: Outlook keeps a list's members "
                                "in under 15,000 bytes";
    EXPECT_NE(converted.run.out.find(heading), std::string::npos) << converted.run.out;
    EXPECT_NE(converted.run.out.find("everyone.vcf:" + std::to_string(5 + kept.size()) +
                                     ": card 1: a member of the group 'Everyone' did not fit"),
              std::string::npos)
        << converted.run.out;
}

TEST(DistributionLists, TheWorksheetNamesTheGroupsItHasNoRowsForAndCardsShowsThem) {
    testing::TempDir dir;
    writeCards(dir);
    fs::create_directories(dir.path() / "out");
    const auto sheet = testing::runCommand(testing::shellQuote(TESSALY_EXECUTABLE) + " convert " +
                                           testing::shellQuote((dir.path() / "cards").string()) + " --out " +
                                           testing::shellQuote((dir.path() / "out").string()));
    EXPECT_EQ(sheet.status, 1) << sheet.out << sheet.err;
    EXPECT_NE(sheet.out.find("Wrote 2 cards"), std::string::npos) << sheet.out;
    EXPECT_NE(sheet.out.find("2 contact groups had no place in the worksheet\n"
                             "  " + (dir.path() / "cards" / "a-groups.vcf").string() + ":1: card 1: the group 'Team'"),
              std::string::npos)
        << sheet.out;
    EXPECT_NE(sheet.out.find("a-groups.vcf:11: card 2: the group 'Family'"), std::string::npos) << sheet.out;
    const auto cards = testing::runCommand(testing::shellQuote(TESSALY_EXECUTABLE) + " cards " +
                                           testing::shellQuote((dir.path() / "cards" / "a-groups.vcf").string()));
    EXPECT_NE(cards.out.find("card 1\nuid\tTeam\ngroup\tTeam\nmember\turn:uuid:ANN-1\nmember\tmailto:guest@example.com\n"
                             "member\turn:uuid:nobody\nmember\turn:uuid:bob\ncard 2\n"),
              std::string::npos)
        << cards.out;
}

}  // namespace
}  // namespace tessaly
