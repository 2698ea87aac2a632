// Messages, named properties, attachments and large folders written by the
// store, read back with pffexport and readpst and compared value by value.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>

#include "pst/messaging/pst_file.h"
#include "pst/messaging/property_tags.h"
#include "pst/ndb/file_space.h"
#include "pst/ndb/little_endian.h"
#include "support/pff_export.h"
#include "support/pst_verification.h"
#include "support/test_files.h"

namespace tessaly::pst {
namespace {

using testing::findValue;
using testing::readItemValues;
using testing::utf16;

const Guid kPsetidAddress = parseGuid("00062004-0000-0000-C000-000000000046");

PstOptions fixedOptions() {
    PstOptions options;
    options.recordKey = std::array<std::uint8_t, 16>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    options.unique = 7;
    options.fileTime = 0x01D0000000000000ull;
    return options;
}

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

std::string readpst(const std::filesystem::path& pst, const std::filesystem::path& out, const std::string& flags) {
    std::filesystem::create_directories(out);
    const auto result = testing::runCommand("readpst " + flags + " -o " + testing::shellQuote(out.string()) + " " +
                                            testing::shellQuote(pst.string()));
    EXPECT_EQ(result.status, 0) << result.err;
    return result.out;
}

std::size_t countEntries(const std::filesystem::path& folder, const std::string& prefix) {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string().rfind(prefix, 0) == 0) ++count;
    }
    return count;
}

TEST(Messages, ContactPropertiesAndNamedPropertiesReadBack) {
    testing::TempDir dir;
    const auto path = dir.path() / "contact.pst";
    Nid nid = 0;
    {
        auto store = PstFile::create(path, "Contacts Store", fixedOptions());
        Message message = contact("Jane Doe", "jane@example.com");
        message.set(PropertyName::string(parseGuid("00020386-0000-0000-C000-000000000046"), "x-source-file"),
                    PropertyValue::string("jane.vcf"));
        nid = store->addMessage(store->standardFolder(StandardFolder::Contacts), std::move(message));
        store->close();
        testing::expectValidPst(path);
    }
    const auto root = testing::pffExport(path, dir.path());
    const auto folder = root / "Top of Personal Folders" / "Contacts";
    const auto folderValues = readItemValues(folder / "ItemValues.txt");
    EXPECT_EQ(findValue(folderValues, 0x3602)->bytes, std::string("\1\0\0\0", 4));
    const auto values = readItemValues(folder / "Contact00001" / "ItemValues.txt");
    ASSERT_TRUE(findValue(values, 0x001A));
    EXPECT_EQ(findValue(values, 0x001A)->bytes, utf16("IPM.Contact"));
    EXPECT_EQ(findValue(values, 0x0037)->bytes, utf16("Jane Doe"));
    EXPECT_EQ(findValue(values, 0x3A06)->bytes, utf16("Jane"));
    EXPECT_EQ(findValue(values, 0x3007)->bytes, std::string("\0\0\0\0\0\0\xD0\x01", 8));
    EXPECT_EQ(findValue(values, 0x0E17)->bytes, std::string(4, '\0'));  // PidTagMessageStatus
    // PidTagSearchKey: the record key with the message's NID at its end.
    std::string searchKey = "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C";
    for (int i = 0; i < 4; ++i) searchKey.push_back(static_cast<char>(nid >> (8 * i)));
    EXPECT_EQ(findValue(values, 0x300B)->bytes, searchKey);
    // Named properties resolve through the map to their LIDs.
    const auto* email = findValue(values, 0, 0x8083);
    const auto* fileUnder = findValue(values, 0, 0x8005);
    ASSERT_TRUE(email && fileUnder);
    EXPECT_GE(email->entryType, 0x8000u);
    EXPECT_EQ(email->bytes, utf16("jane@example.com"));
    EXPECT_EQ(fileUnder->bytes, utf16("Jane Doe"));
    const auto named = std::find_if(values.begin(), values.end(), [](const auto& v) { return v.mapsToName == "x-source-file"; });
    ASSERT_NE(named, values.end());
    EXPECT_EQ(named->bytes, utf16("jane.vcf"));

    const auto out = readpst(path, dir.path() / "readpst", "-D -r -e");
    EXPECT_NE(out.find("\"Contacts\" - 1 items done, 0 items skipped."), std::string::npos) << out;
    const auto vcard = testing::readFile(dir.path() / "readpst" / "Contacts Store" / "Contacts" / "1.vcf");
    EXPECT_NE(vcard.find("EMAIL:jane@example.com"), std::string::npos) << vcard;
    EXPECT_NE(vcard.find("FN:Jane Doe"), std::string::npos) << vcard;
}

