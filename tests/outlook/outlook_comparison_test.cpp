// Our contact, store, root folder and contacts folder beside those of a store
// Outlook 2007 wrote: a card holding what Outlook's contact "contact name 1"
// holds is converted, and every property is compared (standard ones by tag,
// named ones by property set and LID or name; type and value), but for those
// listed with the reason they differ.

#include <gtest/gtest.h>

#include "app/run/conversion_run.h"
#include "app/run/outlook_target.h"
#include "support/pst_objects.h"
#include "support/test_files.h"
#include "support/written_stores.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::KeyedValue;
using Keyed = std::map<std::string, KeyedValue>;
using Masks = std::map<std::string, std::string>;  // key → why it differs

const std::string kAddress = "{00062004-0000-0000-C000-000000000046} ";
const std::string kCommon = "{00062008-0000-0000-C000-000000000046} ";
const std::string kTask = "{00062003-0000-0000-C000-000000000046} ";

// What differs from Outlook's contact, and why.
const Masks kContactMasks = {
    {"0x3007", "creation time: when each was made"},
    {"0x3008", "modification time: when each was made"},
    {"0x300B", "search key: unique to each item"},
    {"0x0E08", "message size: each writer counts what it stores"},
    {"0x0E17", "message status: our store writes it on every message, with nothing set"},
    {"0x0E30", "replication id: Outlook's synchronisation, not written"},
    {"0x0E33", "replication change number: not written"},
    {"0x0E34", "replication version history: not written"},
    {"0x0039", "client submit time: a contact made from a file was never submitted"},
    {"0x0E06", "delivery time: a contact made from a file was never delivered"},
    {"0x0071", "conversation index: mail threading, not written"},
    {"0x0002", "alternate recipient allowed: a sending option, not written"},
    {"0x0023", "delivery report requested: a sending option, not written"},
    {"0x0029", "read receipt requested: a sending option, not written"},
    {"0x0E01", "delete after submit: a sending option, not written"},
    {"0x003B", "sent-representing search key: Outlook's session user, not written"},
    {"0x0041", "sent-representing entry id: Outlook's session user, not written"},
    {"0x0042", "sent-representing name: Outlook's session user, not written"},
    {"0x0064", "sent-representing address type: Outlook's session user, not written"},
    {"0x0065", "sent-representing address: Outlook's session user, not written"},
    {"0x0C19", "sender entry id: Outlook's session user, not written"},
    {"0x0C1A", "sender name: Outlook's session user, not written"},
    {"0x0C1D", "sender search key: Outlook's session user, not written"},
    {"0x0C1E", "sender address type: Outlook's session user, not written"},
    {"0x0C1F", "sender address: Outlook's session user, not written"},
    {kAddress + "0x8080", "e-mail entry's display name: Outlook 2007 writes the name alone; Outlook 2003, 2010, "
                          "2013 and 2016 the name and the address in brackets, as ours does"},
    {kAddress + "0x8085", "e-mail entry's one-off entry id: holds that display name"},
    {kTask + "0x8127", "undocumented, and Outlook 2007's only: the contacts Outlook 2003, 2010, 2013 and 2016 saved lack it"},
    {kCommon + "0x8552", "Outlook's build number, which a file Outlook did not write does not claim"},
    {kCommon + "0x8554", "Outlook's version name, likewise"},
    {kCommon + "0x85BF", "flag-string proof time: the item was never flagged"},
    {kCommon + "0x85BD", "the item's own entry id: each store's record key and NID (checked below)"},
};

struct FakeHost : RunHost {
    explicit FakeHost(std::string folder) : folder(std::move(folder)) {}
    std::string BrowseForFolder(const std::string&) override { return folder; }
    void showMessage(const std::string&, const std::string& text, MessageIcon) override { message = text; }
    void showProgress(std::int32_t, const std::string&) override {}
    std::string folder, message;
};

