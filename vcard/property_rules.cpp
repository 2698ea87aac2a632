#include "vcard/property_rules.h"

#include <string_view>
#include <vector>

#include "vcard/vcard_date.h"
#include "vcard/vcard_text.h"

namespace tessaly {

namespace {

bool contains(std::string_view text, std::string_view word) {
    return text.find(word) != std::string_view::npos;
}

// The value trimmed and unescaped: the form of every single-value rule.
std::string plainValue(const PropertyLine& line) {
    return unescapeValue(trimSpaces(line.value()));
}

void applyName(const PropertyLine& line, ContactRecord& record) {
    const std::vector<std::string> parts = splitComponents(trimSpaces(line.value()));
    std::string* const slots[] = {&record.eContact_LastName, &record.eContact_FirstName,
                                  &record.eContact_MiddleName, &record.eContact_Title,
                                  &record.eContact_Suffix};
    for (std::size_t i = 0; i < 5 && i < parts.size(); ++i) *slots[i] = parts[i];
}

void applyOrganisation(const PropertyLine& line, ContactRecord& record) {
    const std::vector<std::string> parts = splitComponents(trimSpaces(line.value()));
    record.eContact_Company = std::string(trimSpaces(parts[0]));
    if (parts.size() >= 2) record.eContact_Department = std::string(trimSpaces(parts[1]));
}

void applyTelephone(const PropertyLine& line, ContactRecord& record) {
    std::string number = plainValue(line);
    // vCard 4.0 writes numbers as tel: URIs.
    if (startsWithNoCase(number, "tel:")) number.erase(0, 4);
    const std::string& head = line.headLower();
    const bool fax = contains(head, "fax");
    // A telephone is a voice line unless it says it is a fax.
    const bool voice = contains(head, "voice") || !fax;
    const bool work = contains(head, "work");
    const bool home = contains(head, "home");
    if (work && voice) record.eContact_OfficePhone = number;
    if (home && voice) record.eContact_HomePhone = number;
    if (contains(head, "cell") && voice) record.eContact_CellPhone = number;
    if (contains(head, "pager") && voice) record.eContact_Pager = number;
    if (work && fax) record.eContact_OfficeFax = number;
    if (home && fax) record.eContact_HomeFax = number;
    if (contains(head, "car") && voice) record.eContact_CarPhone = number;
}

struct AddressSlots {
    std::string* street;
    std::string* city;
    std::string* state;
    std::string* zip;
    std::string* country;
};

void fillAddress(const PropertyLine& line, const AddressSlots& slots) {
    const std::vector<std::string> parts = splitComponents(trimSpaces(line.value()));
    if (parts.size() < 2) return;
    std::string* const targets[] = {slots.street, slots.city, slots.state, slots.zip, slots.country};
    for (std::size_t i = 2; i < 7 && i < parts.size(); ++i) *targets[i - 2] = parts[i];
}

void applyAddresses(const PropertyLine& line, ContactRecord& record) {
    const bool named = line.name() == "ADR";
    // The grouped forms need "type=WORK" or "type=HOME" written just so.
    const bool typed = contains(line.text(), "type=WORK") || contains(line.text(), "type=HOME");
    const bool grouped = typed && contains(line.upper(), "ADR");
    if (!named && !grouped) return;
    const std::string& head = line.headLower();
    const AddressSlots business{&record.eContact_BusinessAddress, &record.eContact_BusinessCity,
                                &record.eContact_BusinessState, &record.eContact_BusinessZip,
                                &record.eContact_BusinessCountry};
    const AddressSlots home{&record.eContact_PersonalAddress, &record.eContact_PersonalCity,
                            &record.eContact_PersonalState, &record.eContact_PersonalZip,
                            &record.eContact_PersonalCountry};
    const bool work = contains(head, "work");
    const bool isHome = contains(head, "home");
    const auto addressHasParts = [&] { return splitComponents(trimSpaces(line.value())).size() >= 2; };
    if (named && work) fillAddress(line, business);
    if (grouped && work && contains(line.text(), "type=WORK")) fillAddress(line, business);
    // The home address is the mailing address.
    if (named && isHome && addressHasParts()) {
        fillAddress(line, home);
        record.eSelAddress = "1";
    }
    if (grouped && isHome && contains(line.text(), "type=HOME") && addressHasParts()) {
        fillAddress(line, home);
        record.eSelAddress = "1";
    }
}

void applyDate(const PropertyLine& line, DateValue& slot) {
    // A value that is no date leaves the slot as it was.
    if (const auto date = parseVcardDate(line.value())) slot = *date;
}

void applyWebPage(const PropertyLine& line, ContactRecord& record) {
    if (line.name() == "URL" || (contains(line.text(), "URL") && contains(line.text(), "type=pref")))
        record.eContact_WebPage = plainValue(line);
}

void applyEmail(const PropertyLine& line, ContactRecord& record) {
    const std::string address = unescapeValue(line.value());
    if (trimSpaces(address).empty()) return;
    if (contains(line.headLower(), "pref") && record.eContact_Email.empty()) {
        record.eContact_Email = address;
    } else if (record.eContact_Email2.empty()) {
        record.eContact_Email2 = address;
    } else {
        record.eContact_Email3 = address;
    }
}

void applyNote(const PropertyLine& line, ContactRecord& record) {
    std::string note(trimSpaces(line.value()));
    if (!line.headHasQuotedPrintable()) {
        // Some writers put quoted-printable line breaks in notes without saying so.
        std::string::size_type found;
        while ((found = note.find("=0D=0A")) != std::string::npos) note.replace(found, 6, "\r\n");
    }
    record.eContact_Comments = unescapeValue(note);
}

}  // namespace

void applyPropertyRules(const PropertyLine& line, ContactRecord& record, CardExtras& extras) {
    if (!line.hasValue()) return;
    const std::string& name = line.name();
    const std::string& upper = line.upper();
    if (name == "N") applyName(line, record);
    if (name == "ORG") applyOrganisation(line, record);
    if (name == "TITLE") record.eContact_Profession = plainValue(line);
    if (name == "TEL") applyTelephone(line, record);
    applyAddresses(line, record);
    if (contains(upper, "IMADDRESS")) record.eContact_IMAddress = plainValue(line);
    if (contains(upper, "ANNIVERSARY")) applyDate(line, record.eContact_Anniversary);
    if (name == "CATEGORIES") record.eContact_Categories = plainValue(line);
    applyWebPage(line, record);
    if (name == "ROLE") record.eContact_JobTitle = plainValue(line);
    if (name == "BDAY") applyDate(line, record.eContact_BirthDay);
    if (name == "EMAIL") applyEmail(line, record);
    if (name == "FN") extras.formattedName = plainValue(line);
    if (name == "NOTE") applyNote(line, record);
    if (name == "NICKNAME") record.eContact_ShortName = plainValue(line);
}

void prepareForHandOver(ContactRecord& record, const CardExtras& extras) {
    if (record.eContact_Email.empty()) {
        if (!record.eContact_Email2.empty()) {
            record.eContact_Email = std::move(record.eContact_Email2);
            record.eContact_Email2 = std::move(record.eContact_Email3);
            record.eContact_Email3.clear();
        } else if (!record.eContact_Email3.empty()) {
            record.eContact_Email = std::move(record.eContact_Email3);
            record.eContact_Email3.clear();
        }
    }
    if (record.eContact_FirstName.empty() && record.eContact_MiddleName.empty() &&
        record.eContact_LastName.empty() && record.eContact_Title.empty() &&
        record.eContact_Suffix.empty())
        record.eContact_FirstName = extras.formattedName;
}

}  // namespace tessaly
