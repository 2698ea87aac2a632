// A card as Outlook 2007 exports it, converted to a .pst and read back with
// pffexport: every field the card holds is in the property Outlook keeps it
// in, and nothing is reported as left without a place.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/encodings.h"
#include "support/pst_readers.h"
#include "support/test_files.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::littleEndian;
using testing::utf16;

// A text property: tagged by id, or named in PSETID_Address by LID.
struct TextProperty {
    std::uint32_t tag, lid;
    const char* text;
};

const TextProperty kTexts[] = {
    {0x3A06, 0, "Quick"}, {0x3A44, 0, "Brown"}, {0x3A11, 0, "Fox"}, {0x3A45, 0, "Dr"}, {0x3A05, 0, "Jr"},
    {0x3A16, 0, "Acme"}, {0x3A18, 0, "Sales"},
    {0x3A17, 0, "Engineer"},     // PidTagTitle: the card's TITLE
    {0x3A46, 0, "Physicist"},    // PidTagProfession: its ROLE
    {0x3A4E, 0, "Mona Manager"}, {0x3A30, 0, "Al Assistant"}, {0x3A48, 0, "Sam Spouse"},
    // The nineteen numbers.
    {0x3A08, 0, "+1 111"}, {0x3A1B, 0, "+1 112"}, {0x3A09, 0, "+1 221"}, {0x3A2F, 0, "+1 222"},
    {0x3A1C, 0, "+1 333"}, {0x3A1E, 0, "+1 444"}, {0x3A1F, 0, "+1 555"}, {0x3A21, 0, "+1 666"},
    {0x3A24, 0, "+1 777"}, {0x3A25, 0, "+1 778"}, {0x3A23, 0, "+1 779"}, {0x3A1A, 0, "+1 888"},
    {0x3A2D, 0, "+1 999"}, {0x3A2C, 0, "+1 123"}, {0x3A02, 0, "+1 234"}, {0x3A1D, 0, "+1 345"},
    {0x3A4B, 0, "+1 456"}, {0x3A2E, 0, "+1 567"}, {0x3A57, 0, "+1 678"},
    // The business address, the mailing one, with its extended address as a
    // second street line.
    {0, 0x8045, "1 Main St\r\nFloor 3"}, {0, 0x8046, "Springfield"}, {0, 0x8047, "IL"}, {0, 0x8048, "62701"},
    {0, 0x8049, "USA"}, {0x3A29, 0, "1 Main St\r\nFloor 3"}, {0x3A27, 0, "Springfield"},
    {0x3A15, 0, "1 Main St\r\nFloor 3\r\nSpringfield, IL 62701\r\nUSA"},
    // The home address with its post-office box, and the other address.
    {0x3A5D, 0, "9 Elm Rd"}, {0x3A59, 0, "Shelbyville"}, {0x3A5C, 0, "KY"}, {0x3A5B, 0, "40065"},
    {0x3A5A, 0, "USA"}, {0x3A5E, 0, "PO Box 9"}, {0x3A63, 0, "5 Oak Ave"}, {0x3A5F, 0, "Capital City"},
    {0x3A60, 0, "USA"}, {0, 0x801C, "5 Oak Ave\r\nCapital City\r\nUSA"},
    // Web pages, e-mail addresses, IM, free/busy.
    {0x3A51, 0, "http://work.example"}, {0x3A50, 0, "http://home.example"}, {0, 0x8083, "one@example.com"},
    {0, 0x8093, "two@example.com"}, {0, 0x80A3, "three@example.com"}, {0, 0x8062, "fox@im.example"},
    {0, 0x80D8, "http://free.example/fox"},
};

TEST(OutlookRoundTrip, AnOutlook2007CardGivesEveryFieldBackInItsProperty) {
    testing::TempDir work;
    const testing::ConvertedContact converted = testing::convertToContact(
        std::string(TESSALY_SOURCE_DIR) + "/tests/data/exporter-cards/outlook-2007.vcf", work.path());
    EXPECT_EQ(converted.run.status, 0) << converted.run.out << converted.run.err;
    EXPECT_EQ(converted.run.out.find("had no place"), std::string::npos) << converted.run.out;
    const auto& values = converted.values;
    ASSERT_FALSE(values.empty());
    for (const TextProperty& property : kTexts)
        EXPECT_EQ(testing::valueOf(values, property.tag, property.lid), utf16(property.text))
            << std::hex << property.tag << " " << property.lid << ": " << property.text;
    // The mailing address is the business one (2); the contact is private.
    EXPECT_EQ(testing::valueOf(values, 0, 0x8022), littleEndian(2, 4));
    EXPECT_EQ(testing::valueOf(values, 0x0036), littleEndian(2, 4));
    // The children, one value each: count, offsets, the names.
    EXPECT_EQ(testing::valueOf(values, 0x3A58),
              littleEndian(2, 4) + littleEndian(12, 4) + littleEndian(12 + 6, 4) + utf16("Kim") + utf16("Lee"));
    // Birthday and anniversary, both there.
    EXPECT_EQ(testing::valueOf(values, 0x3A42).size(), 8u);
    EXPECT_EQ(testing::valueOf(values, 0x3A41).size(), 8u);
}

// A company's card (vCard 4.0's KIND:org, or FN the same as ORG, with no N)
// is filed under the company as Outlook files such a contact: its display
// name, file-as and subject are the company's, PidLidFileUnderId 0x3A16, and
// it has no name parts.
TEST(OutlookRoundTrip, ACompanysCardIsFiledUnderTheCompany) {
    for (const char* card : {"BEGIN:VCARD\r\nVERSION:4.0\r\nKIND:org\r\nFN:Acme Trading Ltd\r\nEND:VCARD\r\n",
                             "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Acme Trading Ltd\r\nORG:Acme Trading Ltd\r\n"
                             "TEL;TYPE=WORK:+1 555\r\nEND:VCARD\r\n"}) {
        testing::TempDir work;
        const testing::ConvertedContact converted = testing::convertToContact(work.write("org.vcf", card), work.path());
        EXPECT_EQ(converted.run.status, 0) << converted.run.out << converted.run.err;
        const auto& values = converted.values;
        ASSERT_FALSE(values.empty()) << card;
        EXPECT_EQ(testing::valueOf(values, 0x3001), utf16("Acme Trading Ltd")) << card;  // display name
        EXPECT_EQ(testing::valueOf(values, 0x3A16), utf16("Acme Trading Ltd")) << card;  // company
        EXPECT_EQ(testing::valueOf(values, 0, 0x8005), utf16("Acme Trading Ltd")) << card;  // file-as
        EXPECT_EQ(testing::valueOf(values, 0, 0x8006), littleEndian(0x3A16, 4)) << card;
        EXPECT_EQ(testing::valueOf(values, 0x0037), utf16("\x01\x01" "Acme Trading Ltd")) << card;
        for (std::uint32_t namePart : {0x3A06u, 0x3A11u, 0x3A44u, 0x3A0Au})  // given, surname, middle, initials
            EXPECT_EQ(testing::valueOf(values, namePart), "") << std::hex << namePart << " " << card;
    }
}

}  // namespace
}  // namespace tessaly
