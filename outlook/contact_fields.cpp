#include "outlook/contact_fields.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/ascii_case.h"

namespace tessaly::outlook {

namespace {

using F = ContactField;

// Tagged ids and PSETID_Address LIDs from MS-OXPROPS; which fields Outlook
// keeps as "" when empty, from the contacts Outlook 2007 wrote.
constexpr std::array<ContactFieldInfo, kContactFieldCount> kFields = {{
    {"FirstName", F::FirstName, 0x3A06, 0, true},                  // PidTagGivenName
    {"MiddleName", F::MiddleName, 0x3A44, 0, true},                // PidTagMiddleName
    {"LastName", F::LastName, 0x3A11, 0, true},                    // PidTagSurname
    {"JobTitle", F::JobTitle, 0x3A17, 0, true},                    // PidTagTitle
    {"CompanyName", F::CompanyName, 0x3A16, 0, true},              // PidTagCompanyName
    {"BusinessTelephoneNumber", F::BusinessTelephoneNumber, 0x3A08, 0, false},
    {"BusinessFaxNumber", F::BusinessFaxNumber, 0x3A24, 0, false},
    {"HomeTelephoneNumber", F::HomeTelephoneNumber, 0x3A09, 0, false},
    {"HomeFaxNumber", F::HomeFaxNumber, 0x3A25, 0, false},
    {"MobileTelephoneNumber", F::MobileTelephoneNumber, 0x3A1C, 0, false},
    {"PagerNumber", F::PagerNumber, 0x3A21, 0, false},             // PidTagPagerTelephoneNumber
    {"CarTelephoneNumber", F::CarTelephoneNumber, 0x3A1E, 0, false},
    {"SelectedMailingAddress", F::SelectedMailingAddress, 0, 0, false},  // PidLidPostalAddressId
    {"BusinessAddress", F::BusinessAddress, 0, 0, false},          // PidLidWorkAddress, built from its parts
    {"BusinessAddressStreet", F::BusinessAddressStreet, 0, 0x8045, false},
    {"BusinessAddressCity", F::BusinessAddressCity, 0, 0x8046, false},
    {"BusinessAddressState", F::BusinessAddressState, 0, 0x8047, false},
    {"BusinessAddressPostalCode", F::BusinessAddressPostalCode, 0, 0x8048, false},
    {"BusinessAddressCountry", F::BusinessAddressCountry, 0, 0x8049, false},
    {"HomeAddress", F::HomeAddress, 0, 0, false},                  // PidLidHomeAddress, built from its parts
    {"HomeAddressStreet", F::HomeAddressStreet, 0x3A5D, 0, false},
    {"HomeAddressCity", F::HomeAddressCity, 0x3A59, 0, false},
    {"HomeAddressState", F::HomeAddressState, 0x3A5C, 0, false},   // PidTagHomeAddressStateOrProvince
    {"HomeAddressPostalCode", F::HomeAddressPostalCode, 0x3A5B, 0, false},
    {"HomeAddressCountry", F::HomeAddressCountry, 0x3A5A, 0, false},
    {"Email1Address", F::Email1Address, 0, 0, false},              // the Email1 group
    {"Email2Address", F::Email2Address, 0, 0, false},
    {"Email3Address", F::Email3Address, 0, 0, false},
    {"IMAddress", F::IMAddress, 0, 0x8062, true},                  // PidLidInstantMessagingAddress
    {"BusinessHomePage", F::BusinessHomePage, 0x3A51, 0, false},
    {"WebPage", F::WebPage, 0, 0x802B, false},                     // PidLidHtml
    {"Categories", F::Categories, 0, 0, false},                    // PidNameKeywords
    {"Department", F::Department, 0x3A18, 0, true},                // PidTagDepartmentName
    {"OfficeLocation", F::OfficeLocation, 0x3A19, 0, false},
    {"Profession", F::Profession, 0x3A46, 0, false},
    {"ManagerName", F::ManagerName, 0x3A4E, 0, false},
    {"AssistantName", F::AssistantName, 0x3A30, 0, false},         // PidTagAssistant
    {"Title", F::Title, 0x3A45, 0, true},                          // PidTagDisplayNamePrefix
    {"Suffix", F::Suffix, 0x3A05, 0, true},                        // PidTagGeneration
    {"Spouse", F::Spouse, 0x3A48, 0, false},                       // PidTagSpouseName
    {"Body", F::Body, 0x1000, 0, false},
    {"NickName", F::NickName, 0x3A4F, 0, false},                   // PidTagNickname
    {"Business2TelephoneNumber", F::Business2TelephoneNumber, 0x3A1B, 0, false},
    {"Home2TelephoneNumber", F::Home2TelephoneNumber, 0x3A2F, 0, false},
    {"OtherTelephoneNumber", F::OtherTelephoneNumber, 0x3A1F, 0, false},
    {"PrimaryTelephoneNumber", F::PrimaryTelephoneNumber, 0x3A1A, 0, false},
    {"CompanyMainTelephoneNumber", F::CompanyMainTelephoneNumber, 0x3A57, 0, false},
    {"AssistantTelephoneNumber", F::AssistantTelephoneNumber, 0x3A2E, 0, false},
    {"CallbackTelephoneNumber", F::CallbackTelephoneNumber, 0x3A02, 0, false},
    {"ISDNNumber", F::ISDNNumber, 0x3A2D, 0, false},
    {"RadioTelephoneNumber", F::RadioTelephoneNumber, 0x3A1D, 0, false},
    {"TelexNumber", F::TelexNumber, 0x3A2C, 0, false},
    {"TTYTDDTelephoneNumber", F::TTYTDDTelephoneNumber, 0x3A4B, 0, false},  // PidTagTelecommunicationsDevice…
    {"OtherFaxNumber", F::OtherFaxNumber, 0x3A23, 0, false},       // PidTagPrimaryFaxNumber
    {"BusinessAddressPostOfficeBox", F::BusinessAddressPostOfficeBox, 0, 0x804A, false},
    {"HomeAddressPostOfficeBox", F::HomeAddressPostOfficeBox, 0x3A5E, 0, false},
    {"OtherAddress", F::OtherAddress, 0, 0, false},                // PidLidOtherAddress, built from its parts
    {"OtherAddressStreet", F::OtherAddressStreet, 0x3A63, 0, false},
    {"OtherAddressCity", F::OtherAddressCity, 0x3A5F, 0, false},
    {"OtherAddressState", F::OtherAddressState, 0x3A62, 0, false},
    {"OtherAddressPostalCode", F::OtherAddressPostalCode, 0x3A61, 0, false},
    {"OtherAddressCountry", F::OtherAddressCountry, 0x3A60, 0, false},
    {"OtherAddressPostOfficeBox", F::OtherAddressPostOfficeBox, 0x3A64, 0, false},
    {"PersonalHomePage", F::PersonalHomePage, 0x3A50, 0, false},
    {"Language", F::Language, 0, 0, false},                        // PidTagLanguage, with the item's stamps
    {"InternetFreeBusyAddress", F::InternetFreeBusyAddress, 0, 0x80D8, false},  // PidLidFreeBusyLocation
    {"FileAs", F::FileAs, 0, 0, false},                            // PidLidFileUnder, with the name
    {"Gender", F::Gender, 0, 0, false},                            // PidTagGender: an integer
    {"Sensitivity", F::Sensitivity, 0, 0, false},                  // PidTagSensitivity: an integer
    {"Children", F::Children, 0, 0, false},                        // PidTagChildrensNames: one value each
}};

constexpr bool fieldsInOrder() {
    for (std::size_t i = 0; i < kFields.size(); ++i)
        if (static_cast<std::size_t>(kFields[i].field) != i) return false;
    return true;
}
static_assert(fieldsInOrder(), "the table lists the fields in their enum order");

// Orders a lower-case name before a name in any letter case.
bool lowerBefore(std::string_view lowerName, std::string_view name) {
    const std::size_t common = std::min(lowerName.size(), name.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char a = lowerName[i], b = asciiLower(name[i]);
        if (a != b) return a < b;
    }
    return lowerName.size() < name.size();
}

struct NameEntry {
    std::string lower;
    ContactName target;
};

// Names in lower case, sorted, for a binary search in any letter case.
const std::vector<NameEntry>& namesByLowerCase() {
    static const std::vector<NameEntry> names = [] {
        std::vector<NameEntry> entries;
        for (const ContactFieldInfo& info : kFields) entries.push_back({asciiLower(info.name), {info.field, {}}});
        entries.push_back({"birthday", {{}, ContactDate::Birthday}});
        entries.push_back({"anniversary", {{}, ContactDate::Anniversary}});
        std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.lower < b.lower; });
        return entries;
    }();
    return names;
}

