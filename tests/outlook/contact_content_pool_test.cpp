#include "outlook/contact_content_pool.h"

#include <gtest/gtest.h>

namespace tessaly::outlook {
namespace {

// A content comes back empty in every field, dates and picture included, and
// the next item takes it with the room its short texts had; a long text's
// room is given back.
TEST(ContactContentPool, AContentComesBackEmptyKeepingTheRoomOfItsShortTexts) {
    const auto pool = ContactContentPool::make();
    const ContactContent* first = nullptr;
    {
        const std::shared_ptr<ContactContent> content = pool->take();
        first = content.get();
        (*content)[ContactField::Email1Address] = std::string(40, 'e');
        (*content)[ContactField::Body] = std::string(5000, 'b');
        content->birthday = 40000;
        content->anniversary = 41000;
        content->picture = ContactPicture{{1, 2, 3}, "image/png"};
        EXPECT_EQ(pool->keptCount(), 0u);
    }
    EXPECT_EQ(pool->keptCount(), 1u);
    const std::shared_ptr<ContactContent> again = pool->take();
    EXPECT_EQ(again.get(), first);
    for (const std::string& text : again->text) EXPECT_TRUE(text.empty());
    EXPECT_EQ(again->birthday, 0);
    EXPECT_EQ(again->anniversary, 0);
    EXPECT_FALSE(again->picture.has_value());
    EXPECT_GE((*again)[ContactField::Email1Address].capacity(), 40u);
    EXPECT_LE((*again)[ContactField::Body].capacity(), ContactContentPool::kKeptTextBytes);
}

// A content held past its pool's last other holder (a message still queued
// when the store is let go) keeps the pool alive until it comes back; past
// the bound, contents are freed rather than kept.
TEST(ContactContentPool, OutlivesItsOwnerAndKeepsNoMoreThanItsBound) {
    std::weak_ptr<ContactContentPool> gone;
    std::shared_ptr<ContactContent> held;
    {
        const auto pool = ContactContentPool::make();
        gone = pool;
        held = pool->take();
    }
    EXPECT_FALSE(gone.expired());
    (*held)[ContactField::FirstName] = "Ann";
    held.reset();
    EXPECT_TRUE(gone.expired());

    const auto pool = ContactContentPool::make();
    std::vector<std::shared_ptr<ContactContent>> many;
    for (std::size_t i = 0; i < ContactContentPool::kKeptContents + 10; ++i) many.push_back(pool->take());
    many.clear();
    EXPECT_EQ(pool->keptCount(), ContactContentPool::kKeptContents);
}

}  // namespace
}  // namespace tessaly::outlook
