// `tessaly convert` filling the worksheet to its last row, and one card more,
// both sheets read back whole by LibreOffice's headless converter (xlrd
// refuses a sheet past row 16,384).

#include <gtest/gtest.h>

#include "app/run/conversion_run.h"
#include "biff/contact_sheet.h"
#include "support/libreoffice_converter.h"
#include "support/test_files.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::lines;
using testing::readFile;
using testing::runCommand;
using testing::shellQuote;
using testing::TempDir;

// Row 1 holds the titles and card N goes to row N + 1, so 65,535 cards fill
// the sheet to its last row, 65,536.
constexpr int kCardsThatFit = kLastSheetRow - 1;
constexpr int kLinesPerCard = 5;

// Card `number`, with values in the first columns and the last, and the row
// LibreOffice's CSV gives of it.
std::string card(int number) {
    const std::string n = std::to_string(number);
    return "BEGIN:VCARD\r\nN:Last" + n + ";First" + n + ";Middle" + n + "\r\nEMAIL:p" + n +
           "@example.com\r\nNOTE:Note " + n + "\r\nEND:VCARD\r\n";
}

std::string csvRow(int number) {
    const std::string n = std::to_string(number);
    std::vector<std::string> cells(kContactSheetColumns);
    cells[0] = "First" + n;
    cells[1] = "Middle" + n;
    cells[2] = "Last" + n;
    cells[3] = "p" + n + "@example.com";
    cells[35] = "Note " + n;
    std::string row = cells[0];
    for (std::size_t i = 1; i < cells.size(); ++i) row += "," + cells[i];
    return row;
}

// The report's line for card `number` of `file`: its place is the line of its BEGIN.
std::string place(const fs::path& file, int number) {
    return "  " + file.string() + ":" + std::to_string((number - 1) * kLinesPerCard + 1) + ": card " +
           std::to_string(number);
}

// What a run that wrote the first 65,535 cards of `file` prints, with the
// report's entry for the cards that did not fit when there is one.
std::string expectedOutput(const fs::path& file, const fs::path& sheet, const std::string& didNotFit) {
    std::string message = finalMessage();
    for (std::size_t at; (at = message.find("\r\n")) != std::string::npos;) message.replace(at, 2, "\n");
    std::string out = "Wrote 65535 cards to " + sheet.string() + "\n" + message + "\n\n" + didNotFit +
                      "49152 cards are below row 16,384, the last row Excel 2.x and some readers take\n";
    for (int number = 16384; number < 16394; ++number)
        out += place(file, number) + " is in row " + std::to_string(number + 1) + "\n";
    return out;
}

TEST(FullSheet, CardsFillEveryRowToTheLastAndTheOneAfterIsReported) {
    TempDir work;
    std::string cards;
    for (int number = 1; number <= kCardsThatFit; ++number) cards += card(number);
    const fs::path fits = work.write("fits.vcf", cards);
    const fs::path over = work.write("over.vcf", cards + card(kCardsThatFit + 1));
    const std::string overEntry =
        "1 card did not fit: the sheet's last row is 65,536\n" + place(over, kCardsThatFit + 1) + " not written\n";

    std::vector<fs::path> sheets;
    for (const auto& [source, didNotFit] : {std::pair{fits, std::string()}, std::pair{over, overEntry}}) {
        const fs::path folder = work.path() / source.stem();
        const auto run = runCommand("LC_ALL=C " + shellQuote(TESSALY_EXECUTABLE) + " convert " +
                                    shellQuote(source.string()) + " --out " + shellQuote(folder.string()));
        // Cards below row 16,384 are reported in both runs.
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_EQ(run.out, expectedOutput(source, folder / kContactSheetFileName, didNotFit));
        sheets.push_back(work.path() / (source.stem().string() + ".xls"));
        fs::rename(folder / kContactSheetFileName, sheets.back());
    }

    const auto csv = testing::libreOfficeConvert(work.path(), testing::kLibreOfficeCsv, "csv", sheets);
    ASSERT_EQ(csv.status, 0) << csv.err;
    for (const fs::path& sheet : sheets) {
        SCOPED_TRACE(sheet.string());
        const auto rows = lines(readFile(work.path() / "csv" / (sheet.stem().string() + ".csv")));
        ASSERT_EQ(rows.size(), static_cast<std::size_t>(kLastSheetRow));
        EXPECT_TRUE(rows[0].starts_with("First Name,Middle Name,Last Name,Email,")) << rows[0];
        EXPECT_EQ(rows[1], csvRow(1));
        // The last row holds the last card that fits.
        EXPECT_EQ(rows[kLastSheetRow - 1], csvRow(kCardsThatFit));
    }
}

}  // namespace
}  // namespace tessaly
