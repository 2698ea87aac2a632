#pragma once
// The contact record: the fields of the one card being read. It is flat on
// purpose (one slot per field, no lists): a property that occurs twice in a card
// overwrites the slot the first one filled.

#include <array>
#include <string>

namespace tessaly {

// Days since 30 December 1899 00:00; the fraction is the time of day. 0 means
// "no date".
using DateValue = double;

struct ContactRecord {
    std::string eContact_FirstName;
    std::string eContact_MiddleName;
    std::string eContact_LastName;
    std::string eContact_Suffix;
    std::string eContact_Title;
    std::string eContact_Email;
    std::string eContact_Email2;
    std::string eContact_Email3;
    std::string eContact_Company;
    std::string eContact_JobTitle;
    std::string eContact_Profession;
    std::string eContact_BusinessAddress;
    std::string eContact_BusinessStreet;
    std::string eContact_BusinessCity;
    std::string eContact_BusinessZip;
    std::string eContact_BusinessState;
    std::string eContact_BusinessCountry;
    std::string eContact_Location;
    std::string eContact_WebPage;
    std::string eContact_Department;
    std::string eContact_Manager;
    std::string eContact_Assistant;
    std::string eContact_OfficePhone;
    std::string eContact_OfficeFax;
    std::string eContact_CellPhone;
    std::string eContact_Pager;
    std::string eContact_CarPhone;
    std::string eContact_OtherEmail1;
    std::string eContact_OtherEmail2;
    std::string eContact_OtherEmail3;
    std::string eContact_IMAddress;
    std::string eContact_PersonalAddress;
    std::string eContact_PersonalStreet;
    std::string eContact_PersonalCity;
    std::string eContact_PersonalZip;
    std::string eContact_PersonalState;
    std::string eContact_PersonalCountry;
    std::string eContact_Spouse;
    std::string eContact_Childern;
    std::string eContact_HomePhone;
    std::string eContact_HomeFax;
    DateValue eContact_BirthDay = 0;
    DateValue eContact_Anniversary = 0;
    std::string eContact_Comments;
    std::string eContact_ShortName;
    std::string eContact_PhoneticName;
    std::string eContact_MailDomain;
    std::string eContact_Categories;
    std::string ePhoto;
    // Not a slot: the picture's bytes as the card held them, when the reader
    // was asked to keep them (see ReaderOptions).
    std::string ePhotoBytes;
    std::string eSelAddress;
};

// Clears every text slot to "" and both date slots to 0.
void FreevCard(ContactRecord& record);

// One slot of the record, by name, in the record's order. Exactly one of the two
// pointers is set.
struct ContactSlot {
    const char* name;
    std::string ContactRecord::*text;
    DateValue ContactRecord::*date;
};

// All 50 slots in the order the record declares them.
const std::array<ContactSlot, 50>& contactSlots();

}  // namespace tessaly
