#include "vcard/contact_record.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

// The slot table names every member of the record once (a slot that points at
// another's member is overwritten before it is checked), and FreevCard clears
// them all.
TEST(ContactRecord, EverySlotIsItsOwnMemberAndFreevCardClearsThemAll) {
    ContactRecord record;
    for (const ContactSlot& slot : contactSlots()) {
        ASSERT_TRUE((slot.text == nullptr) != (slot.date == nullptr)) << slot.name;
        if (slot.text) record.*slot.text = slot.name;
        else record.*slot.date = slot.name[9];  // eContact_BirthDay, eContact_Anniversary
    }
    for (const ContactSlot& slot : contactSlots()) {
        if (slot.text) EXPECT_EQ(record.*slot.text, slot.name);
        else EXPECT_EQ(record.*slot.date, slot.name[9]) << slot.name;
    }
    FreevCard(record);
    for (const ContactSlot& slot : contactSlots()) {
        if (slot.text) EXPECT_EQ(record.*slot.text, "") << slot.name;
        else EXPECT_EQ(record.*slot.date, 0) << slot.name;
    }
}

}  // namespace
}  // namespace tessaly
