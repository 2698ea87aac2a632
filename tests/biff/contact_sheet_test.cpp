#include "biff/contact_sheet.h"

#include <gtest/gtest.h>

#include <map>

#include "biff_test_support.h"
#include "support/test_files.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::hexBytes;
using testing::kEof;
using testing::readFile;
using testing::TempDir;

// A LABEL record as the sheet writes it: row and column counted from 0, the
// given XF index and font byte, left-aligned.
std::string label(std::size_t row, std::size_t column, char xf, char font, std::string_view text) {
    const auto le16 = [](std::size_t v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; };
    return hexBytes("04 00") + le16(8 + text.size()) + le16(row) + le16(column) +
           std::string{xf, font, 1, static_cast<char>(text.size())} + std::string(text);
}

// The cells of one card in `storedRow` (from 0), in the order they are
// written: columns 1-8, 14-18, 9-13, 19-36. `texts` are by column from 1;
// columns not given are empty.
std::string cardCells(std::size_t storedRow, const std::map<int, std::string>& texts) {
    std::vector<int> order = {1, 2, 3, 4, 5, 6, 7, 8, 14, 15, 16, 17, 18, 9, 10, 11, 12, 13};
    for (int column = 19; column <= 36; ++column) order.push_back(column);
    std::string bytes;
    for (const int column : order)
        bytes += label(storedRow, column - 1, 0, 0, texts.contains(column) ? texts.at(column) : "");
    return bytes;
}

// The set-up's records and the title row: the sheet of a run without cards,
// less its EOF.
constexpr std::size_t kTitleSheetBytes = 1417;

class ContactSheetTest : public ::testing::Test {
protected:
    // Writes a sheet (set-up, `cards`, close) and gives its file's bytes: the
    // title-only sheet's first kTitleSheetBytes, then the cards' cells and EOF.
    template <typename Cards>
    std::string writeSheet(Cards cards) {
        ContactSheet sheet(DateTextFormat::iso());
        sheet.open(dir.path());
        cards(sheet);
        sheet.close();
        counts = sheet.counts();
        return readFile(dir.path() / "vCardContactsExported.xls");
    }

    TempDir dir;
    ContactSheetCounts counts;
};

TEST_F(ContactSheetTest, TitleOnlySheetHasTheFontsTheHeaderTheCellFormatsAndThe36TitlesInBold) {
    const std::vector<std::string> titles = {
        "First Name", "Middle Name", "Last Name", "Email", "Suffix", "Title", "Company", "Job Title", "Location",
        "Website", "Department", "Manager", "Assistant", "Business Street Address", "Business City",
        "Business Zip/Postal Code", "Business State", "Business Country", "Business Phone Number", "Business FAX",
        "Business CellPhone", "Business Pager", "Business Other Email 1", "Business Other Email 2",
        "Business Other Email 3", "Personal Street Address", "Personal City", "Personal Zip/Postal Code",
        "Personal State", "Personal Country", "Personal Phone Number", "Personal FAX", "Personal CellPhone",
        "Birthday", "Anniversary", "Comments"};
    std::string expected = testing::openingRecords() + hexBytes("31 00 0C 00 C8 00 00 00 07") + "Verdana" +
                           hexBytes("31 00 0C 00 C8 00 01 00 07") + "Verdana" + hexBytes("31 00 0C 00 C8 00 05 00 07") +
                           "Verdana" + hexBytes("31 00 0C 00 18 01 03 00 07") + "Courier" +
                           hexBytes("14 00 0D 00 0C") + "BIFF 2.1 API" +
                           // XF 0 and 1: font 0 and font 1, General, unlocked, left-aligned.
                           hexBytes("43 00 04 00 00 00 00 01  43 00 04 00 01 00 00 01");
    // The titles point at XF 1 and carry font 1 themselves.
    for (std::size_t column = 0; column < titles.size(); ++column)
        expected += label(0, column, 1, 0x40, titles[column]);
    const std::string bytes = writeSheet([](ContactSheet&) {});
    EXPECT_EQ(bytes.size(), kTitleSheetBytes + 4);
    EXPECT_EQ(bytes, expected + kEof);
}

