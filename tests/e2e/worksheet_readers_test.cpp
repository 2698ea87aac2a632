// `tessaly convert` end to end, its sheets read back by readers nobody on this
// team wrote: Debian's python3-xlrd, LibreOffice's headless converter and
// Gnumeric's ssconvert.

#include <gtest/gtest.h>

#include <sstream>

#include "biff/contact_sheet.h"
#include "support/test_files.h"

namespace tessaly {
namespace {

using testing::readFile;
using testing::runCommand;
using testing::shellQuote;
using testing::split;
using testing::TempDir;

testing::CommandResult convert(const std::string& arguments) {
    return runCommand("LC_ALL=C " + shellQuote(TESSALY_EXECUTABLE) + " convert " + arguments);
}

// What a reader script prints: the sheet's rows, one line each, split into
// their cells, and what the reader said on standard error.
struct ReaderOutput {
    std::vector<std::vector<std::string>> rows;
    std::string warnings;
};

ReaderOutput readSheet(const std::string& script, const std::filesystem::path& sheet, const std::string& options = "") {
    const std::string path = std::string(TESSALY_SOURCE_DIR) + "/tests/e2e/" + script;
    const auto result =
        runCommand("/usr/bin/python3 " + shellQuote(path) + " " + shellQuote(sheet.string()) + options);
    EXPECT_EQ(result.status, 0) << result.err;
    ReaderOutput output{{}, result.err};
    for (const std::string& line : split(result.out, '\n')) {
        output.rows.push_back(split(line, '\x1f'));
        if (!line.empty() && line.back() == '\x1f') output.rows.back().push_back("");  // an empty last cell
    }
    return output;
}

// The rows of a sheet as xlrd reads them, each split into its cells.
std::vector<std::vector<std::string>> xlrdRows(const std::filesystem::path& sheet) {
    return readSheet("xls_cells.py", sheet).rows;
}

std::string simpleCards(int count) {
    std::string out;
    for (int i = 1; i <= count; ++i)
        out += "BEGIN:VCARD\r\nN:Last" + std::to_string(i) + ";First" + std::to_string(i) + "\r\nEND:VCARD\r\n";
    return out;
}

TEST(WorksheetReaders, XlrdReadsEveryCellAsWritten) {
    TempDir source, output;
    source.write("people.vcf",
                 "BEGIN:VCARD\r\nVERSION:3.0\r\nN:M\xC3\xBCller;J\xC3\xBCrgen;Karl;Dr.;sen.\r\n"
                 "ORG:Stra\xC3\x9F" "enbau GmbH;Planung\r\nTITLE:Bauleiter\r\nROLE:Projekte\r\n"
                 "EMAIL;TYPE=INTERNET:j@example.de\r\nTEL;TYPE=WORK:+49 30 1\r\nTEL;TYPE=WORK,FAX:+49 30 2\r\n"
                 "TEL;TYPE=CELL:+49 170 3\r\nTEL;TYPE=PAGER:4\r\nTEL;TYPE=HOME:+49 30 5\r\nTEL;TYPE=HOME,FAX:6\r\n"
                 "ADR;TYPE=WORK:;;Hauptstra\xC3\x9F" "e 1;Berlin;BE;10115;Deutschland\r\n"
                 "ADR;TYPE=HOME:;;Gartenweg 2;Potsdam;BB;14467;Deutschland\r\n"
                 "URL:https://example.de/\r\nBDAY:1970-01-31\r\nANNIVERSARY:19990615\r\n"
                 "NOTE:Zwei\\nZeilen \xE2\x82\xAC\r\nEND:VCARD\r\n"
                 "BEGIN:VCARD\r\nFN:\xE7\x94\xB0\xE4\xB8\xAD \xC3\x89mile\r\nEND:VCARD\r\n");
    const auto result = convert(shellQuote(source.path().string()) + " --out " + shellQuote(output.path().string()));
    // The CJK name cannot be held by the sheet: two "?" are reported.
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.out.find("2 characters were written as \"?\""), std::string::npos) << result.out;

