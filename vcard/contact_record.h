#pragma once
// The contact record: the fields of the one card being read. Its 50 slots are
// flat (one slot per field); beside them are the further fields an Outlook
// contact has a place for, where each value came from, and the values the
// card held that no field of the record holds, so that every target can say
// what it had no place for.

#include <array>
#include <string>
#include <string_view>
#include <vector>

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

    // Beside the slots (see contactFields()): a fourth e-mail address, the
    // numbers of the kinds the slots lack, the third address, post-office
    // boxes, the personal web page and a few single values.
    std::string email4;
    std::string business2Phone;
    std::string home2Phone;
    std::string otherPhone;
    std::string primaryPhone;
    std::string companyMainPhone;
    std::string assistantPhone;
    std::string callbackPhone;
    std::string isdnNumber;
    std::string radioPhone;
    std::string telexNumber;
    std::string ttyTddPhone;
    std::string otherFax;
    std::string businessPostOfficeBox;
    std::string homePostOfficeBox;
    std::string otherStreet;
    std::string otherCity;
    std::string otherState;
    std::string otherZip;
    std::string otherCountry;
    std::string otherPostOfficeBox;
    std::string personalHomePage;
    std::string gender;  // "F", "M", "O", "N" or "U" as vCard 4.0 spells them
    std::string language;
    std::string freeBusyAddress;
    std::string fileAs;
    std::string isPrivate;  // "1" when the card is private or confidential

    // The card's own identifier (UID) as written, by which a group's members
    // name the cards they stand for.
    std::string uid;
    // A contact group's card (vCard 4.0's KIND:group, Apple's
    // X-ADDRESSBOOKSERVER-KIND:group): its name (FN, or N's parts when it has
    // no FN) and its members as written ("urn:uuid:…", "mailto:…"), each with
    // its line. Such a card stands for a group, not a contact.
    struct GroupMember {
        std::string value;
        long line = 0;
    };
    bool isGroup = false;
    std::string groupName;
    std::vector<GroupMember> members;

    // Where a field's value came from: the field's name (as contactSlots()
    // or contactFields() spell it), the line and the property's name, both
    // static texts. Noted for every field of every card: the first ones go
    // to a fixed array (no call, no allocation), the rest to a list.
    struct Source {
        const char* field = nullptr;
        long line = 0;
        std::string_view property;
    };
    void noteSource(const char* field, long line, std::string_view property) {
        if (sourceCount < firstSources.size())
            firstSources[sourceCount++] = {field, line, property};
        else
            moreSources.push_back({field, line, property});
    }
    std::array<Source, 32> firstSources;
    std::size_t sourceCount = 0;
    std::vector<Source> moreSources;

    // A value the card held that no field of the record holds.
    struct Unplaced {
        long line;
        std::string property;
        std::string what;  // what it was, for the report ("a further e-mail address"), or empty
    };
    std::vector<Unplaced> unplaced;
};

// The source of the field named `field`, the last one noted, or nullptr.
const ContactRecord::Source* sourceOf(const ContactRecord& record, std::string_view field);

// Clears every text slot to "" and both date slots to 0, and every field
// beside them.
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

// The text fields beside the slots, in the order the record declares them
// (`date` is never set).
const std::array<ContactSlot, 27>& contactFields();

}  // namespace tessaly
