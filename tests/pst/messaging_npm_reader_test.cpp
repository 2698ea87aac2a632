// What pst-extractor (a PST reader from the npm registry, installed by
// scripts/setup into tests/pst/node) reads from stores the engine writes.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "pst/messaging/pst_file.h"
#include "pst/messaging/property_tags.h"
#include "support/pst_readers.h"
#include "support/test_files.h"

namespace tessaly::pst {
namespace {

const std::filesystem::path kReaderFolder = std::filesystem::path(TESSALY_SOURCE_DIR) / "tests" / "pst" / "node";

std::vector<std::string> listStore(const std::filesystem::path& pst) {
    EXPECT_TRUE(std::filesystem::is_directory(kReaderFolder / "node_modules" / "pst-extractor"))
        << "pst-extractor is not installed; run scripts/setup --test";
    const auto result = testing::runCommand("node " + testing::shellQuote((kReaderFolder / "list-store.js").string()) +
                                            " " + testing::shellQuote(pst.string()));
    EXPECT_EQ(result.status, 0) << result.err;
    std::vector<std::string> lines;
    std::istringstream in(result.out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(NpmReader, ReadsFoldersContactsAndAttachments) {
    testing::TempDir dir;
    const auto path = dir.path() / "npm.pst";
    {
        PstOptions options;
        options.recordKey = std::array<std::uint8_t, 16>{3, 1, 4, 1, 5, 9, 2, 6, 5, 3, 5, 8, 9, 7, 9, 3};
        options.unique = 3;
        options.fileTime = 0x01D0000000000000ull;
        auto store = PstFile::create(path, "Read By Node", options);
        const Guid address = parseGuid("00062004-0000-0000-C000-000000000046");
        const Nid contacts = store->standardFolder(StandardFolder::Contacts);
        for (int i = 0; i < 3; ++i) {
            Message message;
            message.set(tags::MessageClass, PropertyValue::string("IPM.Contact"));
            message.set(tags::Subject, PropertyValue::string("Person " + std::to_string(i)));
            message.set(PropertyName::numeric(address, 0x8083), PropertyValue::string("p" + std::to_string(i) + "@example.com"));
            // pst-extractor 1.12.0 drops the map's last NAMEID, so e-mail 1
            // (PidLidEmail1EmailAddress) is not the last name used.
            message.set(PropertyName::numeric(address, 0x8084), PropertyValue::string("Person " + std::to_string(i)));
            if (i == 1) message.addAttachment({"photo.jpg", Bytes(100 * 1024, 0x7F), {}});
            store->addMessage(contacts, std::move(message));
        }
        store->createFolder(contacts, "Imported", "IPF.Contact");
        store->close();
        testing::expectValidPst(path);
    }
    const auto lines = listStore(path);
    for (const char* line : {
             "store\tRead By Node",
             "folder\t/Top of Personal Folders/Contacts\tIPF.Contact\t3",
             "folder\t/Top of Personal Folders/Contacts/Imported\tIPF.Contact\t0",
             "folder\t/Top of Personal Folders/Calendar\tIPF.Appointment\t0",
             "folder\t/Search Root\t\t0",
             "folder\t/SPAM Search Folder 2\t\t0",
             "item\t/Top of Personal Folders/Contacts\tIPM.Contact\tPerson 0\tp0@example.com\t",
             "item\t/Top of Personal Folders/Contacts\tIPM.Contact\tPerson 1\tp1@example.com\tphoto.jpg:102400",
             "item\t/Top of Personal Folders/Contacts\tIPM.Contact\tPerson 2\tp2@example.com\t",
         })
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
}

}  // namespace
}  // namespace tessaly::pst
