#include "outlook/contact_item_writer.h"

#include "vcard/vcard_text.h"

namespace tessaly::outlook {

namespace {

// Runs one statement; a failure is noted and passed over.
template <typename Statement>
void guarded(ContactItemOutcome& outcome, const char* statement, Statement run) {
    try {
        run();
    } catch (const AutomationError& error) {
        outcome.failures.push_back(std::string(statement) + ": " + error.what());
    }
}

// The item a statement works on; without one the statement fails.
ContactItem& itemOf(ContactItem* item) {
    if (item == nullptr) throw AutomationError("there is no item");
    return *item;
}

}  // namespace

std::string notSavedCause(const ContactItemOutcome& outcome) {
    return outcome.failures.empty() ? std::string("unknown cause") : outcome.failures.front();
}

ContactItemOutcome CreateContactItem(Session& objSession, const std::string& storeID, std::int16_t FolderName,
                                     const ContactRecord& record) {
    ContactItemOutcome outcome;
    std::shared_ptr<ContactItem> item;
    guarded(outcome, "Add", [&] { item = objSession.GetStoreFromID(storeID)->GetDefaultFolder(FolderName)->Items()->Add(kContactItem); });
    setContactProperties(item.get(), record, outcome);
    addContactPicture(item.get(), record, outcome);
    setContactDates(item.get(), record, outcome);
    saveContact(item.get(), outcome);
    if (outcome.saved && !record.uid.empty()) outcome.listMember = contactAsMember(item->content(), item->EntryID());
    return outcome;
}

void setContactProperties(ContactItem* item, const ContactRecord& record, ContactItemOutcome& outcome) {
    const auto set = [&](const char* name, const std::string& slot) {
        const std::string_view text = trimSpaces(slot);
        // Empty text leaves a new item's field as it is, empty: the call is
        // spared where there is an item (without one, it fails as before).
        if (text.empty() && item != nullptr) return;
        guarded(outcome, name, [&] { itemOf(item).setProperty(name, std::string(text)); });
    };
    set("FirstName", record.eContact_FirstName);
    set("MiddleName", record.eContact_MiddleName);
    set("LastName", record.eContact_LastName);
    // A card's TITLE is its job title and its ROLE the profession, as
    // Outlook's own export writes them: the slots hold them the other way.
    set("JobTitle", record.eContact_Profession);
    set("CompanyName", record.eContact_Company);
    set("BusinessTelephoneNumber", record.eContact_OfficePhone);
    set("BusinessFaxNumber", record.eContact_OfficeFax);
    set("HomeTelephoneNumber", record.eContact_HomePhone);
    set("HomeFaxNumber", record.eContact_HomeFax);
    set("MobileTelephoneNumber", record.eContact_CellPhone);
    set("PagerNumber", record.eContact_Pager);
    set("CarTelephoneNumber", record.eContact_CarPhone);
    set("SelectedMailingAddress", record.eSelAddress);
    // The address slots hold the street; the street slots are never filled,
    // and set the street only when they are. The whole address is built from
    // its parts when the item is saved.
    set("BusinessAddressStreet", record.eContact_BusinessAddress);
    if (!trimSpaces(record.eContact_BusinessStreet).empty()) set("BusinessAddressStreet", record.eContact_BusinessStreet);
    set("BusinessAddressCity", record.eContact_BusinessCity);
    set("BusinessAddressState", record.eContact_BusinessState);
    set("BusinessAddressPostalCode", record.eContact_BusinessZip);
    set("BusinessAddressCountry", record.eContact_BusinessCountry);
    set("HomeAddressStreet", record.eContact_PersonalAddress);
    if (!trimSpaces(record.eContact_PersonalStreet).empty()) set("HomeAddressStreet", record.eContact_PersonalStreet);
    set("HomeAddressCity", record.eContact_PersonalCity);
    set("HomeAddressState", record.eContact_PersonalState);
    set("HomeAddressPostalCode", record.eContact_PersonalZip);
    set("HomeAddressCountry", record.eContact_PersonalCountry);
    set("Email1Address", record.eContact_Email);
    set("Email2Address", record.eContact_Email2);
    set("Email3Address", record.eContact_Email3);
    set("IMAddress", record.eContact_IMAddress);
    set("BusinessHomePage", record.eContact_WebPage);
    set("WebPage", record.eContact_WebPage);
    set("Categories", record.eContact_Categories);
    set("Department", record.eContact_Department);
    set("OfficeLocation", record.eContact_Location);
    set("Profession", record.eContact_JobTitle);
    set("ManagerName", record.eContact_Manager);
    set("AssistantName", record.eContact_Assistant);
    set("Title", record.eContact_Title);
    set("Suffix", record.eContact_Suffix);
    set("Spouse", record.eContact_Spouse);
    set("Body", record.eContact_Comments);
    set("NickName", record.eContact_ShortName);
    setFurtherProperties(item, record, outcome);
}

void setFurtherProperties(ContactItem* item, const ContactRecord& record, ContactItemOutcome& outcome) {
    const auto set = [&](const char* name, const std::string& value) {
        if (!value.empty()) guarded(outcome, name, [&] { itemOf(item).setProperty(name, std::string(trimSpaces(value))); });
    };
    set("Business2TelephoneNumber", record.business2Phone);
    set("Home2TelephoneNumber", record.home2Phone);
    set("OtherTelephoneNumber", record.otherPhone);
    set("PrimaryTelephoneNumber", record.primaryPhone);
    set("CompanyMainTelephoneNumber", record.companyMainPhone);
    set("AssistantTelephoneNumber", record.assistantPhone);
    set("CallbackTelephoneNumber", record.callbackPhone);
    set("ISDNNumber", record.isdnNumber);
    set("RadioTelephoneNumber", record.radioPhone);
    set("TelexNumber", record.telexNumber);
    set("TTYTDDTelephoneNumber", record.ttyTddPhone);
    set("OtherFaxNumber", record.otherFax);
    set("BusinessAddressPostOfficeBox", record.businessPostOfficeBox);
    set("HomeAddressPostOfficeBox", record.homePostOfficeBox);
    set("OtherAddressStreet", record.otherStreet);
    set("OtherAddressCity", record.otherCity);
    set("OtherAddressState", record.otherState);
    set("OtherAddressPostalCode", record.otherZip);
    set("OtherAddressCountry", record.otherCountry);
    set("OtherAddressPostOfficeBox", record.otherPostOfficeBox);
    set("PersonalHomePage", record.personalHomePage);
    set("Language", record.language);
    set("InternetFreeBusyAddress", record.freeBusyAddress);
    set("FileAs", record.fileAs);
    set("Children", record.eContact_Childern);
    // Outlook knows female (1) and male (2) only.
    set("Gender", record.gender == "F" ? "1" : record.gender == "M" ? "2" : "");
    set("Sensitivity", record.isPrivate == "1" ? "2" : "");
}

void addContactPicture(ContactItem* item, const ContactRecord& record, ContactItemOutcome& outcome) {
    // The picture as the reader decoded it: the file at `ePhoto` may have
    // been changed by someone else since.
    guarded(outcome, "AddPicture", [&] { itemOf(item).SetPicture(record.ePhotoBytes); });
}

void setContactDates(ContactItem* item, const ContactRecord& record, ContactItemOutcome& outcome) {
    const auto setDate = [&](const char* name, DateValue date) {
        if (date != 0) guarded(outcome, name, [&] { itemOf(item).setProperty(name, AutomationDate{date}); });
    };
    setDate("Birthday", record.eContact_BirthDay);
    setDate("Anniversary", record.eContact_Anniversary);
}

void saveContact(ContactItem* item, ContactItemOutcome& outcome) {
    guarded(outcome, "Save", [&] {
        itemOf(item).Save();
        outcome.saved = true;
    });
}

}  // namespace tessaly::outlook
