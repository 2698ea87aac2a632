// A new store with its standard folders, as pff-tools and readpst see it.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "pst/messaging/pst_file.h"
#include "pst/messaging/property_tags.h"
#include "pst/ndb/little_endian.h"
#include "pst/pst_error.h"
#include "support/pff_export.h"
#include "support/pst_verification.h"
#include "support/test_files.h"

namespace tessaly::pst {
namespace {

using testing::findFolder;
using testing::findValue;
using testing::readItemValues;
using testing::utf16;

PstOptions fixedOptions() {
    PstOptions options;
    options.recordKey = std::array<std::uint8_t, 16>{0xA4, 0x1D, 0x63, 0xDB, 0xC5, 0x3B, 0x8E, 0x4A,
                                                     0xB8, 0x07, 0x1E, 0x15, 0xE5, 0x57, 0x50, 0xCE};
    options.unique = 0x16D;
    options.fileTime = 0x01CF782167958F06ull;
    return options;
}

std::filesystem::path writeEmptyStore(const std::filesystem::path& folder, const std::string& name) {
    const auto path = folder / name;
    auto store = PstFile::create(path, "Personal Folders", fixedOptions());
    store->close();
    testing::expectValidPst(path);
    return path;
}

std::string asString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

const char* const kStandardFolders[] = {"Deleted Items", "Inbox", "Outbox", "Sent Items", "Calendar",
                                        "Contacts",      "Journal", "Notes", "Tasks",      "Drafts"};

TEST(EmptyStore, PffinfoFindsEveryDefaultFolderOfTheStore) {
    testing::TempDir dir;
    const auto path = writeEmptyStore(dir.path(), "empty.pst");
    EXPECT_FALSE(std::filesystem::exists(path.string() + ".tmp"));
    const auto info = testing::runCommand("pffinfo " + testing::shellQuote(path.string()));
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("Encryption type:\tcompressible"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Folders:\t\tSubtree, Inbox, Outbox, Wastbox, Sentmail, Views, Common views, Finder"),
              std::string::npos)
        << info.out;
}

TEST(EmptyStore, PffexportShowsTheFolderTreeWithClassesAndCounts) {
    testing::TempDir dir;
    const auto path = writeEmptyStore(dir.path(), "empty.pst");
    const auto root = testing::pffExport(path, dir.path());
    for (const char* top : {"Top of Personal Folders", "Search Root", "IPM_VIEWS", "IPM_COMMON_VIEWS", "SPAM Search Folder 2"}) {
        EXPECT_TRUE(std::filesystem::is_directory(root / top)) << top;
    }
    const std::pair<const char*, const char*> classes[] = {
        {"Deleted Items", "IPF.Note"}, {"Inbox", "IPF.Note"},         {"Outbox", "IPF.Note"},
        {"Sent Items", "IPF.Note"},    {"Calendar", "IPF.Appointment"}, {"Contacts", "IPF.Contact"},
        {"Journal", "IPF.Journal"},    {"Notes", "IPF.StickyNote"},   {"Tasks", "IPF.Task"},
        {"Drafts", "IPF.Note"},
    };
    for (const auto& [name, containerClass] : classes) {
        const auto values = readItemValues(root / "Top of Personal Folders" / name / "ItemValues.txt");
        const auto* display = findValue(values, 0x3001);
        const auto* cls = findValue(values, 0x3613);
        const auto* count = findValue(values, 0x3602);
        ASSERT_TRUE(display && cls && count) << name;
        EXPECT_EQ(display->bytes, utf16(name));
        EXPECT_EQ(cls->bytes, utf16(containerClass));
        EXPECT_EQ(count->bytes, std::string(4, '\0'));
    }
    const auto subtree = readItemValues(root / "Top of Personal Folders" / "ItemValues.txt");
    ASSERT_TRUE(findValue(subtree, 0x360A));
    EXPECT_EQ(findValue(subtree, 0x360A)->bytes, std::string(1, '\1'));
}

TEST(EmptyStore, RootFolderAndInboxCarryTheDefaultFolderIdentifiers) {
    testing::TempDir dir;
    const auto path = writeEmptyStore(dir.path(), "empty.pst");
    auto store = PstFile::create(dir.path() / "ids.pst", "Personal Folders", fixedOptions());
    const std::string contactsId = asString(store->entryId(store->standardFolder(StandardFolder::Contacts)));
    const std::string calendarId = asString(store->entryId(store->standardFolder(StandardFolder::Calendar)));
    // NID 0x8142: the Contacts folder Outlook numbers the same way.
    EXPECT_EQ(contactsId.substr(20), std::string("\x42\x81\x00\x00", 4));
    EXPECT_EQ(contactsId.substr(4, 16), std::string("\xA4\x1D\x63\xDB\xC5\x3B\x8E\x4A\xB8\x07\x1E\x15\xE5\x57\x50\xCE", 16));
    const auto exported = testing::pffExport(path, dir.path(), "debug");
    const auto rootFolder = findFolder(exported, "Top of Personal Folders").parent_path();
    const auto root = readItemValues(rootFolder / "ItemValues.txt");
    ASSERT_TRUE(findValue(root, 0x36D1));
    EXPECT_EQ(findValue(root, 0x36D1)->bytes, contactsId);
    EXPECT_EQ(findValue(root, 0x36D0)->bytes, calendarId);
    const auto inbox = readItemValues(rootFolder / "Top of Personal Folders" / "Inbox" / "ItemValues.txt");
    ASSERT_TRUE(findValue(inbox, 0x36D1));
    EXPECT_EQ(findValue(inbox, 0x36D1)->bytes, contactsId);
}

TEST(EmptyStore, ReadpstProcessesEveryStandardFolder) {
    testing::TempDir dir;
    const auto path = writeEmptyStore(dir.path(), "empty.pst");
    const auto out = dir.path() / "readpst";
    std::filesystem::create_directory(out);
    const auto result = testing::runCommand("readpst -D -r -o " + testing::shellQuote(out.string()) + " " +
                                            testing::shellQuote(path.string()));
    ASSERT_EQ(result.status, 0) << result.err;
    for (const char* name : kStandardFolders) {
        EXPECT_NE(result.out.find(std::string("Processing Folder \"") + name + "\""), std::string::npos) << name;
    }
    EXPECT_NE(result.out.find("\"Personal Folders\" - 10 items done, 0 items skipped."), std::string::npos) << result.out;
}

TEST(EmptyStore, SameOptionsGiveTheSameBytes) {
    testing::TempDir dir;
    const auto first = testing::readFile(writeEmptyStore(dir.path(), "a.pst"));
    const auto second = testing::readFile(writeEmptyStore(dir.path(), "b.pst"));
    EXPECT_EQ(first, second);
    // Without fixed options the record key differs between stores.
    auto one = PstFile::create(dir.path() / "c.pst", "x");
    auto two = PstFile::create(dir.path() / "d.pst", "x");
    EXPECT_NE(one->recordKey(), two->recordKey());
}

TEST(Folders, SubfoldersAppearWithTheirClassAndTheParentKnowsOfThem) {
    testing::TempDir dir;
    const auto path = dir.path() / "folders.pst";
    {
        auto store = PstFile::create(path, "Folders", fixedOptions());
        const Nid contacts = store->standardFolder(StandardFolder::Contacts);
        const Nid friends = store->createFolder(contacts, "Friends", "IPF.Contact");
        store->createFolder(friends, "Close friends \xE2\x98\x85", "IPF.Contact");
        store->addMessage(friends, Message{});
        Message unread;
        unread.set(tags::MessageFlags, PropertyValue::int32(0));
        store->addMessage(friends, std::move(unread));
        store->close();
        testing::expectValidPst(path);
    }
    const auto root = testing::pffExport(path, dir.path());
    const auto contacts = root / "Top of Personal Folders" / "Contacts";
    EXPECT_EQ(findValue(readItemValues(contacts / "ItemValues.txt"), 0x360A)->bytes, std::string(1, '\1'));
    const auto friends = readItemValues(contacts / "Friends" / "ItemValues.txt");
    EXPECT_EQ(findValue(friends, 0x3613)->bytes, utf16("IPF.Contact"));
    EXPECT_EQ(findValue(friends, 0x3602)->bytes, std::string("\2\0\0\0", 4));
    EXPECT_EQ(findValue(friends, 0x3603)->bytes, std::string("\1\0\0\0", 4));  // one unread
    EXPECT_EQ(findValue(friends, 0x360A)->bytes, std::string(1, '\1'));
    const auto nested = readItemValues(contacts / "Friends" / "Close friends \xE2\x98\x85" / "ItemValues.txt");
    ASSERT_TRUE(findValue(nested, 0x3001));
    EXPECT_EQ(findValue(nested, 0x3001)->bytes, utf16("Close friends ") + std::string("\x05\x26", 2));
}

TEST(Folders, ThreeHundredSubfoldersPutTheHierarchyRowsInASubnode) {
    // 300 rows of 55 bytes: the hierarchy table's row matrix spans blocks.
    testing::TempDir dir;
    const auto path = dir.path() / "many-folders.pst";
    {
        auto store = PstFile::create(path, "Folders", fixedOptions());
        const Nid contacts = store->standardFolder(StandardFolder::Contacts);
        for (int i = 0; i < 300; ++i) store->createFolder(contacts, "Group " + std::to_string(i), "IPF.Contact");
        store->close();
        testing::expectValidPst(path);
    }
    const auto contacts = testing::pffExport(path, dir.path(), "all", false) / "Top of Personal Folders" / "Contacts";
    std::size_t folders = 0;
    for (const auto& entry : std::filesystem::directory_iterator(contacts)) folders += entry.is_directory() ? 1 : 0;
    EXPECT_EQ(folders, 300u);
    EXPECT_TRUE(std::filesystem::is_directory(contacts / "Group 0"));
    EXPECT_TRUE(std::filesystem::is_directory(contacts / "Group 299"));
}

TEST(StoreErrors, APathThatCannotBeCreatedNamesTheFile) {
    try {
        PstFile::create("/nonexistent-folder/out.pst", "x");
        FAIL() << "no error";
    } catch (const PstError& error) {
        EXPECT_EQ(error.file(), "/nonexistent-folder/out.pst");
        EXPECT_NE(error.cause().find("No such file or directory"), std::string::npos) << error.cause();
    }
}

TEST(StoreErrors, AStoreNotClosedLeavesNothingBehind) {
    testing::TempDir dir;
    {
        auto store = PstFile::create(dir.path() / "half.pst", "x");
        store->addMessage(store->standardFolder(StandardFolder::Inbox), Message{});
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(StoreErrors, AFailedWriteNamesTheCauseAndLeavesNoFile) {
    // A file-size limit stands in for a full disk: writes past it fail.
    testing::TempDir dir;
    const auto path = dir.path() / "full.pst";
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1 << 20;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string cause;
    try {
        auto store = PstFile::create(path, "x");
        Message message;
        message.addAttachment({"big.bin", Bytes(3 << 20, 0x5A), {}});
        store->addMessage(store->standardFolder(StandardFolder::Inbox), std::move(message));
        store->close();
    } catch (const PstError& error) {
        cause = error.what();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_NE(cause.find(path.string()), std::string::npos) << cause;
    EXPECT_NE(cause.find("File too large"), std::string::npos) << cause;
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(StoreErrors, AnUnknownFolderIsRefused) {
    testing::TempDir dir;
    auto store = PstFile::create(dir.path() / "x.pst", "x");
    EXPECT_THROW(store->addMessage(0x12345, Message{}), PstError);
    EXPECT_THROW(store->createFolder(0x12345, "a", "IPF.Note"), PstError);
}

}  // namespace
}  // namespace tessaly::pst

namespace tessaly::pst {
namespace {

TEST(StoreErrors, AMessageOverTheNamedPropertyLimitIsRefusedAndTheStoreStaysSound) {
    // Named properties take ids from 0x8000 to 0xFFFE: 32,767 names at most
    // in one store.
    testing::TempDir dir;
    const auto path = dir.path() / "names.pst";
    const Guid guid = parseGuid("00062004-0000-0000-C000-000000000046");
    auto store = PstFile::create(path, "Names", fixedOptions());
    Message tooMany;
    for (std::uint32_t lid = 0; lid < 0x8000; ++lid)
        tooMany.set(PropertyName::numeric(guid, 0x10000 + lid), PropertyValue::int32(1));
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
