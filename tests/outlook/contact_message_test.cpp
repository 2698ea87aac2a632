// The properties Outlook derives from a contact's fields, as the object model
// derives them: names, file-as, initials, addresses, keywords, dates in two
// time zones, and the one-off entry identifier byte for byte against
// Outlook's own.

#include "outlook/contact_message.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "outlook/one_off_entry_id.h"
#include "outlook/property_sets.h"
#include "pst/messaging/property_tags.h"
#include "support/pst_readers.h"
#include "support/test_files.h"
#include "vcard/vcard_date.h"

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
        {contentOf({{F::FirstName, "contact"}, {F::MiddleName, "name"}, {F::LastName, "1"}}), "contact name 1",
         "1, contact name", "c.n.1."},
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
    const pst::Message company = contactMessage(cases[4].content, {});
    EXPECT_EQ(get32(named(company, addressProperty(0x8006))->bytes().data()), 0x3A16u);
    const pst::Message mailOnly = contactMessage(cases[5].content, {});
    EXPECT_EQ(text(named(mailOnly, addressProperty(0x8005))), "a@acme.example");
    EXPECT_EQ(get32(named(mailOnly, addressProperty(0x8006))->bytes().data()), 0x3001u);
}

TEST(ContactAddresses, PartsMakeTheAddressTextAndTheChosenOneIsTheMailingAddress) {
    EXPECT_EQ(compositeAddress("1 Quay Street", "Bristol", "", "BS1 4DJ", "United Kingdom"),
              "1 Quay Street\r\nBristol, BS1 4DJ\r\nUnited Kingdom");
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
    EXPECT_EQ(tagged(message, 0x3A26001F), nullptr);  // no country: none copied
    EXPECT_EQ(tagged(message, 0x3A15001F)->bytes(),
              pst::PropertyValue::string("N\xC3\xB8rrebrogade 12\r\nK\xC3\xB8" "benhavn, 2200").bytes());
    EXPECT_EQ(text(named(message, addressProperty(0x801B))), "Aarhus");  // the business address text
    // No mailing address: neither its code nor its copy.
    const pst::Message none = contactMessage(contentOf({{F::HomeAddressCity, "Oslo"}}), {});
    EXPECT_EQ(named(none, addressProperty(0x8022)), nullptr);
    EXPECT_EQ(tagged(none, 0x3A27001F), nullptr);
}

TEST(ContactEntries, EmailAndFaxEntriesAndTheListOfThem) {
    const ContactContent content = contentOf({{F::FirstName, "Ana"},
                                              {F::Email2Address, "ana@example.org"},
                                              {F::HomeFaxNumber, "+1 555 0100"},
                                              {F::Categories, " Family, ,Friends ,,"}});
    const pst::Message message = contactMessage(content, {});
    // Only the second e-mail address: no first entry at all.
    EXPECT_EQ(named(message, addressProperty(0x8083)), nullptr);
    EXPECT_EQ(named(message, addressProperty(0x8082)), nullptr);
    EXPECT_EQ(text(named(message, addressProperty(0x8090))), "Ana");
    EXPECT_EQ(text(named(message, addressProperty(0x8092))), "SMTP");
    EXPECT_EQ(named(message, addressProperty(0x8095))->bytes(), oneOffEntryId("Ana", "SMTP", "ana@example.org"));
    // Home fax is the second fax entry; the others keep their type with empty addresses.
    EXPECT_EQ(text(named(message, addressProperty(0x80C3))), "Ana@+1 555 0100");
    EXPECT_EQ(text(named(message, addressProperty(0x80C4))), "Ana");
    EXPECT_EQ(named(message, addressProperty(0x80C5))->bytes(), oneOffEntryId("Ana", "FAX", "Ana@+1 555 0100"));
    EXPECT_EQ(text(named(message, addressProperty(0x80B2))), "FAX");
    EXPECT_EQ(text(named(message, addressProperty(0x80B3))), "");
    EXPECT_EQ(named(message, addressProperty(0x80B5)), nullptr);
    EXPECT_EQ(named(message, addressProperty(0x8028))->bytes(), pst::PropertyValue::multipleInt32({1, 4}).bytes());
    EXPECT_EQ(get32(named(message, addressProperty(0x8029))->bytes().data()), 0x12u);
    EXPECT_EQ(categoryKeywords(content[F::Categories]), (std::vector<std::string>{"Family", "Friends"}));
    EXPECT_EQ(named(message, keywordsProperty())->bytes(),
              pst::PropertyValue::multipleString({"Family", "Friends"}).bytes());
}

