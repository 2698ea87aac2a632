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

// The components of the line at hand; kept from line to line so that their
// storage is not allocated again for every line.
thread_local ValueComponents components;

// How many components each rule reads: a name's five (family, given, middle,
// prefix, suffix), an organisation's two (company, department), an address's
// seven (the last five of which it fills). Components after those are never
// used, so the value is not cut beyond them.
constexpr std::size_t kNameComponents = 5;
constexpr std::size_t kOrganisationComponents = 2;
constexpr std::size_t kAddressComponents = 7;

// The value, trimmed and unescaped (the form of every single-value rule), put
// into a slot, reusing the slot's storage (slots are cleared, not freed,
// between cards).
void setPlainValue(std::string& slot, const PropertyLine& line) {
    const std::string_view value = trimSpaces(line.value());
    if (value.find('\\') == std::string_view::npos)
        slot.assign(value);
    else
        slot = unescapeValue(value);
}

void applyName(const PropertyLine& line, ContactRecord& record) {
    ValueComponents& parts = components;
    parts.split(trimSpaces(line.value()), kNameComponents);
    std::string* const slots[kNameComponents] = {&record.eContact_LastName, &record.eContact_FirstName,
                                                 &record.eContact_MiddleName, &record.eContact_Title,
                                                 &record.eContact_Suffix};
    for (std::size_t i = 0; i < parts.size(); ++i) *slots[i] = parts[i];
}

void applyOrganisation(const PropertyLine& line, ContactRecord& record) {
    ValueComponents& parts = components;
    parts.split(trimSpaces(line.value()), kOrganisationComponents);
    record.eContact_Company.assign(trimSpaces(parts[0]));
    if (parts.size() >= 2) record.eContact_Department.assign(trimSpaces(parts[1]));
}

void applyTelephone(const PropertyLine& line, ContactRecord& record) {
    // Kept from line to line: a number is copied into its slots, not moved.
    thread_local std::string number;
    setPlainValue(number, line);
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

// Components 3 to 7 of an address: street, city, region, postal code, country.
void fillAddress(const ValueComponents& parts, const AddressSlots& slots) {
    std::string* const targets[] = {slots.street, slots.city, slots.state, slots.zip, slots.country};
    for (std::size_t i = 2; i < kAddressComponents && i < parts.size(); ++i) *targets[i - 2] = parts[i];
}

// Which of "type=WORK", "type=HOME" and "type=pref", written just so, the text
// holds. The search goes from "=" to "=", of which a line has few.
struct TypeValues {
    bool work = false, home = false, pref = false;
};

TypeValues typeValuesIn(std::string_view text) {
    TypeValues found;
    const auto holdsAt = [&](std::size_t at, const char (&word)[5]) {
        return at + 4 <= text.size() && text[at] == word[0] && text[at + 1] == word[1] && text[at + 2] == word[2] &&
               text[at + 3] == word[3];
    };
    for (std::size_t at = text.find('='); at != std::string_view::npos; at = text.find('=', at + 1)) {
        if (at < 4 || !holdsAt(at - 4, "type")) continue;
        found.work = found.work || holdsAt(at + 1, "WORK");
        found.home = found.home || holdsAt(at + 1, "HOME");
        found.pref = found.pref || holdsAt(at + 1, "pref");
    }
    return found;
}

void applyAddresses(const PropertyLine& line, bool workType, bool homeType, ContactRecord& record) {
    const bool named = line.name() == "ADR";
    const bool grouped = (workType || homeType) && containsNoCase(line.text(), "ADR");
    if (!named && !grouped) return;
    const std::string& head = line.headLower();
    const bool work = contains(head, "work") && (named || workType);
    const bool home = contains(head, "home") && (named || homeType);
    if (!work && !home) return;
    // An address needs at least two components to be one.
    ValueComponents& parts = components;
    parts.split(trimSpaces(line.value()), kAddressComponents);
    if (parts.size() < 2) return;
    if (work)
        fillAddress(parts, {&record.eContact_BusinessAddress, &record.eContact_BusinessCity,
                            &record.eContact_BusinessState, &record.eContact_BusinessZip,
                            &record.eContact_BusinessCountry});
    if (home) {
        fillAddress(parts, {&record.eContact_PersonalAddress, &record.eContact_PersonalCity,
                            &record.eContact_PersonalState, &record.eContact_PersonalZip,
                            &record.eContact_PersonalCountry});
        // The home address is the mailing address.
        record.eSelAddress = "1";
    }
}

void applyDate(const PropertyLine& line, DateValue& slot) {
    // A value that is no date leaves the slot as it was.
    if (const auto date = parseVcardDate(line.value())) slot = *date;
}

void applyWebPage(const PropertyLine& line, bool prefType, ContactRecord& record) {
    if (line.name() == "URL" || (prefType && contains(line.text(), "URL"))) setPlainValue(record.eContact_WebPage, line);
}

void applyEmail(const PropertyLine& line, ContactRecord& record) {
    std::string address = unescapeValue(line.value());
    if (trimSpaces(address).empty()) return;
    if (contains(line.headLower(), "pref") && record.eContact_Email.empty()) {
        record.eContact_Email = std::move(address);
    } else if (record.eContact_Email2.empty()) {
        record.eContact_Email2 = std::move(address);
    } else {
        record.eContact_Email3 = std::move(address);
    }
}

// The text with each "=0D=0A" made a CR LF, in one pass: replacing them one
// at a time from the start would take time in the square of the note's length.
std::string withLineBreaksDecoded(std::string_view text) {
    constexpr std::string_view kEncodedBreak = "=0D=0A";
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t found; (found = text.find(kEncodedBreak, from)) != std::string_view::npos;
         from = found + kEncodedBreak.size()) {
        out.append(text, from, found - from);
        out += "\r\n";
    }
    out.append(text.substr(from));
    return out;
}

