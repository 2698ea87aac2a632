// `tessaly convert` on a folder of 100,000 vCard files, one card each, into an
// Outlook data file: every card arrives, in the order of the file names, and
// the store passes the verifier.

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "support/pst_readers.h"
#include "support/test_files.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

TEST(ManyFiles, AHundredThousandFilesInOneFolderAllArrive) {
    constexpr int kFiles = 100000;
    testing::TempDir dir;
    const fs::path source = dir.path() / "cards";
    const fs::path out = dir.path() / "out";
    fs::create_directory(source);
    fs::create_directory(out);
    char name[32];
    for (int i = 0; i < kFiles; ++i) {
        std::snprintf(name, sizeof name, "%06d.vcf", i);
        testing::writeFile(source / name, "BEGIN:VCARD\r\nN:Person" + std::to_string(i) + ";Many\r\nEND:VCARD\r\n");
    }
    const auto result = testing::runCommand("LC_ALL=C " + testing::shellQuote(TESSALY_EXECUTABLE) + " convert " +
                                            testing::shellQuote(source.string()) + " --to pst --out " +
                                            testing::shellQuote(out.string()));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("Wrote 100000 cards to "), std::string::npos) << result.out;
    fs::path store;
    for (const auto& entry : fs::directory_iterator(out))
        if (entry.path().extension() == ".pst") store = entry.path();
    ASSERT_FALSE(store.empty());
    testing::expectValidPst(store);
    // readpst writes the contacts back as vCards, in the store's order.
    const auto listing = testing::readpst(store, dir.path() / "readpst", "-D -r");
    EXPECT_NE(listing.find("\"Contacts\" - 100000 items done, 0 items skipped."), std::string::npos) << listing;
    fs::path contacts;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path() / "readpst"))
        if (entry.path().filename() == "contacts") contacts = entry.path();
    std::istringstream cards(testing::readFile(contacts));
    int next = 0;
    for (std::string line; std::getline(cards, line);) {
        if (line.rfind("N:", 0) != 0) continue;
        ASSERT_EQ(line, "N:Person" + std::to_string(next) + ";Many;;;");
        ++next;
    }
    EXPECT_EQ(next, kFiles);
}

}  // namespace
}  // namespace tessaly
