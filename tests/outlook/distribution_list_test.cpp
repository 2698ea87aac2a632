// Distribution lists as Outlook keeps them: the members' entry ids, their
// one-off forms, and the checksum, held against the lists Outlook 2007 and
// Outlook 2010 wrote.

#include "outlook/distribution_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "outlook/one_off_entry_id.h"
#include "outlook/property_sets.h"
#include "pst/messaging/property_tags.h"
#include "support/encodings.h"
#include "support/test_files.h"

namespace tessaly::outlook {
namespace {

pst::Bytes hexBytes(std::string_view hex) {
    pst::Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return bytes;
}

// Outlook 2007's "test dist list": a contact of the store, then two
// addresses alone.
const pst::Bytes kStoreRecordKey = hexBytes("a41d63dbc53b8e4ab8071e15e55750ce");

pst::Bytes entryIdOf(std::uint32_t nid) {
    // Flags (4 bytes, 0), the store's record key, the NID.
    pst::Bytes id(24, 0);
    std::copy(kStoreRecordKey.begin(), kStoreRecordKey.end(), id.begin() + 4);
    for (int i = 0; i < 4; ++i) id[20 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(nid >> (8 * i));
    return id;
}

// The member entry ids and the checksum of the list in a fixture's dump:
// the hexadecimal runs on its PidLidDistributionListMembers line, and the
// "(0x…)" on its checksum line.
struct DumpedList {
    std::vector<pst::Bytes> members;
    std::uint32_t checksum = 0;
};
DumpedList listInDump(const std::filesystem::path& dump) {
    DumpedList list;
    std::istringstream lines(testing::readFile(dump));
    for (std::string line; std::getline(lines, line);) {
        if (line.find("PidLidDistributionListMembers") != std::string::npos) {
            const std::regex run("[0-9a-f]{40,}");
            for (auto it = std::sregex_iterator(line.begin(), line.end(), run); it != std::sregex_iterator(); ++it)
                list.members.push_back(hexBytes(it->str()));
        }
        if (line.find("PidLidDistributionListChecksum") != std::string::npos) {
            const std::size_t at = line.find("(0x");
            if (at != std::string::npos) list.checksum = static_cast<std::uint32_t>(std::stoul(line.substr(at + 3), nullptr, 16));
        }
    }
    return list;
}

TEST(DistributionList, TheChecksumIsOutlooksForBothOfItsLists) {
    const std::filesystem::path fixtures = TESSALY_FIXTURES_DIR;
    for (const auto& dump : {fixtures / "pst-reference" / "dumps" / "outlook2007-java-libpst-dist-list" / "distribution-list.txt",
                             fixtures / "outlook-contacts" / "NewGroup.msg.txt"}) {
        const DumpedList list = listInDump(dump);
        EXPECT_GE(list.members.size(), 2u) << dump;
        EXPECT_NE(list.checksum, 0u) << dump;
        EXPECT_EQ(distributionListChecksum(list.members), list.checksum) << dump;
    }
}

TEST(DistributionList, MembersAreTheBytesOfOutlooksList) {
    const DumpedList outlook = listInDump(std::filesystem::path(TESSALY_FIXTURES_DIR) / "pst-reference" / "dumps" /
                                          "outlook2007-java-libpst-dist-list" / "distribution-list.txt");
    ASSERT_EQ(outlook.members.size(), 3u);
    // The contact "contact name 1" (NID 0x00200064) by its first e-mail
    // address, whose one-off is the contact's own e-mail entry id.
    const ListMember contact = contactMember(entryIdOf(0x00200064), ContactAddressKind::Email1, "contact name 1", "SMTP",
                                             "contact1@rjohnson.id.au");
    EXPECT_EQ(contact.entryId, outlook.members[0]);
    EXPECT_EQ(contact.oneOff, oneOffEntryId("contact name 1", "SMTP", "contact1@rjohnson.id.au"));
    // An address alone is its one-off entry id in both lists.
    const ListMember first = addressMember("dist name 1", "SMTP", "dist1@rjohnson.id.au");
    EXPECT_EQ(first.entryId, outlook.members[1]);
    EXPECT_EQ(first.oneOff, outlook.members[1]);
    EXPECT_EQ(addressMember("dist name 2", "SMTP", "dist2@rjohnson.id.au").entryId, outlook.members[2]);
}

TEST(DistributionList, AddressKindsAreTheTypeBytesOfTheWrappedEntryId) {
    const std::pair<ContactAddressKind, std::uint8_t> kinds[] = {
        {ContactAddressKind::Email1, 0xC3}, {ContactAddressKind::Email2, 0xD3}, {ContactAddressKind::Email3, 0xE3},
        {ContactAddressKind::BusinessFax, 0x83}, {ContactAddressKind::HomeFax, 0x93},
        {ContactAddressKind::PrimaryFax, 0xA3}};
    for (const auto& [kind, type] : kinds)
        EXPECT_EQ(contactMember(entryIdOf(0x24), kind, "n", "FAX", "n@1").entryId.at(20), type);
}

TEST(DistributionList, MemberPropertiesAreMeasuredAgainstOutlooksLimit) {
    // A count, then each value's length and bytes.
    EXPECT_EQ(memberPropertySize({}), 4u);
    EXPECT_EQ(memberPropertySize({pst::Bytes(100), pst::Bytes(45)}), 4u + 104u + 49u);
}

}  // namespace
}  // namespace tessaly::outlook