// The first e-mail entry of Outlook's own contact "contact name 1", byte for byte.
TEST(ContactEntries, OneOffEntryIdIsOutlooksOwn) {
    testing::TempDir dir;
    const auto fixture = std::filesystem::path(TESSALY_FIXTURES_DIR) / "pst-reference" /
                         "outlook2007-java-libpst-dist-list.pst";
    const auto values = testing::readItemValues(testing::pffExport(fixture, dir.path()) / "Top of Personal Folders" /
                                                "Contacts" / "Contact00002" / "ItemValues.txt");
    const std::string outlook = testing::valueOf(values, 0, 0x8085);
    const auto ours = oneOffEntryId("contact name 1", "SMTP", "contact1@rjohnson.id.au");
    EXPECT_EQ(outlook.size(), 112u);
    EXPECT_EQ(std::string(ours.begin(), ours.end()), outlook);
}

class TimeZone {
public:
    explicit TimeZone(const char* zone) : before_(std::getenv("TZ") ? std::getenv("TZ") : "") {
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZone() {
        setenv("TZ", before_.c_str(), 1);
        tzset();
    }

private:
    std::string before_;
};

// FILETIME of a UTC date and hour, in whole ticks.
std::uint64_t fileTimeOf(int year, int month, int day, int hour) {
    const auto days = static_cast<std::uint64_t>(dateValueOf(year, month, day)) + 109205;  // since 1601
    return (days * 24 + static_cast<std::uint64_t>(hour)) * 36000000000ull;
}

TEST(ContactDates, TheUtcFormIsLocalMidnightTheLocalFormTheDateUnconverted) {
    ContactContent content;
    content.birthday = dateValueOf(1990, 7, 15);
    content.anniversary = dateValueOf(2015, 1, 10);
    const struct {
        const char* zone;
        std::uint64_t birthday, anniversary;
    } zones[] = {
        // Nine hours ahead of UTC all year.
        {"JST-9", fileTimeOf(1990, 7, 14, 15), fileTimeOf(2015, 1, 9, 15)},
        // Five hours behind, four in summer.
        {"EST5EDT,M3.2.0,M11.1.0", fileTimeOf(1990, 7, 15, 4), fileTimeOf(2015, 1, 10, 5)},
    };
    for (const auto& [zone, birthday, anniversary] : zones) {
        TimeZone in(zone);
        const pst::Message message = contactMessage(content, {});
        EXPECT_EQ(tagged(message, 0x3A420040)->bytes(), pst::PropertyValue::time(birthday).bytes()) << zone;
        EXPECT_EQ(tagged(message, 0x3A410040)->bytes(), pst::PropertyValue::time(anniversary).bytes()) << zone;
        EXPECT_EQ(named(message, addressProperty(0x80DE))->bytes(),
                  pst::PropertyValue::time(fileTimeOf(1990, 7, 15, 0)).bytes()) << zone;
        EXPECT_EQ(named(message, addressProperty(0x80DF))->bytes(),
                  pst::PropertyValue::time(fileTimeOf(2015, 1, 10, 0)).bytes()) << zone;
    }
    EXPECT_EQ(tagged(contactMessage(ContactContent{}, {}), 0x3A420040), nullptr);  // no date, no property
}

}  // namespace
}  // namespace tessaly::outlook