Bytes pattern(std::size_t size, unsigned seed) {
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>((i * 131 + seed + i / 251) & 0xFF);
    return data;
}

TEST(Messages, AttachmentsFromOneKilobyteToNineMegabytesReadBack) {
    // 9 MB needs more than one XBLOCK's 1,021 blocks, so an XXBLOCK.
    const std::pair<const char*, std::size_t> sizes[] = {
        {"small.bin", 1024}, {"medium.bin", 100 * 1024}, {"large.bin", 3 * 1024 * 1024}, {"huge.bin", 9 * 1024 * 1024}};
    testing::TempDir dir;
    const auto path = dir.path() / "attachments.pst";
    {
        auto store = PstFile::create(path, "Attachments", fixedOptions());
        unsigned seed = 0;
        for (const auto& [name, size] : sizes) {
            Message message;
            message.set(tags::Subject, PropertyValue::string(name));
            message.addAttachment({name, pattern(size, ++seed), {}});
            store->addMessage(store->standardFolder(StandardFolder::Inbox), message);
        }
        store->close();
        testing::expectValidPst(path);
    }
    const auto inbox = testing::pffExport(path, dir.path()) / "Top of Personal Folders" / "Inbox";
    unsigned seed = 0;
    std::size_t index = 0;
    for (const auto& [name, size] : sizes) {
        const auto message = inbox / ("Message0000" + std::to_string(++index));
        const Bytes expected = pattern(size, ++seed);
        const std::string exported = testing::readFile(message / "Attachments" / (std::string("1_") + name));
        EXPECT_EQ(exported.size(), size) << name;
        EXPECT_TRUE(exported == std::string(expected.begin(), expected.end())) << name;
        const auto values = readItemValues(message / "ItemValues.txt");
        EXPECT_EQ(findValue(values, 0x0037)->bytes, utf16(name));
        EXPECT_EQ(findValue(values, 0x0E1B)->bytes, std::string(1, '\1'));
    }
    // readpst writes each message with its attachments as separate files.
    const auto out = readpst(path, dir.path() / "readpst", "-D -S");
    EXPECT_NE(out.find("\"Inbox\" - 4 items done, 0 items skipped."), std::string::npos) << out;
    seed = 0;
    index = 0;
    for (const auto& [name, size] : sizes) {
        const auto file = dir.path() / "readpst" / "Attachments" / "Inbox" / (std::to_string(++index) + "-" + name);
        const Bytes expected = pattern(size, ++seed);
        EXPECT_TRUE(testing::readFile(file) == std::string(expected.begin(), expected.end())) << file;
    }
}

TEST(Messages, FiveHundredMessagesKeepTheirSubjectsAndCounts) {
    testing::TempDir dir;
    const auto path = dir.path() / "five-hundred.pst";
    {
        auto store = PstFile::create(path, "Five Hundred", fixedOptions());
        const Nid folder = store->createFolder(store->ipmSubtree(), "Imported", "IPF.Contact");
        for (int i = 0; i < 500; ++i) {
            store->addMessage(folder, contact("Person " + std::to_string(i), "p" + std::to_string(i) + "@example.com"));
        }
        EXPECT_EQ(store->messageCount(folder), 500u);
        store->close();
        testing::expectValidPst(path);
    }
    const auto folder = testing::pffExport(path, dir.path()) / "Top of Personal Folders" / "Imported";
    EXPECT_EQ(countEntries(folder, "Contact"), 500u);
    std::set<std::string> subjects;
    for (int i = 1; i <= 500; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Contact%05d", i);
        const auto values = readItemValues(folder / name / "ItemValues.txt");
        ASSERT_TRUE(findValue(values, 0x0037)) << name;
        subjects.insert(findValue(values, 0x0037)->bytes);
    }
    for (int i = 0; i < 500; ++i) EXPECT_TRUE(subjects.count(utf16("Person " + std::to_string(i)))) << i;
    const auto folderValues = readItemValues(folder / "ItemValues.txt");
    EXPECT_EQ(findValue(folderValues, 0x3602)->bytes, std::string("\xF4\x01\0\0", 4));
    const auto out = readpst(dir.path() / "five-hundred.pst", dir.path() / "readpst", "-D -r -e");
    EXPECT_NE(out.find("\"Imported\" - 500 items done, 0 items skipped."), std::string::npos) << out;
    const auto vcard = testing::readFile(dir.path() / "readpst" / "Five Hundred" / "Imported" / "500.vcf");
    EXPECT_NE(vcard.find("@example.com"), std::string::npos);
}

