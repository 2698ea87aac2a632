// A store that writes its messages on a second thread: the same file as one
// written in line, and a failure there ending the store with its own cause.

#include <gtest/gtest.h>

#include "pst/messaging/pst_file.h"
#include "pst/messaging/property_tags.h"
#include "pst/pst_error.h"
#include "support/failing_file_calls.h"
#include "support/test_files.h"
#include "support/written_stores.h"

namespace tessaly::pst {
namespace {

constexpr auto causeOf = &testing::thrownMessage<PstError>;

PstOptions optionsWritingInBackground(bool background) {
    PstOptions options = testing::fixedOptions();
    options.writeInBackground = background;
    return options;
}

Message numberedMessage(int i) {
    Message message;
    message.set(tags::MessageClass, PropertyValue::string("IPM.Contact"));
    message.set(tags::DisplayName, PropertyValue::string("Contact " + std::to_string(i)));
    message.set(PropertyName::numeric(kPsetidCommon, 0x8500 + i % 40), PropertyValue::int32(i));
    message.set(PropertyName::string(kPsPublicStrings, "Name " + std::to_string(i % 7)), PropertyValue::string("x"));
    if (i % 50 == 0) {
        // Values past a heap allocation and past a block: subnodes and data trees.
        message.set(makeTag(0x1000, PropertyType::String), PropertyValue::string(std::string(5000 + i, 'b')));
        message.addAttachment({"photo.jpg", Bytes(20000 + static_cast<std::size_t>(i), 0xD8), {}});
    }
    return message;
}

// Messages, reserved NIDs, a folder made and given columns of its own midway,
// and counts asked for while the writer works.
std::string writeStoreOfMessages(const std::filesystem::path& path, bool background) {
    auto store = PstFile::create(path, "Contacts", optionsWritingInBackground(background));
    const Nid contacts = store->standardFolder(StandardFolder::Contacts);
    for (int i = 0; i < 1500; ++i) {
        if (i % 3 == 0) {
            const Nid nid = store->reserveMessageNid();
            EXPECT_EQ(store->addMessage(contacts, numberedMessage(i), nid), nid);
        } else if (i % 3 == 1) {
            // Made where the store writes it, in a message that holds
            // nothing of the one made before it.
            store->addMessageMadeBy(contacts, [i](Message& message) {
                EXPECT_TRUE(message.tagged().empty() && message.named().empty() && message.attachments().empty());
                message = numberedMessage(i);
            }, 0, 100);
        } else {
            store->addMessage(contacts, numberedMessage(i));
        }
        if (i == 700) {
            EXPECT_EQ(store->messageCount(contacts), 701u);
            const Nid friends = store->createFolder(contacts, "Friends", "IPF.Contact");
            store->setContentsColumns(friends, {{tags::DisplayName, {}},
                                                {makeTag(0, PropertyType::Int32), PropertyName::numeric(kPsetidCommon, 0x8501)}});
            for (int j = 0; j < 40; ++j) store->addMessage(friends, numberedMessage(j));
        }
    }
    EXPECT_EQ(store->messageCount(contacts), 1500u);
    EXPECT_EQ(store->writeFailure(), "");
    store->close();
    testing::expectValidPst(path);
    return testing::readFile(path);
}

TEST(BackgroundWriting, GivesTheSameFileAsWritingInLine) {
    testing::TempDir dir;
    const std::string inLine = writeStoreOfMessages(dir.path() / "in-line.pst", false);
    EXPECT_TRUE(writeStoreOfMessages(dir.path() / "background.pst", true) == inLine);
}

// The disk fills while the writer works: the calls after that fail with the
// cause one in line gives, the close too, and no file is left.
TEST(BackgroundWriting, AFailedWriteEndsTheStoreWithTheCauseWritingInLineGives) {
    std::string causes[2];
    for (const bool background : {false, true}) {
        SCOPED_TRACE(background ? "background" : "in line");
        testing::TempDir dir;
        testing::FailingFileCalls faults;
        faults.bytesUntilFull = 3 << 20;
        auto store = PstFile::create(dir.path() / "full.pst", "x", optionsWritingInBackground(background));
        const Nid contacts = store->standardFolder(StandardFolder::Contacts);
        std::string failure;
        for (int i = 0; i < 20000 && failure.empty(); ++i) {
            try {
                store->addMessage(contacts, numberedMessage(i));
            } catch (const PstError& error) {
                failure = error.what();
            }
        }
        ASSERT_NE(failure, "");
        EXPECT_EQ(failure, (dir.path() / "full.pst").string() + ": " + store->writeFailure());
        EXPECT_TRUE(failure.ends_with(" failed: No space left on device")) << failure;
        EXPECT_EQ(causeOf([&] { store->addMessage(contacts, Message{}); }), failure);
        EXPECT_EQ(causeOf([&] { store->createFolder(contacts, "a", "IPF.Note"); }), failure);
        EXPECT_EQ(causeOf([&] { store->close(); }), failure);
        EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
        causes[background] = store->writeFailure();
    }
    EXPECT_EQ(causes[0], causes[1]);
}

// What the caller can check fails the call itself, and the store goes on.
TEST(BackgroundWriting, WhatTheCallerCanCheckFailsAtOnce) {
    testing::TempDir dir;
    auto store = PstFile::create(dir.path() / "x.pst", "x", optionsWritingInBackground(true));
    const Nid contacts = store->standardFolder(StandardFolder::Contacts);
    EXPECT_THROW(store->addMessage(0x12345, Message{}), PstError);
    EXPECT_NE(causeOf([&] { store->addMessage(contacts, Message{}, 0x10004); }).find("was not reserved"), std::string::npos);
    store->addMessage(contacts, numberedMessage(1));
    store->close();
    testing::expectValidPst(dir.path() / "x.pst");
}

// A message that cannot be made: in line, that call fails and the store goes
// on; in the background, the calls after it fail with its cause, and so does
// the close, which leaves no file.
TEST(BackgroundWriting, AMessageThatCannotBeMadeFailsAsAFailedWriteDoes) {
    const auto unmakeable = [](Message&) { throw PstError("no such message"); };
    for (const bool background : {false, true}) {
        SCOPED_TRACE(background ? "background" : "in line");
        testing::TempDir dir;
        const auto path = dir.path() / "x.pst";
        auto store = PstFile::create(path, "x", optionsWritingInBackground(background));
        const Nid contacts = store->standardFolder(StandardFolder::Contacts);
        EXPECT_NE(causeOf([&] { store->addMessageMadeBy(contacts, unmakeable, 0x80000000u, 0); }).find("over 2 GB"),
                  std::string::npos);
        const std::string cause = path.string() + ": no such message";
        if (!background) {
            EXPECT_EQ(causeOf([&] { store->addMessageMadeBy(contacts, unmakeable, 0, 0); }), cause);
            store->addMessage(contacts, numberedMessage(1));
            store->close();
            testing::expectValidPst(path);
            continue;
        }
        store->addMessageMadeBy(contacts, unmakeable, 0, 0);
        EXPECT_EQ(causeOf([&] { store->createFolder(contacts, "a", "IPF.Note"); }), cause);
        EXPECT_EQ(store->writeFailure(), "no such message");
        EXPECT_EQ(causeOf([&] { store->close(); }), cause);
        EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    }
}

TEST(BackgroundWriting, AStoreDroppedUnclosedLeavesNothing) {
    testing::TempDir dir;
    {
        auto abandoned = PstFile::create(dir.path() / "contacts.pst", "x", optionsWritingInBackground(true));
        for (int i = 0; i < 500; ++i) abandoned->addMessage(abandoned->standardFolder(StandardFolder::Inbox), numberedMessage(i));
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace tessaly::pst