// Our store, converted once for the whole suite, beside Outlook's.
struct Stores {
    testing::TempDir work;
    fs::path ours, outlook = fs::path(TESSALY_FIXTURES_DIR) / "pst-reference" / "outlook2007-java-libpst-dist-list.pst";
    Stores() {
        // Outlook's contact, and its list of that contact and two addresses.
        const auto card = work.write("contact.vcf", "BEGIN:VCARD\r\nVERSION:2.1\r\nN:1;contact;name;;\r\n"
                                                    "EMAIL;PREF;INTERNET:contact1@rjohnson.id.au\r\nUID:c1\r\nEND:VCARD\r\n"
                                                    "BEGIN:VCARD\r\nVERSION:4.0\r\nKIND:group\r\nFN:test dist list\r\n"
                                                    "MEMBER:urn:uuid:c1\r\nMEMBER:mailto:dist1@rjohnson.id.au\r\n"
                                                    "MEMBER:mailto:dist2@rjohnson.id.au\r\nEND:VCARD\r\n");
        fs::create_directory(work.path() / "out");
        FakeHost host((work.path() / "out").string());
        const auto target = [](TargetKind) {
            return std::make_unique<OutlookTarget>(outlook::systemLocalTime, testing::fixedOptions());
        };
        const RunResult result = runConversion({card, false}, {ReadMode::Normal, TargetKind::Outlook}, host, target);
        EXPECT_EQ(result.cardsConverted, 2) << host.message;
        ours = result.output;
    }
};
const Stores& stores() {
    static const Stores instance;
    return instance;
}

Keyed contactOf(const fs::path& pst, const char* item, const std::string& exportFolder) {
    const auto objects = testing::readPstObjects(pst);
    fs::create_directories(stores().work.path() / exportFolder);
    const auto values = testing::readItemValues(testing::pffExport(pst, stores().work.path() / exportFolder) /
                                                "Top of Personal Folders" / "Contacts" / item / "ItemValues.txt");
    return testing::keyedValues(values, objects.namedKeys);
}

// Every key of either side, compared but for the masked ones; returns how
// many were compared. A mask names a key one side has.
std::size_t expectSameBut(const Keyed& outlookValues, const Keyed& ourValues, const Masks& masks) {
    std::set<std::string> keys;
    for (const auto& [key, value] : outlookValues) keys.insert(key);
    for (const auto& [key, value] : ourValues) keys.insert(key);
    for (const auto& [key, why] : masks) EXPECT_TRUE(keys.count(key)) << "a mask for nothing: " << key;
    std::size_t compared = 0;
    for (const std::string& key : keys) {
        if (masks.count(key)) continue;
        ++compared;
        const auto a = outlookValues.find(key), b = ourValues.find(key);
        if (a == outlookValues.end()) {
            ADD_FAILURE() << key << " is ours only";
        } else if (b == ourValues.end()) {
            ADD_FAILURE() << key << " is Outlook's only";
        } else {
            EXPECT_EQ(a->second.type, b->second.type) << key;
            EXPECT_EQ(a->second.bytes, b->second.bytes) << key;
        }
    }
    return compared;
}

TEST(OutlookComparison, TheContactHasOutlooksPropertiesAndValues) {
    const Keyed theirs = contactOf(stores().outlook, "Contact00002", "outlook");
    const Keyed mine = contactOf(stores().ours, "Contact00001", "ours");
    EXPECT_EQ(expectSameBut(theirs, mine, kContactMasks), 103u - 31u);
    // The contact names itself: its store's record key and its NID.
    const std::string& own = mine.at(kCommon + "0x85BD").bytes;
    ASSERT_EQ(own.size(), 24u);
    EXPECT_EQ(own.substr(0, 20), std::string(4, '\0') + std::string(testing::kFixedRecordKey.begin(),
                                                                        testing::kFixedRecordKey.end()));
    // PidTagMessageSize (masked above: Outlook counts its own way) of a contact
    // without a picture: the bytes of every other value the contact holds.
    std::size_t total = 0;
    for (const auto& [key, value] : mine)
        if (key != "0x0E08") total += value.bytes.size();
    EXPECT_EQ(mine.at("0x0E08").bytes, testing::littleEndian(total, 4));
}

// Entry ids of folders: flags, the store's record key, then a NID Outlook
// numbers as we do; compared without the record key.
Keyed withoutRecordKeys(Keyed values) {
    for (auto& [key, value] : values)
        if (value.type == 0x0102 && value.bytes.size() == 24) value.bytes.replace(4, 16, 16, '*');
    return values;
}

