#pragma once
// The contact item's fields as the object model names them, and the property
// each one is stored in (MS-OXOCNTC; ids from MS-OXPROPS).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "pst/messaging/property_name.h"

namespace tessaly::outlook {

// The text fields, in the order the table of contactFieldInfo() lists them.
enum class ContactField : std::uint8_t {
    FirstName,
    MiddleName,
    LastName,
    JobTitle,
    CompanyName,
    BusinessTelephoneNumber,
    BusinessFaxNumber,
    HomeTelephoneNumber,
    HomeFaxNumber,
    MobileTelephoneNumber,
    PagerNumber,
    CarTelephoneNumber,
    SelectedMailingAddress,
    BusinessAddress,
    BusinessAddressStreet,
    BusinessAddressCity,
    BusinessAddressState,
    BusinessAddressPostalCode,
    BusinessAddressCountry,
    HomeAddress,
    HomeAddressStreet,
    HomeAddressCity,
    HomeAddressState,
    HomeAddressPostalCode,
    HomeAddressCountry,
    Email1Address,
    Email2Address,
    Email3Address,
    IMAddress,
    BusinessHomePage,
    WebPage,
    Categories,
    Department,
    OfficeLocation,
    Profession,
    ManagerName,
    AssistantName,
    Title,
    Suffix,
    Spouse,
    Body,
    NickName,
    Business2TelephoneNumber,
    Home2TelephoneNumber,
    OtherTelephoneNumber,
    PrimaryTelephoneNumber,
    CompanyMainTelephoneNumber,
    AssistantTelephoneNumber,
    CallbackTelephoneNumber,
    ISDNNumber,
    RadioTelephoneNumber,
    TelexNumber,
    TTYTDDTelephoneNumber,
    OtherFaxNumber,
    BusinessAddressPostOfficeBox,
    HomeAddressPostOfficeBox,
    OtherAddress,
    OtherAddressStreet,
    OtherAddressCity,
    OtherAddressState,
    OtherAddressPostalCode,
    OtherAddressCountry,
    OtherAddressPostOfficeBox,
    PersonalHomePage,
    Language,
    InternetFreeBusyAddress,
    FileAs,
    Gender,
    Sensitivity,
    Children,
};
inline constexpr std::size_t kContactFieldCount = static_cast<std::size_t>(ContactField::Children) + 1;

// The two date fields.
enum class ContactDate : std::uint8_t { Birthday, Anniversary };

// Where a plain text field is stored: a tagged property (type PtypString) or
// a named one in PSETID_Address. Fields with rules of their own (addresses
// built from parts, e-mail groups, categories, the mailing address code) have
// no direct property here and are handled where the message is built.
struct ContactFieldInfo {
    const char* name;  // as the object model names it
    ContactField field;
    std::uint16_t tagId;     // a tagged string property, or 0
    std::uint16_t addressLid;  // a named PSETID_Address string property, or 0
    // Stored as "" when empty, as Outlook stores the fields of its contact
    // form that were left empty; other empty fields are not stored.
    bool keptWhenEmpty;
};

const ContactFieldInfo& contactFieldInfo(ContactField field);

// A field or a date by its object-model name, in any letter case.
struct ContactName {
    std::optional<ContactField> field;
    std::optional<ContactDate> date;
};
std::optional<ContactName> contactNameOf(std::string_view name);

}  // namespace tessaly::outlook