TEST_F(ContactSheetTest, ACardFillsRowXlsCntPlusOneFromItsSlotsAndDatesMissingOrOutOfRangeStayEmpty) {
    // Every text slot and field holds its own name, so each cell shows where
    // it came from.
    ContactRecord named;
    for (const ContactSlot& slot : contactSlots())
        if (slot.text) named.*slot.text = slot.name;
    for (const ContactSlot& field : contactFields()) named.*field.text = field.name;
    named.eContact_BirthDay = 25641;     // 14 March 1970
    named.eContact_Anniversary = 36585;  // 29 February 2000
    ContactRecord oddDates;
    oddDates.eContact_BirthDay = 1e9;
    oddDates.eContact_Anniversary = 1.5;
    const std::string bytes = writeSheet([&](ContactSheet& sheet) {
        sheet.Save2ExcelContact(named, 1);
        sheet.Save2ExcelContact(ContactRecord{}, 4);
        sheet.Save2ExcelContact(oddDates, 5);
    });
    // The slot each column shows, from column 1; column 33 stays empty.
    const char* slots[] = {"FirstName", "MiddleName", "LastName", "Email", "Suffix", "Title", "Company", "Profession",
        "Location", "WebPage", "Department", "Manager", "Assistant", "BusinessAddress", "BusinessCity", "BusinessZip",
        "BusinessState", "BusinessCountry", "OfficePhone", "OfficeFax", "CellPhone", "Pager", "Email2",
        "Email3", "email4", "PersonalAddress", "PersonalCity", "PersonalZip", "PersonalState",
        "PersonalCountry", "HomePhone", "HomeFax"};
    std::map<int, std::string> columns = {{34, "1970-03-14"}, {35, "2000-02-29"}, {36, "eContact_Comments"}};
    for (int column = 1; column <= 32; ++column)
        columns[column] = (column == 25 ? "" : "eContact_") + std::string(slots[column - 1]);
    // The street cells end in the post-office box, a line of their own.
    columns[14] += "\r\nbusinessPostOfficeBox";
    columns[26] += "\r\nhomePostOfficeBox";
    // Card 4: 36 empty cells, no midnight for its missing dates. Card 5's
    // birthday lies past the year 9999.
    EXPECT_EQ(bytes.substr(kTitleSheetBytes),
              cardCells(1, columns) + cardCells(4, {}) + cardCells(5, {{35, "1899-12-31 12:00:00"}}) + kEof);
}

TEST_F(ContactSheetTest, ValuesKeepTheirSpacesAndAtMost255CharactersAndChangesAreCounted) {
    ContactRecord record;
    record.eContact_FirstName = std::string(255, 'a');
    record.eContact_MiddleName = "  Zo\xC3\xAB ";
    record.eContact_LastName = std::string(256, 'b');
    for (int i = 0; i < 300; ++i) record.eContact_Company += "\xC3\xA9";  // 300 x e-acute
    record.eContact_Comments = std::string(200, 'c') + std::string(100, '\xFF');  // invalid bytes, one each
    record.eContact_Title = "\xE6\x9D\xB1\xE4\xBA\xAC";  // outside Windows-1252
    const std::string bytes = writeSheet([&](ContactSheet& sheet) { sheet.Save2ExcelContact(record, 1); });
    const std::map<int, std::string> written = {
        {1, std::string(255, 'a')}, {2, "  Zo\xEB "}, {3, std::string(255, 'b')}, {6, "??"},
        {7, std::string(255, '\xE9')}, {36, std::string(200, 'c') + std::string(55, '?')}};
    EXPECT_EQ(bytes.substr(kTitleSheetBytes), cardCells(1, written) + kEof);
    EXPECT_EQ(counts.shortenedCells, 3u);
    EXPECT_EQ(counts.replacedCharacters, 2u + 55);
}

TEST_F(ContactSheetTest, RowsRunToTheFormatsLastRowLaterCardsAreCountedAndCardZeroIsRefused) {
    ContactRecord record;
    record.eContact_FirstName = "x";
    const std::string bytes = writeSheet([&](ContactSheet& sheet) {
        for (const std::int32_t card : {16383, 16384, 65535, 65536, 70000}) sheet.Save2ExcelContact(record, card);
        EXPECT_THROW(sheet.Save2ExcelContact(record, 0), std::invalid_argument);
    });
    // Row 16,384 is Excel 2.x's last, row 65,536 the format's.
    EXPECT_EQ(bytes.substr(kTitleSheetBytes),
              cardCells(16383, {{1, "x"}}) + cardCells(16384, {{1, "x"}}) + cardCells(65535, {{1, "x"}}) + kEof);
    EXPECT_EQ(counts.cardsBeyondLastRow, 2u);
    EXPECT_EQ(counts.cardsPastRow16384, 2u);
}

TEST(ContactSheetFile, AFolderThatCannotTakeTheSheetThrowsWithTheFileAndTheCause) {
    TempDir dir;
    ContactSheet sheet(DateTextFormat::iso());
    try {
        sheet.open(dir.path() / "gone");
        FAIL() << "open succeeded";
    } catch (const SheetWriteError& error) {
        EXPECT_EQ(error.errorNumber(), kExcelPathNotFound);
        const std::string cause = (dir.path() / "gone" / "vCardContactsExported.xls").string() + "\": No such file";
        EXPECT_NE(std::string(error.what()).find(cause), std::string::npos) << error.what();
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

}  // namespace
}  // namespace tessaly