TEST(Messages, FourHundredLargePropertiesNeedASubnodeIndexBlock) {
    testing::TempDir dir;
    const auto path = dir.path() / "subnodes.pst";
    {
        auto store = PstFile::create(path, "Subnodes", fixedOptions());
        Message message;
        message.set(tags::Subject, PropertyValue::string("many large values"));
        // 400 values over 3,580 bytes: 400 subnodes, past one SLBLOCK's 340.
        for (std::uint16_t i = 0; i < 400; ++i) {
            message.set(makeTag(static_cast<std::uint16_t>(0x6000 + i), PropertyType::Binary),
                        PropertyValue::binary(pattern(4000, i)));
        }
        store->addMessage(store->standardFolder(StandardFolder::Inbox), message);
        store->close();
        testing::expectValidPst(path);
    }
    const auto values = readItemValues(testing::pffExport(path, dir.path()) / "Top of Personal Folders" / "Inbox" /
                                       "Message00001" / "ItemValues.txt");
    for (std::uint16_t i : {0, 1, 339, 340, 341, 399}) {
        const auto* value = findValue(values, 0x6000u + i);
        ASSERT_TRUE(value) << i;
        const Bytes expected = pattern(4000, i);
        EXPECT_TRUE(value->bytes == std::string(expected.begin(), expected.end())) << i;
    }
}

TEST(Messages, TwentyThousandMessagesGrowPastTheFirstFreeMap) {
    testing::TempDir dir;
    const auto path = dir.path() / "twenty-thousand.pst";
    {
        auto store = PstFile::create(path, "Twenty Thousand", fixedOptions());
        const Nid contacts = store->standardFolder(StandardFolder::Contacts);
        Message message = contact("Bulk Person", "bulk@example.com");
        // About 1.7 KB of properties each, so the file passes 32 MB.
        for (std::uint16_t k = 0; k < 40; ++k) {
            message.set(makeTag(static_cast<std::uint16_t>(0x3A10 + k), PropertyType::String),
                        PropertyValue::string(std::string(20, static_cast<char>('a' + k % 26))));
        }
        for (int i = 0; i < 20000; ++i) {
            Message one = message;
            one.set(tags::Subject, PropertyValue::string("Bulk " + std::to_string(i)));
            store->addMessage(contacts, one);
        }
        store->close();
        testing::expectValidPst(path);
    }
    const std::string file = testing::readFile(path);
    const std::uint64_t fmap = FileSpace::rangeStart(128) + 0x400;
    ASSERT_GT(file.size(), fmap + 512);
    EXPECT_EQ(static_cast<std::uint8_t>(file[fmap + 496]), 0x82);  // an FMap page trailer
    // Item text only: value dumps of 20,000 items would take minutes.
    const auto folder = testing::pffExport(path, dir.path(), "items", false) / "Top of Personal Folders" / "Contacts";
    EXPECT_EQ(countEntries(folder, "Contact"), 20000u);
    for (const char* item : {"Contact00001", "Contact10000", "Contact20000"}) {
        const std::string text = testing::readFile(folder / item / "Contact.txt");
        EXPECT_NE(text.find("Subject:\t\t\t\tBulk "), std::string::npos) << text;
        EXPECT_NE(text.find("Email address 1:\t\t\tbulk@example.com"), std::string::npos) << text;
    }
    const auto out = readpst(path, dir.path() / "readpst", "-D -r");
    EXPECT_NE(out.find("\"Contacts\" - 20000 items done, 0 items skipped."), std::string::npos) << out;
}

}  // namespace
}  // namespace tessaly::pst
