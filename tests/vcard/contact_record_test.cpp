#include "vcard/contact_record.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tessaly {
namespace {

TEST(ContactRecord, FreevCardClearsEverySlot) {
    ContactRecord record;
    for (const ContactSlot& slot : contactSlots()) {
        if (slot.text)
            record.*slot.text = slot.name;
        else
            record.*slot.date = 12345.5;
    }
    FreevCard(record);
    for (const ContactSlot& slot : contactSlots()) {
        if (slot.text)
            EXPECT_EQ(record.*slot.text, "") << slot.name;
        else
            EXPECT_EQ(record.*slot.date, 0) << slot.name;
    }
}

TEST(ContactRecord, SlotTableNamesEveryMemberOnce) {
    std::set<std::string> names;
    int dates = 0;
    for (const ContactSlot& slot : contactSlots()) {
        EXPECT_TRUE((slot.text == nullptr) != (slot.date == nullptr)) << slot.name;
        names.insert(slot.name);
        dates += slot.date != nullptr;
    }
    EXPECT_EQ(names.size(), 50u);
    EXPECT_EQ(dates, 2);
    EXPECT_STREQ(contactSlots().front().name, "eContact_FirstName");
    EXPECT_STREQ(contactSlots()[41].name, "eContact_BirthDay");
    EXPECT_STREQ(contactSlots().back().name, "eSelAddress");
}

}  // namespace
}  // namespace tessaly
