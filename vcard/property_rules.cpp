#include "vcard/property_rules.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "common/ascii_case.h"
#include "vcard/byte_search.h"
#include "vcard/full_name.h"
#include "vcard/telephone_kinds.h"
#include "vcard/vcard_date.h"
#include "vcard/vcard_text.h"

namespace tessaly {

namespace {

using Field = std::string ContactRecord::*;

bool contains(std::string_view text, std::string_view word) {
    return text.find(word) != std::string_view::npos;
}

bool isOneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The components of the line at hand; kept from line to line so that their
// storage is not allocated again for every line.
thread_local ValueComponents components;

// How many components each rule reads: a name's five (family, given, middle,
// prefix, suffix), an organisation's three (company, department, and a
// further unit, which is only noted), an address's seven (post-office box,
// extended address, street, city, region, postal code, country). Components
// after those are never used, so the value is not cut beyond them.
constexpr std::size_t kNameComponents = 5;
constexpr std::size_t kOrganisationComponents = 3;
constexpr std::size_t kAddressComponents = 7;

// The value, trimmed and unescaped (the form of every single-value rule).
std::string plainValue(const PropertyLine& line) {
    const std::string_view value = trimSpaces(line.value());
    return value.find('\\') == std::string_view::npos ? std::string(value) : unescapeValue(value);
}

// The same put into a field, reusing the field's storage (fields are
// cleared, not freed, between cards).
void setPlainValue(std::string& field, const PropertyLine& line) {
    const std::string_view value = trimSpaces(line.value());
    if (value.find('\\') == std::string_view::npos)
        field.assign(value);
    else
        field = unescapeValue(value);
}

// `property`: a static text (a rule's own name for the property).
void noteSource(ContactRecord& record, const char* field, const CardExtras& extras, std::string_view property) {
    record.noteSource(field, extras.line, property);
}

void noteUnplaced(ContactRecord& record, long line, std::string_view property, std::string what) {
    record.unplaced.push_back({line, std::string(property), std::move(what)});
}

// The line's parameter words in lower case: TYPE values and bare words alike
// ("tel;type=\"work,voice\";pref" gives work, voice, pref).
const std::vector<std::string_view>& parameterWords(const PropertyLine& line) {
    // Kept from line to line, as the components are.
    thread_local std::vector<std::string_view> words;
    words.clear();
    const std::string_view head = line.headLower();
    const auto separates = [](char c) {
        return c == ';' || c == ',' || c == '=' || c == '"' || c == ' ' || c == '\t';
    };
    std::size_t at = head.find(';');
    if (at == std::string_view::npos) return words;
    while (at < head.size()) {
        while (at < head.size() && separates(head[at])) ++at;
        const std::size_t start = at;
        while (at < head.size() && !separates(head[at])) ++at;
        const std::string_view word = head.substr(start, at - start);
        if (!word.empty() && word != "type") words.push_back(word);
    }
    return words;
}

bool hasWord(const std::vector<std::string_view>& words, std::initializer_list<std::string_view> any) {
    return std::any_of(words.begin(), words.end(), [&](std::string_view word) { return isOneOf(word, any); });
}

// The group a line belongs to ("item3" of "item3.X-ABLabel:…"), or empty.
std::string_view groupOf(const PropertyLine& line) {
    const std::string_view head = line.head();
    const std::size_t dot = head.find('.');
    if (dot == std::string_view::npos || head.find_first_of(";:") < dot) return {};
    return head.substr(0, dot);
}

void applyName(const PropertyLine& line, ContactRecord& record) {
    ValueComponents& parts = components;
    parts.split(trimSpaces(line.value()), kNameComponents);
    std::string* const slots[kNameComponents] = {&record.eContact_LastName, &record.eContact_FirstName,
                                                 &record.eContact_MiddleName, &record.eContact_Title,
                                                 &record.eContact_Suffix};
    for (std::size_t i = 0; i < parts.size(); ++i) *slots[i] = parts[i];
}

void applyOrganisation(const PropertyLine& line, ContactRecord& record, const CardExtras& extras) {
    ValueComponents& parts = components;
    parts.split(trimSpaces(line.value()), kOrganisationComponents);
    record.eContact_Company.assign(trimSpaces(parts[0]));
    if (parts.size() >= 2) record.eContact_Department.assign(trimSpaces(parts[1]));
    if (parts.size() >= 3 && !trimSpaces(parts[2]).empty())
        noteUnplaced(record, extras.line, "ORG", "a further organisational unit");
}

// Where a number of each kind goes: its field, and the field for a second
// number of the kind where Outlook has one.
struct PhoneField {
    Field field;
    const char* name;
    Field second;
    const char* secondName;
    const char* kind;  // for the report
};

#define PHONE(member, kind) PhoneField{&ContactRecord::member, #member, nullptr, nullptr, kind}
#define PHONE2(member, second, kind) PhoneField{&ContactRecord::member, #member, &ContactRecord::second, #second, kind}

PhoneField phoneFieldOf(PhoneKind kind) {
    switch (kind) {
        case PhoneKind::Business: return PHONE2(eContact_OfficePhone, business2Phone, "business");
        case PhoneKind::Home: return PHONE2(eContact_HomePhone, home2Phone, "home");
        case PhoneKind::Mobile: return PHONE(eContact_CellPhone, "mobile");
        case PhoneKind::Pager: return PHONE(eContact_Pager, "pager");
        case PhoneKind::Car: return PHONE(eContact_CarPhone, "car");
        case PhoneKind::BusinessFax: return PHONE(eContact_OfficeFax, "business fax");
        case PhoneKind::HomeFax: return PHONE(eContact_HomeFax, "home fax");
        case PhoneKind::OtherFax: return PHONE(otherFax, "other fax");
        case PhoneKind::Primary: return PHONE(primaryPhone, "primary");
        case PhoneKind::CompanyMain: return PHONE(companyMainPhone, "company main");
        case PhoneKind::Assistant: return PHONE(assistantPhone, "assistant's");
        case PhoneKind::Callback: return PHONE(callbackPhone, "callback");
        case PhoneKind::Isdn: return PHONE(isdnNumber, "ISDN");
        case PhoneKind::Radio: return PHONE(radioPhone, "radio");
        case PhoneKind::Telex: return PHONE(telexNumber, "telex");
        case PhoneKind::TtyTdd: return PHONE(ttyTddPhone, "TTY/TDD");
        case PhoneKind::Other: break;
    }
    return PHONE(otherPhone, "other");
}

#undef PHONE
#undef PHONE2

// A number goes to the field of each kind the line names; the first number
// of a kind keeps its field, a second one takes the kind's second field or
// else the "other" one, and one more is noted as unplaced.
void applyTelephone(const PropertyLine& line, ContactRecord& record, const CardExtras& extras) {
    // Kept from line to line: a number is copied into its fields, not moved.
    thread_local std::string number;
    setPlainValue(number, line);
    // vCard 4.0 writes numbers as tel: URIs.
    if (startsWithNoCase(number, "tel:")) number.erase(0, 4);
    if (number.empty()) return;
    const std::string_view property = extras.property;
    for (const PhoneKind kind : phoneKindsOf(parameterWords(line))) {
        const PhoneField place = phoneFieldOf(kind);
        if ((record.*place.field).empty()) {
            record.*place.field = number;
            noteSource(record, place.name, extras, property);
        } else if (place.second != nullptr && (record.*place.second).empty()) {
            record.*place.second = number;
            noteSource(record, place.secondName, extras, property);
        } else if (record.otherPhone.empty()) {
            record.otherPhone = number;
            noteSource(record, "otherPhone", extras, property);
        } else {
            noteUnplaced(record, extras.line, property, std::string("a further ") + place.kind + " number");
        }
    }
}

struct AddressFields {
    Field street, city, state, zip, country, postOfficeBox;
    const char* names[6];
    const char* code;  // the mailing address code of this address
};

const AddressFields kBusinessAddress{&ContactRecord::eContact_BusinessAddress,
                                     &ContactRecord::eContact_BusinessCity,
                                     &ContactRecord::eContact_BusinessState,
                                     &ContactRecord::eContact_BusinessZip,
                                     &ContactRecord::eContact_BusinessCountry,
                                     &ContactRecord::businessPostOfficeBox,
                                     {"eContact_BusinessAddress", "eContact_BusinessCity", "eContact_BusinessState",
                                      "eContact_BusinessZip", "eContact_BusinessCountry", "businessPostOfficeBox"},
                                     "2"};
const AddressFields kHomeAddress{&ContactRecord::eContact_PersonalAddress,
                                 &ContactRecord::eContact_PersonalCity,
                                 &ContactRecord::eContact_PersonalState,
                                 &ContactRecord::eContact_PersonalZip,
                                 &ContactRecord::eContact_PersonalCountry,
                                 &ContactRecord::homePostOfficeBox,
                                 {"eContact_PersonalAddress", "eContact_PersonalCity", "eContact_PersonalState",
                                  "eContact_PersonalZip", "eContact_PersonalCountry", "homePostOfficeBox"},
                                 "1"};
const AddressFields kOtherAddress{&ContactRecord::otherStreet,
                                  &ContactRecord::otherCity,
                                  &ContactRecord::otherState,
                                  &ContactRecord::otherZip,
                                  &ContactRecord::otherCountry,
                                  &ContactRecord::otherPostOfficeBox,
                                  {"otherStreet", "otherCity", "otherState", "otherZip", "otherCountry",
                                   "otherPostOfficeBox"},
                                  "3"};

bool holdsAddress(const ContactRecord& record, const AddressFields& fields) {
    for (const Field field : {fields.street, fields.city, fields.state, fields.zip, fields.country,
                              fields.postOfficeBox})
        if (!(record.*field).empty()) return true;
    return false;
}

// An address's parts: the post-office box to its field, the extended
// address as a further line of the street, the rest to theirs.
void fillAddress(const ValueComponents& parts, const AddressFields& fields, ContactRecord& record,
                 const CardExtras& extras, std::string_view property) {
    const auto part = [&parts](std::size_t i) { return i < parts.size() ? parts[i] : std::string_view(); };
    thread_local std::string joined;
    std::string_view street = part(2);
    if (!part(1).empty()) {
        joined.assign(street);
        if (!joined.empty()) joined += "\r\n";
        joined += part(1);
        street = joined;
    }
    const std::pair<Field, std::string_view> values[] = {{fields.street, street},   {fields.city, part(3)},
                                                         {fields.state, part(4)},   {fields.zip, part(5)},
                                                         {fields.country, part(6)}, {fields.postOfficeBox, part(0)}};
    for (std::size_t i = 0; i < 6; ++i) {
        if (values[i].second.empty()) continue;
        (record.*values[i].first).assign(values[i].second);
        noteSource(record, fields.names[i], extras, property);
    }
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

// A work address, a home address (the mailing address unless the card says
// otherwise) and, for the first address of neither kind, the other address.
// A second address of a kind goes to the other address when it is free.
bool applyAddresses(const PropertyLine& line, const TypeValues& types, ContactRecord& record, CardExtras& extras) {
    const bool named = line.name() == "ADR";
    const bool grouped = (types.work || types.home) && containsNoCase(line.text(), "ADR");
    if (!named && !grouped) return false;
    const std::string& head = line.headLower();
    const bool work = contains(head, "work") && (named || types.work);
    const bool home = contains(head, "home") && (named || types.home);
    if (!named && !work && !home) return false;
    ValueComponents& parts = components;
    parts.split(trimSpaces(line.value()), kAddressComponents);
    const std::string_view property = "ADR";
    // An address needs at least two components to be one.
    if (parts.size() < 2) {
        if (!trimSpaces(line.value()).empty()) noteUnplaced(record, extras.line, property, "an address of one part");
        return true;
    }
    const AddressFields* kinds[2] = {};
    std::size_t kindCount = 0;
    if (work) kinds[kindCount++] = &kBusinessAddress;
    if (home) kinds[kindCount++] = &kHomeAddress;
    if (kindCount == 0) kinds[kindCount++] = &kOtherAddress;
    const bool preferred = contains(head, "pref");
    for (const AddressFields* kind : std::span(kinds, kindCount)) {
        const AddressFields* place = kind;
        if (holdsAddress(record, *place)) place = holdsAddress(record, kOtherAddress) ? nullptr : &kOtherAddress;
        if (place == nullptr) {
            noteUnplaced(record, extras.line, property, "a further address");
            continue;
        }
        fillAddress(parts, *place, record, extras, property);
        if (place == &kHomeAddress) record.eSelAddress = "1";
        if (preferred && extras.preferredAddress.empty()) extras.preferredAddress = place->code;
    }
    return true;
}

void applyDate(const PropertyLine& line, DateValue& slot) {
    // A value that is no date leaves the slot as it was.
    if (const auto date = parseVcardDate(line.value())) slot = *date;
}

// A web page by its kind; one of no kind fills the first of the two free.
bool applyWebPage(const PropertyLine& line, bool prefType, ContactRecord& record, const CardExtras& extras) {
    if (line.name() != "URL" && !(prefType && contains(line.text(), "URL"))) return false;
    std::string page = plainValue(line);
    if (page.empty()) return true;
    const std::string& head = line.headLower();
    const bool work = contains(head, "work"), home = contains(head, "home");
    const bool business = work || (!home && record.eContact_WebPage.empty());
    std::string* const field = business ? &record.eContact_WebPage : &record.personalHomePage;
    const char* const name = business ? "eContact_WebPage" : "personalHomePage";
    if (!field->empty()) {
        noteUnplaced(record, extras.line, line.name(), "a further web page");
        return true;
    }
    *field = std::move(page);
    noteSource(record, name, extras, "URL");
    return true;
}

void applyEmail(const PropertyLine& line, CardExtras& extras) {
    const std::string_view value = line.value();
    if (trimSpaces(value).empty()) return;
    if (extras.emailCount == extras.emails.size()) extras.emails.emplace_back();
    CardExtras::Email& email = extras.emails[extras.emailCount++];
    if (value.find('\\') == std::string_view::npos)
        email.address.assign(value);
    else
        email.address = unescapeValue(value);
    email.line = extras.line;
    email.preferred = contains(line.headLower(), "pref");
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

// A person related to the contact, by the field their relation fills.
enum class Relation { Manager, Assistant, Spouse, Child, None };

const char* relationName(Relation relation) {
    switch (relation) {
        case Relation::Manager: return "manager's name";
        case Relation::Assistant: return "assistant's name";
        case Relation::Spouse: return "spouse's name";
        case Relation::Child: return "child's name";
        case Relation::None: break;
    }
    return "related name";
}

void setRelatedName(Relation relation, std::string name, long line, std::string_view property,
                    ContactRecord& record) {
    if (name.empty()) return;
    if (relation == Relation::Child) {
        if (!record.eContact_Childern.empty()) record.eContact_Childern += ", ";
        record.eContact_Childern += name;
        record.noteSource("eContact_Childern", line, property);
        return;
    }
    std::string* field = relation == Relation::Manager     ? &record.eContact_Manager
                         : relation == Relation::Assistant ? &record.eContact_Assistant
                         : relation == Relation::Spouse    ? &record.eContact_Spouse
                                                           : nullptr;
    const char* fieldName = relation == Relation::Manager     ? "eContact_Manager"
                            : relation == Relation::Assistant ? "eContact_Assistant"
                                                              : "eContact_Spouse";
    if (field == nullptr || !field->empty()) {
        noteUnplaced(record, line, property, std::string(field == nullptr ? "a " : "a further ") + relationName(relation));
        return;
    }
    *field = std::move(name);
    record.noteSource(fieldName, line, property);
}

// Apple's labels for related names.
Relation relationOfLabel(std::string_view label) {
    const std::string lower = asciiLower(std::string(trimSpaces(label)));
    if (lower == "_$!<manager>!$_") return Relation::Manager;
    if (lower == "_$!<assistant>!$_") return Relation::Assistant;
    if (lower == "_$!<spouse>!$_" || lower == "_$!<partner>!$_") return Relation::Spouse;
    if (lower == "_$!<child>!$_") return Relation::Child;
    return Relation::None;
}

// vCard 4.0's RELATED: a name given as text, by its TYPE.
void applyRelated(const PropertyLine& line, ContactRecord& record, const CardExtras& extras) {
    const std::vector<std::string_view>& words = parameterWords(line);
    std::string name = plainValue(line);
    const bool isText = hasWord(words, {"text"}) || name.find(':') == std::string::npos;
    Relation relation = Relation::None;
    if (hasWord(words, {"spouse", "sweetheart"})) relation = Relation::Spouse;
    else if (hasWord(words, {"child"})) relation = Relation::Child;
    else if (hasWord(words, {"agent"})) relation = Relation::Assistant;
    if (!isText) {
        noteUnplaced(record, extras.line, "RELATED", "a related contact given by reference");
        return;
    }
    setRelatedName(relation, std::move(name), extras.line, "RELATED", record);
}

void applyInstantMessaging(const PropertyLine& line, ContactRecord& record, const CardExtras& extras) {
    std::string address = plainValue(line);
    // IMPP's value is a URI: "xmpp:me@example.com" is the address me@example.com.
    if (line.name() == "IMPP") {
        const std::size_t colon = address.find(':');
        if (colon != std::string::npos && colon > 0 &&
            std::all_of(address.begin(), address.begin() + static_cast<std::ptrdiff_t>(colon),
                        [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                                            c == '+' || c == '-' || c == '.'; }))
            address.erase(0, colon + 1);
    }
    if (address.empty()) return;
    if (!record.eContact_IMAddress.empty()) {
        noteUnplaced(record, extras.line, line.name(), "a further instant-messaging address");
        return;
    }
    record.eContact_IMAddress = std::move(address);
    noteSource(record, "eContact_IMAddress", extras, extras.property.empty() ? "IMADDRESS" : extras.property);
}

// GENDER's first component (vCard 4.0: M, F, O, N, U), X-GENDER's word, or
// X-WAB-GENDER's number (1 female, 2 male).
void applyGender(const PropertyLine& line, ContactRecord& record, const CardExtras& extras) {
    std::string value = plainValue(line);
    // vCard 4.0's second component, the gender identity, has no field.
    if (const std::size_t semicolon = value.find(';'); semicolon != std::string::npos) {
        if (!trimSpaces(std::string_view(value).substr(semicolon + 1)).empty())
            noteUnplaced(record, extras.line, line.name(), "a gender identity");
        value.erase(semicolon);
    }
    const std::string upper = asciiUpper(value);
    std::string code;
    if (upper == "F" || upper == "FEMALE" || (line.name() == "X-WAB-GENDER" && upper == "1")) code = "F";
    else if (upper == "M" || upper == "MALE" || (line.name() == "X-WAB-GENDER" && upper == "2")) code = "M";
    else if (upper == "O" || upper == "N" || upper == "U") code = upper;
    if (code.empty()) {
        if (!value.empty()) noteUnplaced(record, extras.line, line.name(), "a gender Outlook does not know");
        return;
    }
    record.gender = code;
    noteSource(record, "gender", extras, extras.property);
}

void setSingle(std::string& field, const char* fieldName, const PropertyLine& line, ContactRecord& record,
               const CardExtras& extras) {
    setPlainValue(field, line);
    noteSource(record, fieldName, extras, extras.property);
}

// The texts that are not empty, joined by spaces.
std::string joinedWords(std::initializer_list<const std::string*> words) {
    std::string out;
    for (const std::string* word : words) {
        if (word->empty()) continue;
        if (!out.empty()) out += ' ';
        out += *word;
    }
    return out;
}

// Whether two names of the same size are the same, compared here rather
// than by a call into the C library: names are a few bytes long, most differ
// in their first, and this is asked of every line.
bool sameBytes(std::string_view known, std::string_view name) {
    for (std::size_t i = 0; i < name.size(); ++i)
        if (known[i] != name[i]) return false;
    return true;
}

// The rule of each property name a rule tests for, looked up once per line.
enum class Rule {
    None, Name, FormattedName, Organisation, Telephone, Role, Birthday, Note, Title, Email, Nickname, Categories,
    KdeDepartment, KdeOffice, KdeProfession, Manager, Assistant, Spouse, Child, AppleRelatedName, AppleLabel,
    Related, InstantMessaging, Gender, Language, FreeBusy, FileAs, Class, DefaultPostalAddress, Kind, ShowAs,
    Uid, Member,
};

// The rule of `name`, and the name as the table holds it (a static text).
std::pair<std::string_view, Rule> ruleFor(std::string_view name) {
    static constexpr std::pair<std::string_view, Rule> kRules[] = {
        {"N", Rule::Name}, {"FN", Rule::FormattedName}, {"ORG", Rule::Organisation}, {"TEL", Rule::Telephone},
        {"X-MS-TEL", Rule::Telephone}, {"ROLE", Rule::Role}, {"BDAY", Rule::Birthday}, {"NOTE", Rule::Note},
        {"TITLE", Rule::Title}, {"EMAIL", Rule::Email}, {"NICKNAME", Rule::Nickname},
        {"CATEGORIES", Rule::Categories}, {"X-KADDRESSBOOK-X-DEPARTMENT", Rule::KdeDepartment},
        {"X-KADDRESSBOOK-X-OFFICE", Rule::KdeOffice}, {"X-KADDRESSBOOK-X-PROFESSION", Rule::KdeProfession},
        {"X-MS-MANAGER", Rule::Manager}, {"X-EVOLUTION-MANAGER", Rule::Manager},
        {"X-KADDRESSBOOK-X-MANAGERSNAME", Rule::Manager}, {"X-MANAGER", Rule::Manager},
        {"X-MS-ASSISTANT", Rule::Assistant}, {"X-EVOLUTION-ASSISTANT", Rule::Assistant},
        {"X-KADDRESSBOOK-X-ASSISTANTSNAME", Rule::Assistant}, {"X-ASSISTANT", Rule::Assistant},
        {"X-MS-SPOUSE", Rule::Spouse}, {"X-EVOLUTION-SPOUSE", Rule::Spouse},
        {"X-KADDRESSBOOK-X-SPOUSENAME", Rule::Spouse}, {"X-SPOUSE", Rule::Spouse},
        {"X-MS-CHILD", Rule::Child}, {"X-CHILDREN", Rule::Child},
        {"X-ABRELATEDNAMES", Rule::AppleRelatedName}, {"X-ABLABEL", Rule::AppleLabel}, {"RELATED", Rule::Related},
        {"IMPP", Rule::InstantMessaging}, {"X-MS-IMADDRESS", Rule::InstantMessaging}, {"X-AIM", Rule::InstantMessaging},
        {"X-ICQ", Rule::InstantMessaging}, {"X-JABBER", Rule::InstantMessaging}, {"X-MSN", Rule::InstantMessaging},
        {"X-YAHOO", Rule::InstantMessaging}, {"X-SKYPE", Rule::InstantMessaging},
        {"X-SKYPE-USERNAME", Rule::InstantMessaging}, {"X-GADUGADU", Rule::InstantMessaging},
        {"X-GROUPWISE", Rule::InstantMessaging}, {"X-GOOGLE-TALK", Rule::InstantMessaging},
        {"X-KADDRESSBOOK-X-IMADDRESS", Rule::InstantMessaging}, {"GENDER", Rule::Gender},
        {"X-GENDER", Rule::Gender}, {"X-WAB-GENDER", Rule::Gender}, {"LANG", Rule::Language},
        {"FBURL", Rule::FreeBusy}, {"X-EVOLUTION-FILE-AS", Rule::FileAs}, {"CLASS", Rule::Class},
        {"X-MS-OL-DEFAULT-POSTAL-ADDRESS", Rule::DefaultPostalAddress}, {"KIND", Rule::Kind},
        {"X-ABSHOWAS", Rule::ShowAs}, {"X-ADDRESSBOOKSERVER-KIND", Rule::Kind}, {"UID", Rule::Uid},
        {"MEMBER", Rule::Member}, {"X-ADDRESSBOOKSERVER-MEMBER", Rule::Member},
    };
    // By length first: most names are compared with none or a few.
    constexpr std::size_t kLongest = 32;
    static const auto byLength = [] {
        std::array<std::vector<std::pair<std::string_view, Rule>>, kLongest + 1> lists;
        for (const auto& entry : kRules) lists[entry.first.size()].push_back(entry);
        return lists;
    }();
    if (name.size() > kLongest) return {};
    for (const auto& entry : byLength[name.size()])
        if (sameBytes(entry.first, name)) return entry;
    return {};
}

}  // namespace

bool carriesNoContactData(std::string_view name) {
    // Asked of every line no rule took (VERSION on every card): by length
    // first, as the rules' names are.
    static constexpr std::string_view kNames[] = {
        "BEGIN", "END", "VERSION", "PRODID", "UID", "REV", "SOURCE", "NAME", "KIND", "X-ABUID", "X-ABLABEL",
        "X-ABSHOWAS", "X-ABADR", "X-MS-OL-DESIGN", "X-MOZILLA-HTML", "LABEL", "CLIENTPIDMAP",
        "X-MS-OL-DEFAULT-POSTAL-ADDRESS", "PHOTO"};
    for (const std::string_view known : kNames)
        if (known.size() == name.size() && sameBytes(known, name)) return true;
    return false;
}

bool applyPropertyRules(const PropertyLine& line, ContactRecord& record, CardExtras& extras) {
    if (!line.hasValue()) return false;
    bool used = true;
    // The rules that test the property's name: at most one of them applies.
    const std::string_view name = line.name();
    const auto [ruleName, rule] = ruleFor(name);
    extras.property = ruleName;
    switch (rule) {
        case Rule::None: used = false; break;
        case Rule::Name: applyName(line, record); break;
        case Rule::FormattedName: setPlainValue(extras.formattedName, line); break;
        case Rule::Organisation: applyOrganisation(line, record, extras); break;
        case Rule::Telephone: applyTelephone(line, record, extras); break;
        case Rule::Role: setSingle(record.eContact_JobTitle, "eContact_JobTitle", line, record, extras); break;
        case Rule::Birthday: applyDate(line, record.eContact_BirthDay); break;
        case Rule::Note: applyNote(line, record); break;
        case Rule::Title: setSingle(record.eContact_Profession, "eContact_Profession", line, record, extras); break;
        case Rule::Email: applyEmail(line, extras); break;
        case Rule::Nickname: setSingle(record.eContact_ShortName, "eContact_ShortName", line, record, extras); break;
        case Rule::Categories: setSingle(record.eContact_Categories, "eContact_Categories", line, record, extras); break;
        case Rule::KdeDepartment:
            if (record.eContact_Department.empty()) setPlainValue(record.eContact_Department, line);
            break;
        case Rule::KdeOffice: setSingle(record.eContact_Location, "eContact_Location", line, record, extras); break;
        case Rule::KdeProfession:
            if (record.eContact_JobTitle.empty()) setSingle(record.eContact_JobTitle, "eContact_JobTitle", line, record, extras);
            break;
        case Rule::Manager: setRelatedName(Relation::Manager, plainValue(line), extras.line, extras.property, record); break;
        case Rule::Assistant: setRelatedName(Relation::Assistant, plainValue(line), extras.line, extras.property, record); break;
        case Rule::Spouse: setRelatedName(Relation::Spouse, plainValue(line), extras.line, extras.property, record); break;
        case Rule::Child: setRelatedName(Relation::Child, plainValue(line), extras.line, extras.property, record); break;
        case Rule::AppleRelatedName: {
            const std::string group(groupOf(line));
            if (group.empty())
                noteUnplaced(record, extras.line, name, "a related name without a label");
            else
                extras.relatedNames[group] = {plainValue(line), extras.line};
            break;
        }
        case Rule::AppleLabel:
            if (const std::string group(groupOf(line)); !group.empty()) extras.labels[group] = plainValue(line);
            break;
        case Rule::Related: applyRelated(line, record, extras); break;
        case Rule::InstantMessaging: applyInstantMessaging(line, record, extras); break;
        case Rule::Gender: applyGender(line, record, extras); break;
        case Rule::Language: setSingle(record.language, "language", line, record, extras); break;
        case Rule::FreeBusy: setSingle(record.freeBusyAddress, "freeBusyAddress", line, record, extras); break;
        case Rule::FileAs: setSingle(record.fileAs, "fileAs", line, record, extras); break;
        case Rule::Class: {
            const std::string value = asciiUpper(plainValue(line));
            if (value == "PRIVATE" || value == "CONFIDENTIAL") {
                record.isPrivate = "1";
                noteSource(record, "isPrivate", extras, extras.property);
            }
            break;
        }
        case Rule::Kind: {
            const std::string kind = asciiUpper(plainValue(line));
            if (kind == "ORG") extras.organisation = true;
            if (kind == "GROUP") record.isGroup = true;
            break;
        }
        case Rule::Uid: setPlainValue(record.uid, line); break;
        case Rule::Member:
            if (std::string member = plainValue(line); !member.empty())
                record.members.push_back({std::move(member), extras.line});
            break;
        case Rule::ShowAs:
            if (asciiUpper(plainValue(line)) == "COMPANY") extras.organisation = true;
            break;
        case Rule::DefaultPostalAddress: {
            const std::string value = plainValue(line);
            if (value == "1" || value == "2" || value == "3") extras.mailingAddress = value;
            break;
        }
    }
    // The rules that look for a word anywhere in the line.
    const std::string_view text = line.text();
    // The grouped address and web page forms need "type=WORK", "type=HOME" or
    // "type=pref" written just so.
    const TypeValues types = typeValuesIn(text);
    if ((name == "ADR" || types.work || types.home) && applyAddresses(line, types, record, extras)) used = true;
    // IMADDRESS and ANNIVERSARY in any letter case: a line without "dd" or
    // "nn" holds neither, and most lines hold neither pair.
    const unsigned doubled = doubledLettersIn(text, 'd', 'n');
    if (rule != Rule::InstantMessaging && (doubled & 1) != 0 && containsNoCase(text, "IMADDRESS")) {
        applyInstantMessaging(line, record, extras);
        used = true;
    }
    if ((doubled & 2) != 0 && containsNoCase(text, "ANNIVERSARY")) {
        applyDate(line, record.eContact_Anniversary);
        used = true;
    }
    if ((name == "URL" || types.pref) && applyWebPage(line, types.pref, record, extras)) used = true;
    return used;
}

void CardExtras::clear() {
    line = 0;
    formattedName.clear();
    emailCount = 0;
    relatedNames.clear();
    labels.clear();
    mailingAddress.clear();
    preferredAddress.clear();
    organisation = false;
}

void prepareForHandOver(ContactRecord& record, CardExtras& extras) {
    // The e-mail addresses in file order, the first preferred one first.
    const auto emails = std::span(extras.emails).first(extras.emailCount);
    const auto preferred = std::find_if(emails.begin(), emails.end(), [](const auto& e) { return e.preferred; });
    if (preferred != emails.end()) std::rotate(emails.begin(), preferred, preferred + 1);
    const std::pair<Field, const char*> places[] = {{&ContactRecord::eContact_Email, "eContact_Email"},
                                                    {&ContactRecord::eContact_Email2, "eContact_Email2"},
                                                    {&ContactRecord::eContact_Email3, "eContact_Email3"},
                                                    {&ContactRecord::email4, "email4"}};
    for (std::size_t i = 0; i < emails.size(); ++i) {
        if (i < std::size(places)) {
            // Swapped, not copied: the slot's earlier storage serves the
            // next card's address.
            std::swap(record.*places[i].first, emails[i].address);
            record.noteSource(places[i].second, emails[i].line, "EMAIL");
        } else {
            noteUnplaced(record, emails[i].line, "EMAIL", "a further e-mail address");
        }
    }
    // Related names by the label of their group.
    for (auto& [group, related] : extras.relatedNames) {
        const auto label = extras.labels.find(group);
        const Relation relation = label == extras.labels.end() ? Relation::None : relationOfLabel(label->second);
        if (relation == Relation::None) {
            noteUnplaced(record, related.line, "X-ABRELATEDNAMES",
                         "a related name" + (label == extras.labels.end() ? std::string()
                                                                          : " (" + std::string(trimSpaces(label->second)) + ")"));
            continue;
        }
        setRelatedName(relation, std::move(related.value), related.line, "X-ABRELATEDNAMES", record);
    }
    // The mailing address: as Outlook's own line says, else the preferred
    // address, else the home address as before, when that address is there.
    for (const std::string* code : {&extras.mailingAddress, &extras.preferredAddress}) {
        const AddressFields* chosen = *code == "1" ? &kHomeAddress : *code == "2" ? &kBusinessAddress
                                      : *code == "3" ? &kOtherAddress : nullptr;
        if (chosen != nullptr && holdsAddress(record, *chosen)) {
            record.eSelAddress = *code;
            break;
        }
    }
    // A group is named by its FN, or by its N when it has none; its name
    // parts stay as N gave them. Members on a card that is no group have no
    // place.
    if (record.isGroup) {
        record.groupName = !extras.formattedName.empty()
                               ? extras.formattedName
                               : joinedWords({&record.eContact_Title, &record.eContact_FirstName,
                                              &record.eContact_MiddleName, &record.eContact_LastName,
                                              &record.eContact_Suffix});
        return;
    }
    for (const ContactRecord::GroupMember& member : record.members)
        noteUnplaced(record, member.line, "MEMBER", "a member on a card that is no group");
    record.members.clear();
    // A card without name parts gets them from its formatted name, but for
    // an organisation's card, whose formatted name is the organisation's.
    const bool noNameParts = record.eContact_FirstName.empty() && record.eContact_MiddleName.empty() &&
                             record.eContact_LastName.empty() && record.eContact_Title.empty() &&
                             record.eContact_Suffix.empty();
    const bool organisation =
        extras.organisation || (!record.eContact_Company.empty() && equalsNoCase(extras.formattedName, record.eContact_Company));
    if (noNameParts && organisation) {
        if (record.eContact_Company.empty()) record.eContact_Company = extras.formattedName;
    } else if (noNameParts && !extras.formattedName.empty()) {
        NameParts parts = splitFullName(extras.formattedName);
        record.eContact_Title = std::move(parts.title);
        record.eContact_FirstName = std::move(parts.first);
        record.eContact_MiddleName = std::move(parts.middle);
        record.eContact_LastName = std::move(parts.last);
        record.eContact_Suffix = std::move(parts.suffix);
    }
}

}  // namespace tessaly