    const auto rows = xlrdRows(output.path() / "vCardContactsExported.xls");
    ASSERT_EQ(rows.size(), 3u);
    const auto& titles = contactSheetTitles();  // their bytes are checked where the sheet is
    EXPECT_EQ(rows[0], std::vector<std::string>(titles.begin(), titles.end()));
    const std::vector<std::string> expected = {
        "J\xC3\xBCrgen", "Karl", "M\xC3\xBCller", "j@example.de", "sen.", "Dr.", "Stra\xC3\x9F" "enbau GmbH",
        "Bauleiter", "", "https://example.de/", "Planung", "", "", "Hauptstra\xC3\x9F" "e 1", "Berlin",
        "10115", "BE", "Deutschland", "+49 30 1", "+49 30 2", "+49 170 3", "4", "", "", "",
        "Gartenweg 2", "Potsdam", "14467", "BB", "Deutschland", "+49 30 5", "6", "", "1970-01-31",
        "1999-06-15", "Zwei\\r\\nZeilen \xE2\x82\xAC"};
    EXPECT_EQ(rows[1], expected);
    std::vector<std::string> fnOnly(36);
    // The name from FN alone: family name first, as written in Japanese.
    fnOnly[0] = "\xC3\x89mile";
    fnOnly[2] = "??";
    EXPECT_EQ(rows[2], fnOnly);
}

// The examples convert with nothing reported but the three values the sheet
// has no column for (exit status 1 says so). The title row is in the bold font
// and the cards in the plain one, for every reader: xlrd and LibreOffice,
// which could take the font from the cell's own attribute bytes, as well as
// Gnumeric, which takes each cell's looks from the XF record it names.
TEST(WorksheetReaders, ExampleFolderConvertsWithTheTitlesBoldAndTheCardsPlain) {
    TempDir output;
    const auto sheet = output.path() / "new" / "vCardContactsExported.xls";
    const auto result = convert(shellQuote(std::string(TESSALY_SOURCE_DIR) + "/examples") + " --out " +
                                shellQuote((output.path() / "new").string()));
    EXPECT_EQ(result.status, 1) << result.out << result.err;
    EXPECT_NE(result.out.find("Finished Importing vCards.\nIf you failed"), std::string::npos);
    const std::string examples = std::string(TESSALY_SOURCE_DIR) + "/examples/";
    EXPECT_TRUE(result.out.ends_with("\n3 values had no place in the worksheet\n  " + examples +
                                     "clients-v30.vcf:14: card 1: CATEGORIES (categories)\n  " + examples +
                                     "clients-v30.vcf:17: card 1: NICKNAME (a nickname)\n  " + examples +
                                     "team-v21.vcf:7: card 4: ROLE (a profession)\n"))
        << result.out;
    EXPECT_NE(result.out.find("Wrote 5 cards to " + sheet.string()), std::string::npos);
    EXPECT_EQ(result.err, "(5) vCards Saved\n");
    const auto rows = xlrdRows(sheet);
    EXPECT_EQ(rows.size(), 6u);
    EXPECT_TRUE(std::filesystem::exists(output.path() / "new" / "vCardPictures" / ".gif"));
    const ReaderOutput gnumeric = readSheet("gnumeric_cells.py", sheet);
    EXPECT_EQ(gnumeric.warnings, "");
    EXPECT_EQ(gnumeric.rows, rows);
    const std::vector<std::string> titlesBold = {"B-----"};
    EXPECT_EQ(readSheet("xls_cells.py", sheet, " --weights").rows[0], titlesBold);
    EXPECT_EQ(readSheet("gnumeric_cells.py", sheet, " --weights").rows[0], titlesBold);
    const auto fods = runCommand("cd " + shellQuote(output.path().string()) +
                                 " && soffice -env:UserInstallation=file://" + (output.path() / "profile").string() +
                                 " --headless --convert-to fods --outdir fods " + shellQuote(sheet.string()));
    ASSERT_EQ(fods.status, 0) << fods.err;
    EXPECT_EQ(readSheet("fods_weights.py", output.path() / "fods" / "vCardContactsExported.fods").rows[0], titlesBold);
}

// Every reader reads every row it can. LibreOffice reads each sheet whole (all
// converted to UTF-8 CSV in one call, with a profile folder of the test's own
// so that parallel tests do not meet); xlrd takes the sheet that ends at row
// 16,384; Gnumeric gives a sheet of this format Excel 2.x's 16,384 rows: of a
// sheet that fills every row it reads those, whole, and drops each cell below
// them with a warning.
TEST(WorksheetReaders, EveryReaderReadsEveryRowItCan) {
    TempDir work;
    const std::vector<std::pair<std::string, int>> sheets = {
        {"ends16384", 16383}, {"past16384", 16384}, {"ends65536", 65535}};
    std::string inputs;
    for (const auto& [name, count] : sheets) {
        const auto folder = work.path() / name;
        const auto result = convert(shellQuote(work.write(name + ".vcf", simpleCards(count)).string()) + " --out " +
                                    shellQuote(folder.string()));
        const bool past = count >= 16384;  // the titles take row 1
        EXPECT_EQ(result.status, past ? 1 : 0) << name << result.out;
        EXPECT_EQ(result.out.find("below row 16,384") != std::string::npos, past) << name;
        std::filesystem::rename(folder / "vCardContactsExported.xls", work.path() / (name + ".xls"));
        inputs += " " + shellQuote((work.path() / (name + ".xls")).string());
    }
    const auto csv = runCommand(
        "cd " + shellQuote(work.path().string()) + " && soffice -env:UserInstallation=file://" +
        (work.path() / "profile").string() +
        " --headless --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' --outdir csv" + inputs);
    ASSERT_EQ(csv.status, 0) << csv.err;
    for (const auto& [name, count] : sheets) {
        const auto lines = split(readFile(work.path() / "csv" / (name + ".csv")), '\n');
        ASSERT_EQ(lines.size(), static_cast<std::size_t>(count + 1)) << name;
        EXPECT_EQ(lines[0].rfind("First Name,Middle Name,Last Name,Email,", 0), 0u) << name;
        const std::string last = "First" + std::to_string(count) + ",,Last" + std::to_string(count) + ",";
        EXPECT_EQ(lines[count].rfind(last, 0), 0u) << name << ": " << lines[count];
    }
    EXPECT_EQ(xlrdRows(work.path() / "ends16384.xls").size(), 16384u);
    const ReaderOutput gnumeric = readSheet("gnumeric_cells.py", work.path() / "ends65536.xls");
    ASSERT_EQ(gnumeric.rows.size(), 16384u);
    const auto& titles = contactSheetTitles();
    EXPECT_EQ(gnumeric.rows[0], std::vector<std::string>(titles.begin(), titles.end()));
    for (const int row : {1, 9999, 16383}) {
        std::vector<std::string> card(36);
        card[0] = "First" + std::to_string(row);
        card[2] = "Last" + std::to_string(row);
        EXPECT_EQ(gnumeric.rows[row], card) << row;
    }
    const std::string dropped = std::to_string((65536 - 16384) * 36) + " x (Condition \"row < ";
    EXPECT_NE(gnumeric.warnings.find(dropped), std::string::npos) << gnumeric.warnings;
    EXPECT_EQ(gnumeric.warnings.find("xf"), std::string::npos) << gnumeric.warnings;
}

TEST(ConvertCommand, ArgumentsAndATargetThatFails) {
    for (const char* arguments : {"", "a.vcf --to csv", "a.vcf --mode quick"})
        EXPECT_EQ(convert(arguments).status, 2) << arguments;
    const auto help = convert("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--to xls"), std::string::npos);
    // A sheet that cannot be written (a folder holds its name): the error names
    // it, and there is no final message.
    TempDir work;
    const auto sheet = work.write("out/vCardContactsExported.xls/in-the-way", "").parent_path();
    const auto failed = convert(shellQuote(work.write("a.vcf", simpleCards(1)).string()) + " --out " +
                                shellQuote((work.path() / "out").string()));
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find(sheet.string()), std::string::npos) << failed.err;
    const std::filesystem::directory_iterator left(work.path() / "out");
    EXPECT_EQ(std::distance(left, {}), 1);  // no temporary file stays
    EXPECT_EQ(failed.out.find("Finished Importing vCards."), std::string::npos);
}

TEST(ConvertCommand, ASourceThatIsNotThereTouchesNoEarlierSheet) {
    TempDir work;
    const auto earlier = work.write("out/vCardContactsExported.xls", "an earlier sheet");
    const struct {
        std::string source, message;
    } cases[] = {{(work.path() / "nosuch.vcf").string(), "no such file or folder"},
                 {"/dev/null", "neither a file nor a folder"}};
    for (const auto& [source, message] : cases) {
        const auto result = convert(shellQuote(source) + " --out " + shellQuote((work.path() / "out").string()));
        EXPECT_EQ(result.status, 2) << source;
        EXPECT_TRUE(result.err.starts_with("tessaly convert: " + source + ": " + message + "\n")) << result.err;
        EXPECT_EQ(testing::readFile(earlier), "an earlier sheet");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(work.path() / "out"), {}), 1);
    }
}

}  // namespace
}  // namespace tessaly
