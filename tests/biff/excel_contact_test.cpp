#include "biff/excel_contact.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

TEST(ExcelContact, EachArgumentTakesTheSlotOfTheSameNameExceptJobTitleAndProfession) {
    ContactRecord record;
    for (const ContactSlot& slot : contactSlots())
        if (slot.text) record.*slot.text = slot.name;
    record.eContact_BirthDay = 1.5;
    record.eContact_Anniversary = 2.5;

    const ExcelContact contact = excelContactFrom(record);
    EXPECT_EQ(contact.xlsContact_FirstName, "eContact_FirstName");
    EXPECT_EQ(contact.xlsContact_Email3, "eContact_Email3");
    EXPECT_EQ(contact.xlsContact_Profession, "eContact_JobTitle");
    EXPECT_EQ(contact.xlsContact_JobTitle, "eContact_Profession");
    EXPECT_EQ(contact.xlsContact_BusinessAddress, "eContact_BusinessAddress");
    EXPECT_EQ(contact.xlsContact_BusinessStreet, "eContact_BusinessStreet");
    EXPECT_EQ(contact.xlsContact_IMAddress, "eContact_IMAddress");
    EXPECT_EQ(contact.xlsContact_PersonalAddress, "eContact_PersonalAddress");
    EXPECT_EQ(contact.xlsContact_PersonalStreet, "eContact_PersonalStreet");
    EXPECT_EQ(contact.xlsContact_Childern, "eContact_Childern");
    EXPECT_EQ(contact.xlsContact_HomeFax, "eContact_HomeFax");
    EXPECT_EQ(contact.xlsContact_BirthDay, 1.5);
    EXPECT_EQ(contact.xlsContact_Anniversary, 2.5);
    EXPECT_EQ(contact.xlsContact_Comments, "eContact_Comments");
    EXPECT_EQ(contact.xlsContact_Categories, "eContact_Categories");
}

}  // namespace
}  // namespace tessaly
