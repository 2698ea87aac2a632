#include "biff/excel_contact.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

// The arguments the sheet writes are checked cell by cell in the contact sheet's
// tests; these are the crossed pair and arguments no column shows.
TEST(ExcelContact, EachArgumentTakesTheSlotOfTheSameNameExceptJobTitleAndProfession) {
    ContactRecord record;
    for (const ContactSlot& slot : contactSlots())
        if (slot.text) record.*slot.text = slot.name;

    const ExcelContact contact = excelContactFrom(record);
    EXPECT_EQ(contact.xlsContact_Profession, "eContact_JobTitle");
    EXPECT_EQ(contact.xlsContact_JobTitle, "eContact_Profession");
    EXPECT_EQ(contact.xlsContact_Email3, "eContact_Email3");
    EXPECT_EQ(contact.xlsContact_BusinessStreet, "eContact_BusinessStreet");
    EXPECT_EQ(contact.xlsContact_PersonalStreet, "eContact_PersonalStreet");
    EXPECT_EQ(contact.xlsContact_IMAddress, "eContact_IMAddress");
    EXPECT_EQ(contact.xlsContact_Childern, "eContact_Childern");
    EXPECT_EQ(contact.xlsContact_Categories, "eContact_Categories");
}

}  // namespace
}  // namespace tessaly
