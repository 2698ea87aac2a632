// The properties Outlook derives from a contact's fields, as the object model
// derives them: names, file-as, initials, addresses, entries and keywords.
// Dates, in time zones either side of UTC, are read back from the program's
// stores in the Outlook end-to-end test; the contact Outlook made of "contact
// name 1" (its names, initials and one-off entry identifier among them) is
// compared property by property in the Outlook comparison test.

#include "outlook/contact_message.h"

#include <gtest/gtest.h>

#include "outlook/one_off_entry_id.h"
#include "pst/messaging/pst_file.h"
#include "outlook/property_sets.h"
#include "pst/messaging/property_tags.h"
#include "support/pst_objects.h"
#include "support/test_files.h"
#include "support/written_stores.h"

namespace tessaly::outlook {
namespace {

using F = ContactField;
using pst::get32;

ContactContent contentOf(std::initializer_list<std::pair<ContactField, std::string>> fields) {
    ContactContent content;
    for (const auto& [field, value] : fields) content[field] = value;
    return content;
}

const pst::PropertyValue* named(const pst::Message& message, const pst::PropertyName& name) {
    for (const auto& [key, value] : message.named())
        if (!(key < name) && !(name < key)) return &value;
    return nullptr;
}
const pst::PropertyValue* tagged(const pst::Message& message, std::uint32_t tag) {
    const pst::PropertyValue* found = nullptr;
    for (const auto& [key, value] : message.tagged())
        if (key == tag) found = &value;  // the last one set
    return found;
}
std::string text(const pst::PropertyValue* value) {
    if (value == nullptr) return "(absent)";
    std::string out;
    for (std::size_t i = 0; i + 1 < value->bytes().size(); i += 2) out += static_cast<char>(value->bytes()[i]);
    return out;
}

TEST(ContactNames, DisplayNameFileAsAndInitialsFollowOutlooksDefaults) {
    const struct {
        ContactContent content;
        std::string display, fileAs, initials;
    } cases[] = {
        {contentOf({{F::Title, "Dr."}, {F::FirstName, "Maja"}, {F::LastName, "Lindqvist"}, {F::Suffix, "PhD"}}),
         "Dr. Maja Lindqvist PhD", "Lindqvist, Maja", "M.L."},
        {contentOf({{F::FirstName, "\xC3\x98rjan"}}), "\xC3\x98rjan", "\xC3\x98rjan", "\xC3\x98."},
        {contentOf({{F::LastName, "Okafor"}}), "Okafor", "Okafor", "O."},
        {contentOf({{F::CompanyName, "Acme"}, {F::Email1Address, "a@acme.example"}}), "Acme", "Acme", ""},
        {contentOf({{F::Email1Address, "a@acme.example"}}), "a@acme.example", "", ""},
    };
    for (const auto& [content, display, fileAs, initials] : cases) {
        EXPECT_EQ(contactDisplayName(content), display);
        EXPECT_EQ(contactFileAs(content), fileAs) << display;
        EXPECT_EQ(contactInitials(content), initials) << display;
    }
    // File-as by company when there is no name; by the display name when there is neither.
    const pst::Message company = contactMessage(cases[3].content, {});
    EXPECT_EQ(get32(named(company, addressProperty(0x8006))->bytes().data()), 0x3A16u);
    const pst::Message mailOnly = contactMessage(cases[4].content, {});
    EXPECT_EQ(text(named(mailOnly, addressProperty(0x8005))), "a@acme.example");
    EXPECT_EQ(get32(named(mailOnly, addressProperty(0x8006))->bytes().data()), 0x3001u);
}

TEST(ContactAddresses, PartsMakeTheAddressTextAndTheChosenOneIsTheMailingAddress) {
    // Street, city and country lines are the end-to-end test's; here a state without a city, and nothing.
    EXPECT_EQ(compositeAddress("", "", "CA", "94016", ""), "CA 94016");
    EXPECT_EQ(compositeAddress("", "", "", "", ""), "");
    const ContactContent home = contentOf({{F::HomeAddressStreet, "N\xC3\xB8rrebrogade 12"},
                                           {F::HomeAddressCity, "K\xC3\xB8" "benhavn"},
                                           {F::HomeAddressPostalCode, "2200"},
                                           {F::BusinessAddressCity, "Aarhus"},
                                           {F::SelectedMailingAddress, "1"}});
    const pst::Message message = contactMessage(home, {});
    EXPECT_EQ(get32(named(message, addressProperty(0x8022))->bytes().data()), 1u);  // home
    EXPECT_EQ(tagged(message, 0x3A29001F)->bytes(), pst::PropertyValue::string("N\xC3\xB8rrebrogade 12").bytes());
    EXPECT_EQ(text(tagged(message, 0x3A2A001F)), "2200");
    // Every part of it, empty or not, but the post-office box.
    EXPECT_EQ(text(tagged(message, 0x3A26001F)), "");
    EXPECT_EQ(text(tagged(message, 0x3A28001F)), "");
    EXPECT_EQ(tagged(message, 0x3A2B001F), nullptr);
    EXPECT_EQ(tagged(message, 0x3A15001F)->bytes(),
              pst::PropertyValue::string("N\xC3\xB8rrebrogade 12\r\nK\xC3\xB8" "benhavn, 2200").bytes());
    EXPECT_EQ(text(named(message, addressProperty(0x801B))), "Aarhus");  // the business address text
    // No mailing address: no code and no copy, but its country, city and
    // state empty, as Outlook writes them on every contact.
    const pst::Message none = contactMessage(contentOf({{F::HomeAddressCity, "Oslo"}}), {});
    EXPECT_EQ(named(none, addressProperty(0x8022)), nullptr);
    EXPECT_EQ(text(tagged(none, 0x3A27001F)), "");
    EXPECT_EQ(tagged(none, 0x3A29001F), nullptr);
    EXPECT_EQ(tagged(none, 0x3A15001F), nullptr);
}

TEST(ContactEntries, EmailAndFaxEntriesAndTheListOfThem) {
    const ContactContent content = contentOf({{F::FirstName, "Ana"},
                                              {F::Title, "Dr."},
                                              {F::Email2Address, "ana@example.org"},
                                              {F::HomeFaxNumber, "+1 555 0100"},
                                              {F::Categories, " Family, ,Friends ,,"}});
    const pst::Message message = contactMessage(content, {});
    // Only the second e-mail address: no first entry at all.
    EXPECT_EQ(named(message, addressProperty(0x8083)), nullptr);
    EXPECT_EQ(named(message, addressProperty(0x8082)), nullptr);
    // The entries name the contact without its title; an e-mail entry adds
    // the address in brackets.
    EXPECT_EQ(text(named(message, addressProperty(0x8090))), "Ana (ana@example.org)");
    EXPECT_EQ(text(named(message, addressProperty(0x8092))), "SMTP");
    EXPECT_EQ(named(message, addressProperty(0x8095))->bytes(),
              oneOffEntryId("Ana (ana@example.org)", "SMTP", "ana@example.org"));
    // Home fax is the third fax entry (business the second, as in Outlook's
    // own contacts); the others keep their type with empty addresses.
    EXPECT_EQ(text(named(message, addressProperty(0x80D3))), "Ana@+1 555 0100");
    EXPECT_EQ(text(named(message, addressProperty(0x80D4))), "Ana");
    EXPECT_EQ(named(message, addressProperty(0x80D5))->bytes(), oneOffEntryId("Ana", "FAX", "Ana@+1 555 0100"));
    EXPECT_EQ(text(named(message, addressProperty(0x80C2))), "FAX");
    EXPECT_EQ(text(named(message, addressProperty(0x80C3))), "");
    EXPECT_EQ(text(named(message, addressProperty(0x80B2))), "FAX");
    EXPECT_EQ(text(named(message, addressProperty(0x80B3))), "");
    EXPECT_EQ(named(message, addressProperty(0x80B5)), nullptr);
    EXPECT_EQ(named(message, addressProperty(0x8028))->bytes(), pst::PropertyValue::multipleInt32({1, 4}).bytes());
    EXPECT_EQ(get32(named(message, addressProperty(0x8029))->bytes().data()), 0x12u);
    EXPECT_EQ(categoryKeywords(content[F::Categories]), (std::vector<std::string>{"Family", "Friends"}));
    EXPECT_EQ(named(message, keywordsProperty())->bytes(),
              pst::PropertyValue::multipleString({"Family", "Friends"}).bytes());

    // The business fax in the second entry, the other (primary) fax in the
    // first, listed as 3 and 5.
    const pst::Message faxes = contactMessage(contentOf({{F::FirstName, "Bo"},
                                                         {F::BusinessFaxNumber, "1"},
                                                         {F::OtherFaxNumber, "2"}}),
                                              {});
    EXPECT_EQ(text(named(faxes, addressProperty(0x80C3))), "Bo@1");
    EXPECT_EQ(text(named(faxes, addressProperty(0x80B3))), "Bo@2");
    EXPECT_EQ(text(tagged(faxes, 0x3A23001F)), "2");  // PidTagPrimaryFaxNumber
    EXPECT_EQ(named(faxes, addressProperty(0x8028))->bytes(), pst::PropertyValue::multipleInt32({3, 5}).bytes());
    EXPECT_EQ(get32(named(faxes, addressProperty(0x8029))->bytes().data()), 0x28u);
}

// The picture as a store keeps it: an attachment whose table has the columns
// of Outlook 2016's attachment tables, whose size follows Outlook's rule, and
// which is marked as the contact's photo and hidden.
TEST(ContactPicture, IsAnAttachmentAsOutlook2016KeepsOne) {
    ContactContent content = contentOf({{F::FirstName, "Ana"}});
    content.picture = ContactPicture{std::vector<std::uint8_t>(7352, 0xD8), "image/jpeg"};
    testing::TempDir dir;
    const auto path = testing::writeStore(dir.path() / "picture.pst", "Picture", [&](pst::PstFile& store) {
        store.addMessage(store.standardFolder(pst::StandardFolder::Contacts), contactMessage(content, {}));
    });
    const auto ours = testing::readMessageAttachments(path);
    const auto outlook = testing::readMessageAttachments(std::filesystem::path(TESSALY_FIXTURES_DIR) / "pst-reference" /
                                                         "outlook2016-tika-testPST.pst");
    ASSERT_EQ(ours.size(), 1u);
    ASSERT_EQ(outlook.size(), 1u);
    ASSERT_TRUE(ours[0].table && outlook[0].table);
    EXPECT_EQ(testing::columnsText(*ours[0].table), testing::columnsText(*outlook[0].table));
    ASSERT_EQ(ours[0].attachments.size(), 1u);
    const pst::verify::PropertyMap& photo = ours[0].attachments.begin()->second;
    EXPECT_EQ(pst::verify::integerProperty(photo, 0x0E20), testing::sizeOfAllValues(photo));
    EXPECT_GT(testing::sizeOfAllValues(photo), 7352u);
    EXPECT_EQ(pst::verify::integerProperty(photo, 0x3714), 0u);  // PidTagAttachFlags
    EXPECT_EQ(pst::verify::booleanProperty(photo, 0x7FFF), true);  // PidTagAttachmentContactPhoto
    EXPECT_EQ(pst::verify::booleanProperty(photo, 0x7FFE), true);  // PidTagAttachmentHidden
}

}  // namespace
}  // namespace tessaly::outlook
