// `tessaly` on inputs at scale: a folder of 100,000 files, a file of one line
// of a gigabyte, a card of 100,000 property lines.

#include <gtest/gtest.h>

#include <algorithm>

#include <cstdio>
#include <sstream>

#include "support/pst_readers.h"
#include "support/test_files.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::shellQuote;

testing::CommandResult tessaly(const std::string& arguments) {
    return testing::runCommand("LC_ALL=C " + shellQuote(TESSALY_EXECUTABLE) + " " + arguments);
}

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
    const auto result = tessaly("convert " + shellQuote(source.string()) + " --to pst --out " + shellQuote(out.string()));
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

// A file of one line of 1 GB (a sparse file: zero bytes, no line end) is
// refused with its line number once the line passes 256 MB, and the run ends
// with the report, not out of memory.
TEST(LargeInputs, AGigabyteInOneLineIsRefusedWithItsName) {
    testing::TempDir dir;
    const fs::path line = dir.path() / "one-line.vcf";
    testing::writeFile(line, "");
    fs::resize_file(line, std::uintmax_t{1} << 30);
    for (const char* target : {"xls", "pst"}) {
        const fs::path out = dir.path() / target;
        fs::create_directory(out);
        const auto result =
            tessaly("convert " + shellQuote(line.string()) + " --to " + target + " --out " + shellQuote(out.string()));
        EXPECT_EQ(result.status, 1) << target;
        EXPECT_NE(result.out.find("1 file could not be read or stopped early\n  " + line.string() +
                                  ":1: line is too long (over 268435456 bytes)\n"),
                  std::string::npos)
            << target << ": " << result.out;
    }
}

// One card of 100,000 property lines of seven kinds: the fields that keep the
// first values of their kind (e-mail addresses, numbers, web pages,
// addresses) hold those, the rest hold the last value, and every further
// value is named as held by no field. Both targets take the card.
TEST(LargeInputs, ACardOfAHundredThousandLinesKeepsWhatItsFieldsHoldAndNamesTheRest) {
    const std::string kinds[] = {"NOTE:note ", "EMAIL;INTERNET:person", "TITLE:title ", "ORG:org;unit ",
                                 "TEL;WORK:555-", "URL:http://example.com/", "ADR;HOME:;;street "};
    auto lines = [&](int first, int last) {
        std::string text;
        for (int i = first; i < last; ++i)
            text += kinds[i % 7] + std::to_string(i) + (i % 7 == 1 ? "@example.com" : "") + "\r\n";
        return text;
    };
    constexpr int kLines = 100000;
    const std::string head = "BEGIN:VCARD\r\nN:Lines;Many\r\n";
    const std::string tail = "END:VCARD\r\n";
    testing::TempDir dir;
    const fs::path big = dir.write("big.vcf", head + lines(0, kLines) + tail);
    const fs::path small = dir.write("small.vcf", head + lines(0, 35) + lines(kLines - 7, kLines) + tail);

    const auto bigCard = tessaly("cards " + shellQuote(big.string()));
    EXPECT_EQ(bigCard.status, 1);
    EXPECT_NE(bigCard.out.find("note 99995"), std::string::npos) << bigCard.out;
    EXPECT_EQ(bigCard.out, tessaly("cards " + shellQuote(small.string())).out);
    // 14,286 e-mail addresses of which four have a field, 14,286 work
    // numbers of which three (business, business 2, other), 14,285 web pages
    // and home addresses of which two each.
    EXPECT_EQ(std::count(bigCard.err.begin(), bigCard.err.end(), '\n'), 14282 + 14283 + 14283 + 14283);
    for (const char* target : {"xls", "pst"}) {
        const fs::path out = dir.path() / target;
        fs::create_directory(out);
        const auto result =
            tessaly("convert " + shellQuote(big.string()) + " --to " + target + " --out " + shellQuote(out.string()));
        EXPECT_EQ(result.status, 1) << target << ": " << result.out << result.err;
        EXPECT_NE(result.out.find("Wrote 1 card to "), std::string::npos) << result.out;
        EXPECT_NE(result.out.find(" values had no place in the "), std::string::npos) << result.out;
        for (const auto& entry : fs::directory_iterator(out))
            if (entry.path().extension() == ".pst") testing::expectValidPst(entry.path());
    }
}

}  // namespace
}  // namespace tessaly