void applyNote(const PropertyLine& line, ContactRecord& record) {
    const std::string_view note = trimSpaces(line.value());
    // Some writers put quoted-printable line breaks in notes without saying so.
    // A note without them is unescaped as it stands, with no copy between.
    record.eContact_Comments = line.headHasQuotedPrintable() || note.find("=0D=0A") == std::string_view::npos
                                   ? unescapeValue(note)
                                   : unescapeValue(withLineBreaksDecoded(note));
}

}  // namespace

void applyPropertyRules(const PropertyLine& line, ContactRecord& record, CardExtras& extras) {
    if (!line.hasValue()) return;
    // The rules that test the property's name: at most one of them applies.
    const std::string_view name = line.name();
    switch (name.size()) {
        case 1:
            if (name == "N") applyName(line, record);
            break;
        case 2:
            if (name == "FN") setPlainValue(extras.formattedName, line);
            break;
        case 3:
            if (name == "ORG") applyOrganisation(line, record);
            else if (name == "TEL") applyTelephone(line, record);
            break;
        case 4:
            if (name == "ROLE") setPlainValue(record.eContact_JobTitle, line);
            else if (name == "BDAY") applyDate(line, record.eContact_BirthDay);
            else if (name == "NOTE") applyNote(line, record);
            break;
        case 5:
            if (name == "TITLE") setPlainValue(record.eContact_Profession, line);
            else if (name == "EMAIL") applyEmail(line, record);
            break;
        case 8:
            if (name == "NICKNAME") setPlainValue(record.eContact_ShortName, line);
            break;
        case 10:
            if (name == "CATEGORIES") setPlainValue(record.eContact_Categories, line);
            break;
        default:
            break;
    }
    // The rules that look for a word anywhere in the line.
    const std::string_view text = line.text();
    // The grouped address and web page forms need "type=WORK", "type=HOME" or
    // "type=pref" written just so.
    const TypeValues types = typeValuesIn(text);
    if (name == "ADR" || types.work || types.home) applyAddresses(line, types.work, types.home, record);
    // IMADDRESS and ANNIVERSARY in any letter case: most lines lack one of
    // their letters, which the line's letter set tells at once.
    static constexpr std::uint32_t kImAddress = lettersOf("IMADDRESS");
    static constexpr std::uint32_t kAnniversary = lettersOf("ANNIVERSARY");
    const std::uint32_t letters = lettersIn(text);
    const auto mayContain = [&](std::uint32_t word) { return (letters & word) == word; };
    if (mayContain(kImAddress) && containsNoCase(text, "IMADDRESS")) setPlainValue(record.eContact_IMAddress, line);
    if (mayContain(kAnniversary) && containsNoCase(text, "ANNIVERSARY"))
        applyDate(line, record.eContact_Anniversary);
    applyWebPage(line, types.pref, record);
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
