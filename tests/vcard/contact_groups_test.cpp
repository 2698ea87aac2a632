// Contact groups as exporters write them: vCard 4.0's KIND:group with MEMBER
// lines, Apple's X-ADDRESSBOOKSERVER-KIND and -MEMBER, and each card's UID.

#include <gtest/gtest.h>

#include "support/recording_sink.h"

namespace tessaly {
namespace {

using testing::readText;

TEST(ContactGroups, AGroupCardKeepsItsNameAndMembersInTheirOrderWithTheirLines) {
    const auto sink = readText("BEGIN:VCARD\r\nVERSION:4.0\r\nKIND:group\r\nFN:Team Alpha\r\n"
                               "MEMBER:urn:uuid:03a0e51f-d1aa-4385-8a53-e29025acd8af\r\n"
                               "MEMBER:mailto:subscriber1@example.com\r\nUID:urn:uuid:team-1\r\nEND:VCARD\r\n");
    ASSERT_EQ(sink.cards.size(), 1u);
    const ContactRecord& group = sink.cards[0];
    EXPECT_TRUE(group.isGroup);
    EXPECT_EQ(group.groupName, "Team Alpha");
    EXPECT_EQ(group.uid, "urn:uuid:team-1");
    ASSERT_EQ(group.members.size(), 2u);
    EXPECT_EQ(group.members[0].value, "urn:uuid:03a0e51f-d1aa-4385-8a53-e29025acd8af");
    EXPECT_EQ(group.members[0].line, 5);
    EXPECT_EQ(group.members[1].value, "mailto:subscriber1@example.com");
    EXPECT_EQ(group.members[1].line, 6);
    // A group's FN is its name, not a person's name to split.
    EXPECT_EQ(testing::slotsOf(group), "");
    EXPECT_TRUE(group.unplaced.empty());
}

TEST(ContactGroups, ApplesFormUnderAGroupPrefixAndANameFromN) {
    const auto sink = readText("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Family;;;;\r\nitem1.X-ADDRESSBOOKSERVER-KIND:Group\r\n"
                               "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:A1B2\r\nEND:VCARD\r\n"
                               "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann Lee\r\nUID:a1b2\r\nEND:VCARD\r\n");
    ASSERT_EQ(sink.cards.size(), 2u);
    EXPECT_TRUE(sink.cards[0].isGroup);
    EXPECT_EQ(sink.cards[0].groupName, "Family");
    ASSERT_EQ(sink.cards[0].members.size(), 1u);
    EXPECT_EQ(sink.cards[0].members[0].value, "urn:uuid:A1B2");
    // The next card is a person again, with its own UID.
    EXPECT_FALSE(sink.cards[1].isGroup);
    EXPECT_TRUE(sink.cards[1].members.empty());
    EXPECT_EQ(sink.cards[1].uid, "a1b2");
    EXPECT_EQ(testing::slotsOf(sink.cards[1]), "FirstName=Ann|LastName=Lee");
}

TEST(ContactGroups, AMemberOnAPersonsCardIsReportedAndAnotherKindIsNoGroup) {
    EXPECT_EQ(testing::readCard("FN:Ann Lee\r\nMEMBER:urn:uuid:x\r\n"),
              "FirstName=Ann|LastName=Lee|unplaced=3 MEMBER (a member on a card that is no group)");
    const auto sink = readText("BEGIN:VCARD\r\nKIND:location\r\nFN:Main Office\r\nEND:VCARD\r\n");
    ASSERT_EQ(sink.cards.size(), 1u);
    EXPECT_FALSE(sink.cards[0].isGroup);
}

}  // namespace
}  // namespace tessaly
