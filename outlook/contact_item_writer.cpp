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
    return outcome;
}

void setContactProperties(ContactItem* item, const ContactRecord& record, ContactItemOutcome& outcome) {
    const auto trimmed = [](const std::string& slot) { return std::string(trimSpaces(slot)); };
    const auto set = [&](const char* name, const std::string& slot) {
        guarded(outcome, name, [&] { itemOf(item).setProperty(name, trimmed(slot)); });
    };
    set("FirstName", record.eContact_FirstName);
    set("MiddleName", record.eContact_MiddleName);
    set("LastName", record.eContact_LastName);
    set("JobTitle", record.eContact_JobTitle);
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
    if (!trimmed(record.eContact_BusinessStreet).empty()) set("BusinessAddressStreet", record.eContact_BusinessStreet);
    set("BusinessAddressCity", record.eContact_BusinessCity);
    set("BusinessAddressState", record.eContact_BusinessState);
    set("BusinessAddressPostalCode", record.eContact_BusinessZip);
    set("BusinessAddressCountry", record.eContact_BusinessCountry);
    set("HomeAddressStreet", record.eContact_PersonalAddress);
    if (!trimmed(record.eContact_PersonalStreet).empty()) set("HomeAddressStreet", record.eContact_PersonalStreet);
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
    set("Profession", record.eContact_Profession);
    set("ManagerName", record.eContact_Manager);
    set("AssistantName", record.eContact_Assistant);
    set("Title", record.eContact_Title);
    set("Suffix", record.eContact_Suffix);
    set("Spouse", record.eContact_Spouse);
    set("Body", record.eContact_Comments);
    set("NickName", record.eContact_ShortName);
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