TEST(OutlookComparison, TheStoreRootAndContactsFolderHaveOutlooksProperties) {
    const auto theirs = testing::readPstObjects(stores().outlook);
    const auto mine = testing::readPstObjects(stores().ours);
    expectSameBut(withoutRecordKeys(testing::keyedValues(theirs.store, {})),
                  withoutRecordKeys(testing::keyedValues(mine.store, {})),
                  {{"0x0E34", "replication version history: not written"},
                   {"0x0E38", "replication flags: not written"},
                   {"0x3416", "undocumented"},
                   {"0x66FA", "undocumented"},
                   {"0x0FF9", "record key: random for every store"},
                   {"0x3001", "display name: the run's own (checked below)"}});
    EXPECT_EQ(testing::keyedValues(mine.store, {}).at("0x3001").bytes.substr(0, 60),
              testing::utf16("Imported Contacts : Created - ").substr(0, 60));

    constexpr std::uint64_t kRoot = 0x122, kContacts = 0x8142;
    expectSameBut(withoutRecordKeys(testing::keyedValues(theirs.folders.at(kRoot), {})),
                  withoutRecordKeys(testing::keyedValues(mine.folders.at(kRoot), {})),
                  {{"0x36D5", "reminders folder: a folder Outlook makes for its own use, not made"},
                   {"0x36D8", "sync-issue and conflict folders: not made"},
                   {"0x36D9", "the same, in their newer form"},
                   {"0x36E4", "free/busy folders: not made"}});
    const Masks contactsMasks = {{"0x3004", "a comment the user of that store typed"},
                                 {"0x36DA", "undocumented folder flags"}};
    expectSameBut(testing::keyedValues(theirs.folders.at(kContacts), {}),
                  testing::keyedValues(mine.folders.at(kContacts), {}), contactsMasks);
}

TEST(OutlookComparison, TheDistributionListHasOutlooksPropertiesAndValues) {
    Masks masks;
    for (const char* key : {"0x3007", "0x3008", "0x300B", "0x0E08", "0x0E17", "0x0E30", "0x0E33", "0x0E34", "0x0039",
                            "0x0E06", "0x0071", "0x0002", "0x0023", "0x0029", "0x0E01", "0x003B", "0x0041", "0x0042",
                            "0x0064", "0x0065", "0x0C19", "0x0C1A", "0x0C1D", "0x0C1E", "0x0C1F"})
        masks[key] = kContactMasks.at(key) + ", as on the contact";
    for (const std::string& key : {kCommon + "0x8552", kCommon + "0x8554", kCommon + "0x85BF", kTask + "0x8127"})
        masks[key] = kContactMasks.at(key) + ", as on the contact";
    masks[kAddress + "0x8055"] = "members: each store's record key and NIDs, and the names of the addresses (below)";
    masks[kAddress + "0x8054"] = "one-off members: Outlook's carry names typed in Outlook; a vCard MEMBER gives the "
                                 "address alone, and Outlook 2007 names a contact without its address";
    masks[kAddress + "0x804C"] = "checksum: of those members";
    const Keyed theirs = testing::messageOfClass(stores().outlook, "IPM.DistList"), mine = testing::messageOfClass(stores().ours, "IPM.DistList");
    EXPECT_EQ(expectSameBut(theirs, mine, masks), 82u - 31u);
    // The members in Outlook's form: the contact by its first e-mail
    // address, wrapped, then the two addresses as one-off entry ids.
    const auto members = [](const Keyed& list) { return testing::multipleBinaryValues(list.at(kAddress + "0x8055").bytes); };
    const auto outlookMembers = members(theirs), ourMembers = members(mine);
    ASSERT_EQ(ourMembers.size(), 3u);
    ASSERT_EQ(outlookMembers.size(), 3u);
    EXPECT_EQ(ourMembers[0].substr(0, 21), outlookMembers[0].substr(0, 21));  // flags, provider, type 0xC3
    EXPECT_EQ(ourMembers[0].substr(21), testing::messageOfClass(stores().ours, "IPM.Contact").at(kCommon + "0x85BD").bytes);
    EXPECT_EQ(ourMembers[1].substr(0, 24), outlookMembers[1].substr(0, 24));  // a one-off's header
}

TEST(OutlookComparison, TheContactsTableHasOutlooksColumns) {
    const auto theirs = testing::readPstObjects(stores().outlook);
    const auto mine = testing::readPstObjects(stores().ours);
    static constexpr std::uint64_t kContactsTable = 0x814E;
    const auto columnsOf = [](const testing::PstObjects& objects) {
        std::set<std::pair<std::string, std::uint16_t>> columns;
        for (const auto& column : objects.tables.at(kContactsTable).columns)
            columns.emplace(testing::propertyKey(column.tag, objects.namedKeys), static_cast<std::uint16_t>(column.tag));
        return columns;
    };
    EXPECT_EQ(columnsOf(mine), columnsOf(theirs));
    EXPECT_EQ(columnsOf(mine).size(), 119u);
}

}  // namespace
}  // namespace tessaly
