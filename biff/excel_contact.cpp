#include "biff/excel_contact.h"

namespace tessaly {

ExcelContact excelContactFrom(const ContactRecord& record) {
    ExcelContact contact;
    contact.xlsContact_FirstName = record.eContact_FirstName;
    contact.xlsContact_MiddleName = record.eContact_MiddleName;
    contact.xlsContact_LastName = record.eContact_LastName;
    contact.xlsContact_Suffix = record.eContact_Suffix;
    contact.xlsContact_Title = record.eContact_Title;
    contact.xlsContact_Email = record.eContact_Email;
    contact.xlsContact_Email2 = record.eContact_Email2;
    contact.xlsContact_Email3 = record.eContact_Email3;
    contact.xlsContact_Company = record.eContact_Company;
    // The two are handed over crossed: the sheet's "Job Title" column shows the
    // record's profession (the ROLE), and its job title goes nowhere.
    contact.xlsContact_Profession = record.eContact_JobTitle;
    contact.xlsContact_JobTitle = record.eContact_Profession;
    contact.xlsContact_BusinessAddress = record.eContact_BusinessAddress;
    contact.xlsContact_BusinessStreet = record.eContact_BusinessStreet;
    contact.xlsContact_BusinessCity = record.eContact_BusinessCity;
    contact.xlsContact_BusinessZip = record.eContact_BusinessZip;
    contact.xlsContact_BusinessState = record.eContact_BusinessState;
    contact.xlsContact_BusinessCountry = record.eContact_BusinessCountry;
    contact.xlsContact_Location = record.eContact_Location;
    contact.xlsContact_WebPage = record.eContact_WebPage;
    contact.xlsContact_Department = record.eContact_Department;
    contact.xlsContact_Manager = record.eContact_Manager;
    contact.xlsContact_Assistant = record.eContact_Assistant;
    contact.xlsContact_OfficePhone = record.eContact_OfficePhone;
    contact.xlsContact_OfficeFax = record.eContact_OfficeFax;
    contact.xlsContact_CellPhone = record.eContact_CellPhone;
    contact.xlsContact_Pager = record.eContact_Pager;
    contact.xlsContact_CarPhone = record.eContact_CarPhone;
    // The sheet's three further e-mail columns show the card's second to
    // fourth addresses.
    contact.xlsContact_OtherEmail1 = record.eContact_Email2;
    contact.xlsContact_OtherEmail2 = record.eContact_Email3;
    contact.xlsContact_OtherEmail3 = record.email4;
    contact.xlsContact_IMAddress = record.eContact_IMAddress;
    contact.xlsContact_PersonalAddress = record.eContact_PersonalAddress;
    contact.xlsContact_PersonalStreet = record.eContact_PersonalStreet;
    contact.xlsContact_PersonalCity = record.eContact_PersonalCity;
    contact.xlsContact_PersonalZip = record.eContact_PersonalZip;
    contact.xlsContact_PersonalState = record.eContact_PersonalState;
    contact.xlsContact_PersonalCountry = record.eContact_PersonalCountry;
    contact.xlsContact_Spouse = record.eContact_Spouse;
    contact.xlsContact_Childern = record.eContact_Childern;
    contact.xlsContact_HomePhone = record.eContact_HomePhone;
    contact.xlsContact_HomeFax = record.eContact_HomeFax;
    contact.xlsContact_BirthDay = record.eContact_BirthDay;
    contact.xlsContact_Anniversary = record.eContact_Anniversary;
    contact.xlsContact_Comments = record.eContact_Comments;
    contact.xlsContact_ShortName = record.eContact_ShortName;
    contact.xlsContact_PhoneticName = record.eContact_PhoneticName;
    contact.xlsContact_MailDomain = record.eContact_MailDomain;
    contact.xlsContact_Categories = record.eContact_Categories;
    return contact;
}

}  // namespace tessaly
