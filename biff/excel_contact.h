#pragma once
// The arguments of Save2ExcelContact: the contact record's slots under the
// names the sheet gives them. They refer to the record's texts without copying
// them, so they live only as long as the record they were taken from.
//
// Each argument receives the slot whose name has the same ending, except that
// the record's job title arrives as xlsContact_Profession and its profession
// (the ROLE) as xlsContact_JobTitle.

#include <string_view>

#include "vcard/contact_record.h"

namespace tessaly {

struct ExcelContact {
    std::string_view xlsContact_FirstName;
    std::string_view xlsContact_MiddleName;
    std::string_view xlsContact_LastName;
    std::string_view xlsContact_Suffix;
    std::string_view xlsContact_Title;
    std::string_view xlsContact_Email;
    std::string_view xlsContact_Email2;
    std::string_view xlsContact_Email3;
    std::string_view xlsContact_Company;
    std::string_view xlsContact_Profession;
    std::string_view xlsContact_JobTitle;
    std::string_view xlsContact_BusinessAddress;
    std::string_view xlsContact_BusinessStreet;
    std::string_view xlsContact_BusinessCity;
    std::string_view xlsContact_BusinessZip;
    std::string_view xlsContact_BusinessState;
    std::string_view xlsContact_BusinessCountry;
    std::string_view xlsContact_Location;
    std::string_view xlsContact_WebPage;
    std::string_view xlsContact_Department;
    std::string_view xlsContact_Manager;
    std::string_view xlsContact_Assistant;
    std::string_view xlsContact_OfficePhone;
    std::string_view xlsContact_OfficeFax;
    std::string_view xlsContact_CellPhone;
    std::string_view xlsContact_Pager;
    std::string_view xlsContact_CarPhone;
    std::string_view xlsContact_OtherEmail1;
    std::string_view xlsContact_OtherEmail2;
    std::string_view xlsContact_OtherEmail3;
    std::string_view xlsContact_IMAddress;
    // The personal street as the reader keeps it (the business one arrives as
    // xlsContact_BusinessAddress).
    std::string_view xlsContact_PersonalAddress;
    std::string_view xlsContact_PersonalStreet;
    std::string_view xlsContact_PersonalCity;
    std::string_view xlsContact_PersonalZip;
    std::string_view xlsContact_PersonalState;
    std::string_view xlsContact_PersonalCountry;
    std::string_view xlsContact_Spouse;
    std::string_view xlsContact_Childern;
    std::string_view xlsContact_HomePhone;
    std::string_view xlsContact_HomeFax;
    DateValue xlsContact_BirthDay = 0;
    DateValue xlsContact_Anniversary = 0;
    std::string_view xlsContact_Comments;
    std::string_view xlsContact_ShortName;
    std::string_view xlsContact_PhoneticName;
    std::string_view xlsContact_MailDomain;
    std::string_view xlsContact_Categories;
};

ExcelContact excelContactFrom(const ContactRecord& record);

}  // namespace tessaly
