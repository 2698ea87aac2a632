// A new store with its standard folders, subfolders, and the errors of
// writing one, as the verifier, pff-tools and readpst see them.

#include <gtest/gtest.h>

#include "pst/messaging/pst_file.h"
#include "pst/messaging/property_tags.h"
#include "pst/pst_error.h"
#include "support/failing_file_calls.h"
#include "support/test_files.h"
#include "support/written_stores.h"

namespace tessaly::pst {
namespace {

using testing::fixedOptions;
using testing::readItemValues;
using testing::utf16;
using testing::valueOf;
constexpr auto causeOf = &testing::thrownMessage<PstError>;

std::filesystem::path writeEmptyStore(const std::filesystem::path& path) {
    return testing::writeStore(path, "Personal Folders", [](PstFile&) {});
}

// The standard folders with their classes and the default folder ids; in
// Contacts, Friends (two messages, one unread) with a nested folder, beside 300
// more subfolders, whose hierarchy rows then span blocks of a subnode.
TEST(Folders, ReadersFindTheStandardFoldersAndSubfoldersWithTheirClassesCountsAndIds) {
    testing::TempDir dir;
    Bytes contactsId, calendarId;
    const auto path = testing::writeStore(dir.path() / "folders.pst", "Personal Folders", [&](PstFile& store) {
        const Nid contacts = store.standardFolder(StandardFolder::Contacts);
        contactsId = store.entryId(contacts);
        calendarId = store.entryId(store.standardFolder(StandardFolder::Calendar));
        const Nid friends = store.createFolder(contacts, "Friends", "IPF.Contact");
        store.createFolder(friends, "Close friends \xE2\x98\x85", "IPF.Contact");
        store.addMessage(friends, Message{});
        Message unread;
        unread.set(tags::MessageFlags, PropertyValue::int32(0));
        store.addMessage(friends, std::move(unread));
        for (int i = 0; i < 300; ++i) store.createFolder(contacts, "Group " + std::to_string(i), "IPF.Contact");
    });
    const auto info = testing::runCommand("pffinfo " + testing::shellQuote(path.string()));
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("Encryption type:\tcompressible"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Folders:\t\tSubtree, Inbox, Outbox, Wastbox, Sentmail, Views, Common views, Finder"),
              std::string::npos)
        << info.out;

    // Debug mode exports the root folder (a FolderNNNNN) with its values too.
    std::filesystem::path root;
    for (const auto& entry : std::filesystem::directory_iterator(testing::pffExport(path, dir.path(), "debug")))
        if (std::filesystem::is_directory(entry.path() / "Top of Personal Folders")) root = entry.path();
    ASSERT_FALSE(root.empty());
    for (const char* top : {"Search Root", "IPM_VIEWS", "IPM_COMMON_VIEWS", "SPAM Search Folder 2"})
        EXPECT_TRUE(std::filesystem::is_directory(root / top)) << top;
    const std::pair<const char*, const char*> classes[] = {
        {"Deleted Items", "IPF.Note"}, {"Inbox", "IPF.Note"},         {"Outbox", "IPF.Note"},
        {"Sent Items", "IPF.Note"},    {"Calendar", "IPF.Appointment"}, {"Contacts", "IPF.Contact"},
        {"Journal", "IPF.Journal"},    {"Notes", "IPF.StickyNote"},   {"Tasks", "IPF.Task"},
        {"Drafts", "IPF.Note"},
    };
    const auto subtree = root / "Top of Personal Folders";
    for (const auto& [name, containerClass] : classes) {
        const auto values = readItemValues(subtree / name / "ItemValues.txt");
        EXPECT_EQ(valueOf(values, 0x3001), utf16(name));
        EXPECT_EQ(valueOf(values, 0x3613), utf16(containerClass)) << name;
        EXPECT_EQ(valueOf(values, 0x3602), std::string(4, '\0')) << name;
    }
    EXPECT_EQ(valueOf(readItemValues(subtree / "ItemValues.txt"), 0x360A), std::string(1, '\1'));

    // The root folder and the Inbox name the Contacts folder (NID 0x8142, as
    // Outlook numbers it) by an entry id that embeds the record key.
    const std::string contacts(contactsId.begin(), contactsId.end());
    EXPECT_EQ(contacts.substr(20), std::string("\x42\x81\x00\x00", 4));
    EXPECT_EQ(contacts.substr(4, 16), std::string(testing::kFixedRecordKey.begin(), testing::kFixedRecordKey.end()));
    const auto rootValues = readItemValues(root / "ItemValues.txt");
    EXPECT_EQ(valueOf(rootValues, 0x36D1), contacts);
    EXPECT_EQ(valueOf(rootValues, 0x36D0), std::string(calendarId.begin(), calendarId.end()));
    EXPECT_EQ(valueOf(readItemValues(subtree / "Inbox" / "ItemValues.txt"), 0x36D1), contacts);

    const auto out = testing::readpst(path, dir.path() / "readpst", "-D -r");
    for (const auto& [name, containerClass] : classes)
        EXPECT_NE(out.find(std::string("Processing Folder \"") + name + "\""), std::string::npos) << name;
    EXPECT_NE(out.find("\"Personal Folders\" - 10 items done, 0 items skipped."), std::string::npos) << out;

    const auto contactsFolder = subtree / "Contacts";
    EXPECT_EQ(valueOf(readItemValues(contactsFolder / "ItemValues.txt"), 0x360A), std::string(1, '\1'));
    const auto friends = readItemValues(contactsFolder / "Friends" / "ItemValues.txt");
    EXPECT_EQ(valueOf(friends, 0x3613), utf16("IPF.Contact"));
    EXPECT_EQ(valueOf(friends, 0x3602), std::string("\2\0\0\0", 4));
    EXPECT_EQ(valueOf(friends, 0x3603), std::string("\1\0\0\0", 4));  // one unread
    EXPECT_EQ(valueOf(friends, 0x360A), std::string(1, '\1'));
    const auto nested = readItemValues(contactsFolder / "Friends" / "Close friends \xE2\x98\x85" / "ItemValues.txt");
    EXPECT_EQ(valueOf(nested, 0x3001), utf16("Close friends \xE2\x98\x85"));
    std::size_t folders = 0;
    for (const auto& entry : std::filesystem::directory_iterator(contactsFolder)) folders += entry.is_directory() ? 1 : 0;
    EXPECT_EQ(folders, 301u);
    EXPECT_TRUE(std::filesystem::is_directory(contactsFolder / "Group 299"));
}

TEST(EmptyStore, SameOptionsGiveTheSameBytesAndNewStoresTheirOwnRecordKey) {
    testing::TempDir dir;
    EXPECT_EQ(testing::readFile(writeEmptyStore(dir.path() / "a.pst")),
              testing::readFile(writeEmptyStore(dir.path() / "b.pst")));
    EXPECT_NE(PstFile::create(dir.path() / "c.pst", "x")->recordKey(),
              PstFile::create(dir.path() / "d.pst", "x")->recordKey());
}

// A rename that fails at the close: the error names the file and the cause,
// and no file is left. A close that failed fails again (it is not taken for a
// store closed after all), and so does every later call. A disk that fills
// while a store is written is the disk-full run test's.
TEST(StoreErrors, AFailedCloseNamesTheFileAndTheCauseAndLeavesNoFile) {
    testing::TempDir dir;
    const auto path = dir.path() / "store.pst";
    testing::FailingFileCalls faults;
    faults.renameError = EACCES;
    auto store = PstFile::create(path, "x");
    const std::string first = causeOf([&] { store->close(); });
    EXPECT_EQ(first, path.string() + ": finishing the file failed: Permission denied");
    EXPECT_EQ(causeOf([&] { store->close(); }), first);
    EXPECT_EQ(causeOf([&] { store->addMessage(store->standardFolder(StandardFolder::Inbox), Message{}); }), first);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(StoreErrors, AStoreDroppedUnclosedLeavesNothing) {
    testing::TempDir dir;
    {
        auto abandoned = PstFile::create(dir.path() / "contacts.pst", "x");
        abandoned->addMessage(abandoned->standardFolder(StandardFolder::Inbox), Message{});
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(StoreErrors, AnUnknownFolderIsRefused) {
    testing::TempDir dir;
    auto store = PstFile::create(dir.path() / "x.pst", "x");
    EXPECT_THROW(store->addMessage(0x12345, Message{}), PstError);
    EXPECT_THROW(store->createFolder(0x12345, "a", "IPF.Note"), PstError);
}

TEST(StoreErrors, AMessageOverTheNamedPropertyLimitIsRefusedAndTheStoreStaysSound) {
    // Named properties take ids from 0x8000 to 0xFFFE: 32,767 names at most.
    testing::TempDir dir;
    const auto path = dir.path() / "names.pst";
    auto store = PstFile::create(path, "Names", fixedOptions());
    Message tooMany;
    for (std::uint32_t lid = 0; lid < 0x8000; ++lid)
        tooMany.set(PropertyName::numeric(kPsPublicStrings, 0x10000 + lid), PropertyValue::int32(1));
    try {
        store->addMessage(store->standardFolder(StandardFolder::Contacts), std::move(tooMany));
        FAIL() << "no error";
    } catch (const PstError& error) {
        EXPECT_EQ(error.file(), path.string());
        EXPECT_EQ(error.cause(), "the store has no named-property ids left");
    }
    store->close();
    testing::expectValidPst(path);
}

}  // namespace
}  // namespace tessaly::pst
