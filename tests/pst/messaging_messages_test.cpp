// Messages, named properties, attachments and large folders written by the
// store, read back with pffexport, readpst and pst-extractor and compared
// value by value.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>

#include "pst/messaging/pst_file.h"
#include "pst/messaging/property_tags.h"
#include "support/test_files.h"
#include "support/written_stores.h"
#include "verify_pst_editing.h"

namespace tessaly::pst {
namespace {

using testing::readItemValues;
using testing::utf16;
using testing::valueOf;

const Guid kPsetidAddress = parseGuid("00062004-0000-0000-C000-000000000046");

Message contact(const std::string& name, const std::string& email) {
    Message message;
    message.set(tags::MessageClass, PropertyValue::string("IPM.Contact"));
    message.set(tags::Subject, PropertyValue::string(name));
    message.set(tags::DisplayName, PropertyValue::string(name));
    message.set(makeTag(0x3A06, PropertyType::String), PropertyValue::string(name.substr(0, name.find(' '))));
    message.set(PropertyName::numeric(kPsetidAddress, 0x8083), PropertyValue::string(email));  // PidLidEmail1EmailAddress
    message.set(PropertyName::numeric(kPsetidAddress, 0x8005), PropertyValue::string(name));   // PidLidFileUnder
    return message;
}

void expectListed(const std::vector<std::string>& listing, const std::vector<std::string>& lines) {
    for (const auto& line : lines) EXPECT_NE(std::find(listing.begin(), listing.end(), line), listing.end()) << line;
}

// pffexport's folder of item `number` ("Contact00001"), and its values' file.
std::filesystem::path item(const std::string& kind, int number) {
    char name[32];
    std::snprintf(name, sizeof name, "%05d", number);
    return kind + name + "/ItemValues.txt";
}

std::size_t countEntries(const std::filesystem::path& folder, const std::string& prefix) {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().rfind(prefix, 0) == 0) ++count;
    return count;
}

Bytes pattern(std::size_t size, unsigned seed) {
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>((i * 131 + seed + i / 251) & 0xFF);
    return data;
}
std::string patternText(std::size_t size, unsigned seed) {
    const Bytes data = pattern(size, seed);
    return std::string(data.begin(), data.end());
}

// The values the store sets on every message, and a property named by a
// string in a property set of the name map's own GUID stream. (A contact's
// tagged and numeric named values, its folder's count and its item lines are
// read back by every reader in the end-to-end test of the Outlook target.)
TEST(Messages, AMessageKeepsTheStoresOwnValuesAndANameOfAnotherPropertySet) {
    testing::TempDir dir;
    Nid nid = 0;
    const auto path = testing::writeStore(dir.path() / "contacts.pst", "Contacts Store", [&](PstFile& store) {
        Message message = contact("Jane Doe", "jane@example.com");
        message.set(PropertyName::string(parseGuid("00020386-0000-0000-C000-000000000046"), "x-source-file"),
                    PropertyValue::string("jane.vcf"));
        nid = store.addMessage(store.standardFolder(StandardFolder::Contacts), std::move(message));
    });
    const auto values = readItemValues(testing::pffExport(path, dir.path()) / "Top of Personal Folders" / "Contacts" /
                                       "Contact00001" / "ItemValues.txt");
    EXPECT_EQ(valueOf(values, 0x3007), std::string("\x06\x8F\x95\x67\x21\x78\xCF\x01", 8));
    EXPECT_EQ(valueOf(values, 0x0E17), std::string(4, '\0'));  // PidTagMessageStatus
    // PidTagSearchKey: the record key with the message's NID at its end.
    std::string searchKey(testing::kFixedRecordKey.begin(), testing::kFixedRecordKey.begin() + 12);
    for (int i = 0; i < 4; ++i) searchKey.push_back(static_cast<char>(nid >> (8 * i)));
    EXPECT_EQ(valueOf(values, 0x300B), searchKey);
    const auto named = std::find_if(values.begin(), values.end(), [](const auto& v) { return v.mapsToName == "x-source-file"; });
    ASSERT_NE(named, values.end());
    EXPECT_GE(named->entryType, 0x8000u);
    EXPECT_EQ(named->bytes, utf16("jane.vcf"));

    expectListed(testing::npmListing(path),
                 {"store\tContacts Store", "folder\t/Top of Personal Folders/Calendar\tIPF.Appointment\t0",
                  "folder\t/Search Root\t\t0", "folder\t/SPAM Search Folder 2\t\t0"});
}

// Attachments of 1 KB to 9 MB (past one XBLOCK's 1,021 blocks, so an
// XXBLOCK), then a message of 400 values over 3,580 bytes: 400 subnodes, past
// one SLBLOCK's 340, so an SIBLOCK.
TEST(Messages, AttachmentsToNineMegabytesAndFourHundredSubnodesReadBack) {
    const std::pair<const char*, std::size_t> sizes[] = {
        {"small.bin", 1024}, {"medium.bin", 100 * 1024}, {"large.bin", 3 * 1024 * 1024}, {"huge.bin", 9 * 1024 * 1024}};
    testing::TempDir dir;
    const auto path = testing::writeStore(dir.path() / "attachments.pst", "Attachments", [&](PstFile& store) {
        unsigned seed = 0;
        for (const auto& [name, size] : sizes) {
            Message message;
            message.set(tags::Subject, PropertyValue::string(name));
            message.addAttachment({name, pattern(size, ++seed), {}});
            store.addMessage(store.standardFolder(StandardFolder::Inbox), message);
        }
        Message many;
        many.set(tags::Subject, PropertyValue::string("many large values"));
        for (std::uint16_t i = 0; i < 400; ++i)
            many.set(makeTag(static_cast<std::uint16_t>(0x6000 + i), PropertyType::Binary), PropertyValue::binary(pattern(4000, i)));
        store.addMessage(store.standardFolder(StandardFolder::Inbox), many);
    });
    const auto inbox = testing::pffExport(path, dir.path()) / "Top of Personal Folders" / "Inbox";
    const auto out = testing::readpst(path, dir.path() / "readpst", "-D -S");  // attachments as separate files
    EXPECT_NE(out.find("\"Inbox\" - 5 items done, 0 items skipped."), std::string::npos) << out;
    unsigned index = 0;
    for (const auto& [name, size] : sizes) {
        const auto message = inbox / ("Message0000" + std::to_string(++index));
        const std::string expected = patternText(size, index);
        const std::string exported = testing::readFile(message / "Attachments" / (std::string("1_") + name));
        EXPECT_EQ(exported.size(), size) << name;
        EXPECT_TRUE(exported == expected) << name;
        const auto values = readItemValues(message / "ItemValues.txt");
        EXPECT_EQ(valueOf(values, 0x0037), utf16(name));
        EXPECT_EQ(valueOf(values, 0x0E1B), std::string(1, '\1'));  // PidTagHasAttachments
        // PidTagMessageSize counts the attachment's bytes with the message's own.
        const std::string messageSize = valueOf(values, 0x0E08);
        ASSERT_EQ(messageSize.size(), 4u);
        EXPECT_GE(get32(reinterpret_cast<const std::uint8_t*>(messageSize.data())), size) << name;
        const auto file = dir.path() / "readpst" / "Attachments" / "Inbox" / (std::to_string(index) + "-" + name);
        EXPECT_TRUE(testing::readFile(file) == expected) << file;
    }
    std::vector<std::string> listed = {"folder\t/Top of Personal Folders/Inbox\tIPF.Note\t5",
                                       "item\t/Top of Personal Folders/Inbox\tIPM.Note\tmany large values\t\t"};
    for (const auto& [name, size] : sizes)
        listed.push_back(std::string("item\t/Top of Personal Folders/Inbox\tIPM.Note\t") + name + "\t\t" + name + ":" + std::to_string(size));
    expectListed(testing::npmListing(path), listed);
    const auto values = readItemValues(inbox / "Message00005" / "ItemValues.txt");
    for (std::uint16_t i : {0, 1, 339, 340, 341, 399}) EXPECT_TRUE(valueOf(values, 0x6000u + i) == patternText(4000, i)) << i;
    // Without attachments, PidTagMessageSize counts the bytes of every other
    // value the message holds: the 400 large ones and the store's own.
    std::size_t total = 0;
    for (const auto& value : values)
        if (value.entryType != 0x0E08) total += value.bytes.size();
    EXPECT_GT(total, 400u * 4000u);
    EXPECT_EQ(valueOf(values, 0x0E08), testing::littleEndian(total, 4));
}

// A contents table of 3,000 rows (a heap and a row matrix of many blocks,
// every one but the last a whole 8,176 bytes) and a message whose 300 values
// fill several heap blocks: every reader finds every row and value. A HID
// numbers at most 2,047 allocations in one heap block: rows of seven tiny
// cells (the class and six one-byte binary columns of the contents table),
// and a message of 3,000 one-byte values, fill blocks with more than that
// (which readpst skips: they have no message class it knows).
TEST(Messages, ThousandsOfRowsAndValuesOverManyHeapBlocksReadBackEverywhere) {
    const std::uint32_t binaryColumns[] = {0x00710102, 0x30130102, 0x0E300102, 0x0E340102, 0x0E3D0102, 0x0E3C0102};
    testing::TempDir dir;
    const auto text = [](int i) { return std::string(90, static_cast<char>('a' + i % 26)) + std::to_string(i); };
    const auto path = testing::writeStore(dir.path() / "blocks.pst", "Blocks", [&](PstFile& store) {
        for (int i = 0; i < 3000; ++i) {
            Message message;
            message.set(tags::MessageClass, PropertyValue::string("IPM.Contact"));
            message.set(tags::Subject, PropertyValue::string("Message " + std::to_string(i)));
            message.set(PropertyName::numeric(kPsetidAddress, 0x8083), PropertyValue::string(text(i)));
            // pst-extractor drops the name map's last entry: the e-mail's must not be it.
            message.set(PropertyName::numeric(kPsetidAddress, 0x8005), PropertyValue::string("Message"));
            store.addMessage(store.standardFolder(StandardFolder::Inbox), std::move(message));
        }
        for (int i = 0; i < 1000; ++i) {
            Message tiny;
            tiny.set(tags::MessageClass, PropertyValue::string("X"));
            for (std::uint32_t tag : binaryColumns)
                tiny.set(tag, PropertyValue::binary(Bytes{static_cast<std::uint8_t>(i + tag)}));
            store.addMessage(store.standardFolder(StandardFolder::Outbox), std::move(tiny));
        }
        Message large, many;
        large.set(tags::Subject, PropertyValue::string("Large"));
        for (int i = 0; i < 300; ++i)
            large.set(makeTag(static_cast<std::uint16_t>(0x6000 + i), PropertyType::String), PropertyValue::string(text(i)));
        for (std::uint16_t i = 0; i < 3000; ++i)
            many.set(makeTag(static_cast<std::uint16_t>(0x6000 + i), PropertyType::Binary),
                     PropertyValue::binary(Bytes{static_cast<std::uint8_t>(i)}));
        store.addMessage(store.standardFolder(StandardFolder::Drafts), std::move(large));
        store.addMessage(store.standardFolder(StandardFolder::SentItems), std::move(many));
    });
    const auto top = testing::pffExport(path, dir.path()) / "Top of Personal Folders";
    EXPECT_EQ(countEntries(top / "Inbox", "Contact"), 3000u);
    std::set<std::string> subjects;
    for (int i = 1; i <= 3000; i += 7)
        subjects.insert(valueOf(readItemValues(top / "Inbox" / item("Contact", i)), 0x0037));
    EXPECT_EQ(subjects.size(), 429u);
    const auto values = readItemValues(top / "Drafts" / item("Message", 1));
    for (int i = 0; i < 300; ++i) EXPECT_EQ(valueOf(values, 0x6000u + i), utf16(text(i))) << i;
    const auto tinyValues = readItemValues(top / "Sent Items" / item("Message", 1));
    for (std::uint16_t i : {0, 2046, 2047, 2999})
        EXPECT_EQ(valueOf(tinyValues, 0x6000u + i), std::string(1, static_cast<char>(i)));

    const auto out = testing::readpst(path, dir.path() / "readpst", "-D -r");
    EXPECT_NE(out.find("\"Inbox\" - 3000 items done, 0 items skipped."), std::string::npos) << out;
    EXPECT_NE(out.find("\"Drafts\" - 1 items done, 0 items skipped."), std::string::npos) << out;

    std::vector<std::string> listed = {"folder\t/Top of Personal Folders/Inbox\tIPF.Note\t3000",
                                       "folder\t/Top of Personal Folders/Outbox\tIPF.Note\t1000",
                                       "item\t/Top of Personal Folders/Drafts\tIPM.Note\tLarge\t\t"};
    for (int i = 0; i < 3000; ++i)
        listed.push_back("item\t/Top of Personal Folders/Inbox\tIPM.Contact\tMessage " + std::to_string(i) + "\t" + text(i) + "\t");
    expectListed(testing::npmListing(path), listed);
}

// A block counts at most 65,535 references. Every message without
// attachments shares one subnode tree, and every message shares the empty
// recipient table: past 65,535 messages of each kind the store writes copies.
// With long subjects the contents table's heap passes 150 MB, and the verifier
// reads it through: a subject changed in the last message alone is found.
TEST(Messages, MoreMessagesThanABlockCanCountShareCopiesOfTheirCommonBlocks) {
    testing::TempDir dir;
    constexpr int kEach = 65600;
    const std::string kLong(500, 'x');
    Nid last = 0;
    const auto path = testing::writeStore(dir.path() / "shared.pst", "Shared", [&](PstFile& store) {
        const Nid contacts = store.standardFolder(StandardFolder::Contacts);
        for (int i = 0; i < kEach; ++i) {
            Message plain = contact(i + 1 < kEach ? "Shared Person" : "Shared Last", "shared@example.com");
            plain.set(tags::Subject, PropertyValue::string(std::string(i + 1 < kEach ? "Person " : "Last ") + kLong));
            Message attached = plain;
            attached.addAttachment({"a.gif", Bytes{1}, {}});
            store.addMessage(contacts, std::move(attached));
            last = store.addMessage(contacts, std::move(plain));
        }
    });
    const auto out = testing::readpst(path, dir.path() / "readpst", "-D -r");
    EXPECT_NE(out.find("\"Contacts\" - " + std::to_string(2 * kEach) + " items done, 0 items skipped."),
              std::string::npos)
        << out;

    const std::string text = testing::readFile(path);
    verify::testing::PstEditor editor(std::vector<std::uint8_t>(text.begin(), text.end()));
    const std::uint64_t block = editor.nodes().at(last).dataBid;
    auto plain = editor.decodedBlock(block);
    const std::string name = utf16("Last " + kLong);
    for (auto at = std::search(plain.begin(), plain.end(), name.begin(), name.end()); at != plain.end();
         at = std::search(at + 1, plain.end(), name.begin(), name.end()))
        at[0] = 'l';
    editor.writeDecodedBlock(block, plain);
    EXPECT_EQ(verify::testing::violatedRules(editor.verify()), std::set<std::string>{"folder.contents-mismatch"});
}

}  // namespace
}  // namespace tessaly::pst