// The names as the object model spells them: callers mostly do too.
const std::unordered_map<std::string_view, ContactName>& namesAsSpelled() {
    static const std::unordered_map<std::string_view, ContactName> names = [] {
        std::unordered_map<std::string_view, ContactName> spelled;
        for (const ContactFieldInfo& info : kFields) spelled.emplace(info.name, ContactName{info.field, {}});
        spelled.emplace("Birthday", ContactName{{}, ContactDate::Birthday});
        spelled.emplace("Anniversary", ContactName{{}, ContactDate::Anniversary});
        return spelled;
    }();
    return names;
}

}  // namespace

const ContactFieldInfo& contactFieldInfo(ContactField field) { return kFields[static_cast<std::size_t>(field)]; }

std::optional<ContactName> contactNameOf(std::string_view name) {
    // Callers name fields from the same few places again and again (a list
    // of literals, one contact after another): the name last found at each
    // address is kept, and taken again while the same text is there.
    struct Recent {
        const char* data = nullptr;
        std::string text;
        ContactName target;
    };
    // Found by a Fibonacci hash of the whole address and kept in the first
    // of four slots from there that holds it or is free (the last one
    // otherwise): two names whose addresses share a slot do not take turns
    // in it.
    thread_local std::array<Recent, 512 + 3> recent;
    const std::uint64_t address = reinterpret_cast<std::uintptr_t>(name.data());
    const std::size_t first = (address * 0x9E3779B97F4A7C15ull) >> (64 - 9);
    std::size_t place = first;
    while (place < first + 3 && recent[place].data != nullptr && recent[place].data != name.data()) ++place;
    Recent& slot = recent[place];
    if (slot.data == name.data() && slot.text == name) return slot.target;
    const auto remember = [&](const ContactName& target) {
        slot = {name.data(), std::string(name), target};
        return target;
    };
    if (const auto spelled = namesAsSpelled().find(name); spelled != namesAsSpelled().end()) return remember(spelled->second);
    const auto& names = namesByLowerCase();
    const auto it = std::lower_bound(names.begin(), names.end(), name,
                                     [](const NameEntry& entry, std::string_view key) { return lowerBefore(entry.lower, key); });
    if (it == names.end() || lowerBefore(it->lower, name) || it->lower.size() != name.size()) return std::nullopt;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (it->lower[i] != asciiLower(name[i])) return std::nullopt;
    return remember(it->target);
}

}  // namespace tessaly::outlook
