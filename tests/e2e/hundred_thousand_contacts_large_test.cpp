// `tessaly convert --to pst` of 100,000 cards, every tenth with a picture:
// the store passes `tessaly verify-pst`, and pffexport reads every contact
// and every picture back.

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <vector>

#include "support/test_files.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::lines;
using testing::readFile;
using testing::runCommand;
using testing::shellQuote;
using testing::TempDir;

constexpr int kCards = 100000;
constexpr int kPictureEvery = 10;
constexpr int kPictureBytes = 300;

TEST(HundredThousandContacts, EveryContactAndPictureReadsBack) {
    TempDir work;
    // The benchmarks' cards: names, organisation, telephones, addresses,
    // e-mail, dates and a note; every tenth with a GIF of its own.
    const fs::path source = work.path() / "cards.vcf";
    const auto generated = runCommand(shellQuote(TESSALY_CARD_GENERATOR) + " " + std::to_string(kCards) + " " +
                                      std::to_string(kPictureBytes) + " " + shellQuote(source.string()) + " " +
                                      std::to_string(kPictureEvery));
    ASSERT_EQ(generated.status, 0) << generated.err;

    const fs::path out = work.path() / "out";
    const auto run = runCommand("LC_ALL=C " + shellQuote(TESSALY_EXECUTABLE) + " convert " +
                                shellQuote(source.string()) + " --to pst --out " + shellQuote(out.string()));
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const std::string wrote = "Wrote 100000 cards to ";
    ASSERT_TRUE(run.out.starts_with(wrote)) << run.out;
    const fs::path pst = run.out.substr(wrote.size(), run.out.find('\n') - wrote.size());

    const auto verified = runCommand(shellQuote(TESSALY_EXECUTABLE) + " verify-pst " + shellQuote(pst.string()));
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
    EXPECT_NE(verified.out.find(": 0 violation(s)"), std::string::npos) << verified.out;

    // pffexport names each contact it reads on standard output, and each
    // picture it saves and each item it fails to export in its log. It names
    // an item's folder with five digits ("Contact00001"), so it cannot export
    // the 100,000th contact, which it reads and counts all the same.
    const fs::path log = work.path() / "pffexport.log";
    const auto exported = runCommand("pffexport -m items -l " + shellQuote(log.string()) + " -t " +
                                     shellQuote((work.path() / "pff").string()) + " " + shellQuote(pst.string()));
    ASSERT_EQ(exported.status, 0) << exported.err;
    int contacts = 0;
    for (const std::string& line : lines(exported.out))
        if (line == "Exporting contact item " + std::to_string(contacts + 1) + " out of 100000.") ++contacts;
    EXPECT_EQ(contacts, kCards);
    int attachments = 0;
    std::vector<std::string> failures;
    for (const std::string& line : lines(readFile(log))) {
        if (line == "Saving attachment with filename: ContactPicture.jpg as: 1_ContactPicture.jpg") ++attachments;
        if (line.starts_with("Unable to export")) failures.push_back(line);
    }
    EXPECT_EQ(failures, std::vector<std::string>{"Unable to export contact item: 100000 out of: 100000."});
    EXPECT_EQ(attachments, kCards / kPictureEvery - 1);

    // Each exported contact's picture is the one the run wrote for its card
    // (card N's picture file is named N - 1, the first ".gif"), and no two are
    // alike.
    const fs::path contactsFolder = work.path() / "pff.export" / "Top of Personal Folders" / "Contacts";
    std::set<std::string> pictures;
    for (int number = kPictureEvery; number < kCards; number += kPictureEvery) {
        char item[32];
        std::snprintf(item, sizeof item, "Contact%05d", number);
        const std::string picture = readFile(contactsFolder / item / "Attachments" / "1_ContactPicture.jpg");
        ASSERT_EQ(picture, readFile(out / "vCardPictures" / (std::to_string(number - 1) + ".gif"))) << item;
        EXPECT_TRUE(picture.starts_with("GIF89a")) << item;
        pictures.insert(picture);
    }
    EXPECT_EQ(pictures.size(), static_cast<std::size_t>(kCards / kPictureEvery - 1));
}

}  // namespace
}  // namespace tessaly
