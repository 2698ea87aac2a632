#include "vcard/contact_record.h"

namespace tessaly {

namespace {

#define TEXT_SLOT(member) ContactSlot{#member, &ContactRecord::member, nullptr}
#define DATE_SLOT(member) ContactSlot{#member, nullptr, &ContactRecord::member}

const std::array<ContactSlot, 50> kSlots = {
    TEXT_SLOT(eContact_FirstName),       TEXT_SLOT(eContact_MiddleName),
    TEXT_SLOT(eContact_LastName),        TEXT_SLOT(eContact_Suffix),
    TEXT_SLOT(eContact_Title),           TEXT_SLOT(eContact_Email),
    TEXT_SLOT(eContact_Email2),          TEXT_SLOT(eContact_Email3),
    TEXT_SLOT(eContact_Company),         TEXT_SLOT(eContact_JobTitle),
    TEXT_SLOT(eContact_Profession),      TEXT_SLOT(eContact_BusinessAddress),
    TEXT_SLOT(eContact_BusinessStreet),  TEXT_SLOT(eContact_BusinessCity),
    TEXT_SLOT(eContact_BusinessZip),     TEXT_SLOT(eContact_BusinessState),
    TEXT_SLOT(eContact_BusinessCountry), TEXT_SLOT(eContact_Location),
    TEXT_SLOT(eContact_WebPage),         TEXT_SLOT(eContact_Department),
    TEXT_SLOT(eContact_Manager),         TEXT_SLOT(eContact_Assistant),
    TEXT_SLOT(eContact_OfficePhone),     TEXT_SLOT(eContact_OfficeFax),
    TEXT_SLOT(eContact_CellPhone),       TEXT_SLOT(eContact_Pager),
    TEXT_SLOT(eContact_CarPhone),        TEXT_SLOT(eContact_OtherEmail1),
    TEXT_SLOT(eContact_OtherEmail2),     TEXT_SLOT(eContact_OtherEmail3),
    TEXT_SLOT(eContact_IMAddress),       TEXT_SLOT(eContact_PersonalAddress),
    TEXT_SLOT(eContact_PersonalStreet),  TEXT_SLOT(eContact_PersonalCity),
    TEXT_SLOT(eContact_PersonalZip),     TEXT_SLOT(eContact_PersonalState),
    TEXT_SLOT(eContact_PersonalCountry), TEXT_SLOT(eContact_Spouse),
    TEXT_SLOT(eContact_Childern),        TEXT_SLOT(eContact_HomePhone),
    TEXT_SLOT(eContact_HomeFax),         DATE_SLOT(eContact_BirthDay),
    DATE_SLOT(eContact_Anniversary),     TEXT_SLOT(eContact_Comments),
    TEXT_SLOT(eContact_ShortName),       TEXT_SLOT(eContact_PhoneticName),
    TEXT_SLOT(eContact_MailDomain),      TEXT_SLOT(eContact_Categories),
    TEXT_SLOT(ePhoto),                   TEXT_SLOT(eSelAddress),
};

const std::array<ContactSlot, 27> kFields = {
    TEXT_SLOT(email4),           TEXT_SLOT(business2Phone),   TEXT_SLOT(home2Phone),
    TEXT_SLOT(otherPhone),       TEXT_SLOT(primaryPhone),     TEXT_SLOT(companyMainPhone),
    TEXT_SLOT(assistantPhone),   TEXT_SLOT(callbackPhone),    TEXT_SLOT(isdnNumber),
    TEXT_SLOT(radioPhone),       TEXT_SLOT(telexNumber),      TEXT_SLOT(ttyTddPhone),
    TEXT_SLOT(otherFax),         TEXT_SLOT(businessPostOfficeBox), TEXT_SLOT(homePostOfficeBox),
    TEXT_SLOT(otherStreet),      TEXT_SLOT(otherCity),        TEXT_SLOT(otherState),
    TEXT_SLOT(otherZip),         TEXT_SLOT(otherCountry),     TEXT_SLOT(otherPostOfficeBox),
    TEXT_SLOT(personalHomePage), TEXT_SLOT(gender),           TEXT_SLOT(language),
    TEXT_SLOT(freeBusyAddress),  TEXT_SLOT(fileAs),           TEXT_SLOT(isPrivate),
};

#undef TEXT_SLOT
#undef DATE_SLOT

}  // namespace

const std::array<ContactSlot, 50>& contactSlots() { return kSlots; }

const std::array<ContactSlot, 27>& contactFields() { return kFields; }

const ContactRecord::Source* sourceOf(const ContactRecord& record, std::string_view field) {
    // The last one noted: the list holds the later ones.
    for (auto source = record.moreSources.rbegin(); source != record.moreSources.rend(); ++source)
        if (field == source->field) return &*source;
    for (std::size_t i = record.sourceCount; i-- > 0;)
        if (field == record.firstSources[i].field) return &record.firstSources[i];
    return nullptr;
}

void FreevCard(ContactRecord& record) {
    for (const ContactSlot& slot : kSlots) {
        if (slot.text)
            (record.*slot.text).clear();
        else
            record.*slot.date = 0;
    }
    record.ePhotoBytes.clear();
    for (const ContactSlot& field : kFields) (record.*field.text).clear();
    record.uid.clear();
    record.isGroup = false;
    record.groupName.clear();
    record.members.clear();
    record.sourceCount = 0;
    record.moreSources.clear();
    record.unplaced.clear();
}

}  // namespace tessaly
