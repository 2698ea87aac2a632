#include "outlook/contact_item_writer.h"

#include "vcard/vcard_text.h"

namespace tessaly::outlook {

namespace {

constexpr std::int16_t kContactItem = 2;

// Runs one statement; a failure is noted and passed over.
template <typename Statement>
void guarded(ContactItemOutcome& outcome, const char* statement, Statement run) {
    try {
        run();
    } catch (const AutomationError& error) {
        outcome.failures.push_back(std::string(statement) + ": " + error.what());
    }
}

}  // namespace

ContactItemOutcome CreateContactItem(Session& objSession, const std::string& storeID, std::int16_t FolderName,
                                     const ContactRecord& record) {
    ContactItemOutcome outcome;
    const auto trimmed = [](const std::string& slot) { return std::string(trimSpaces(slot)); };

    std::shared_ptr<ContactItem> item;
    guarded(outcome, "Add", [&] { item = objSession.GetStoreFromID(storeID)->GetDefaultFolder(FolderName)->Items()->Add(kContactItem); });
    const auto set = [&](const char* name, const std::string& slot) {
        guarded(outcome, name, [&] {
            if (!item) throw AutomationError("there is no item");
            item->setProperty(name, trimmed(slot));
        });
    };
    const auto setDate = [&](const char* name, DateValue date) {
        guarded(outcome, name, [&] {
            if (!item) throw AutomationError("there is no item");
            item->setProperty(name, AutomationDate{date});
        });
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
    guarded(outcome, "AddPicture", [&] {
        if (!item) throw AutomationError("there is no item");
        item->AddPicture(record.ePhoto);
    });
    if (record.eContact_BirthDay != 0) setDate("Birthday", record.eContact_BirthDay);
    if (record.eContact_Anniversary != 0) setDate("Anniversary", record.eContact_Anniversary);
    guarded(outcome, "Save", [&] {
        if (!item) throw AutomationError("there is no item");
        item->Save();
        outcome.saved = true;
    });
    return outcome;
}

}  // namespace tessaly::outlook
