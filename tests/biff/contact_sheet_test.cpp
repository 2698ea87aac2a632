#include "biff/contact_sheet.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "biff_test_support.h"
#include "support/test_files.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::BiffRecord;
using testing::hexBytes;
using testing::readFile;
using testing::TempDir;

// What CreateFile writes before anything else: BOF, CODEPAGE, FORMATCOUNT and
// the 24 FORMAT records.
constexpr std::size_t kOpeningBytes = 396;
constexpr std::uint16_t kLabel = 0x0004;

struct Cell {
    std::uint16_t row;  // as stored, from 0
    std::uint16_t column;
    std::uint8_t font;
    std::uint8_t alignment;
    std::string text;  // Windows-1252 bytes
};

Cell cellOf(const BiffRecord& record) {
    EXPECT_EQ(record.number, kLabel);
    EXPECT_EQ(record.data.size(), 8u + static_cast<unsigned char>(record.data[7]));
    return {testing::le16(record.data, 0), testing::le16(record.data, 2),
            static_cast<std::uint8_t>(record.data[5]), static_cast<std::uint8_t>(record.data[6]),
            record.data.substr(8)};
}

// Writes a sheet (set-up, `cards`, close) and gives its file's bytes.
class ContactSheetTest : public ::testing::Test {
protected:
    template <typename Cards>
    std::string writeSheet(Cards cards) {
        ContactSheet sheet(DateTextFormat::iso());
        sheet.open(dir.path());
        cards(sheet);
        sheet.close();
        counts = sheet.counts();
        return readFile(dir.path() / "vCardContactsExported.xls");
    }

    // The cells after the title row, in file order.
    template <typename Cards>
    std::vector<Cell> cardCells(Cards cards) {
        const std::string bytes = writeSheet(cards);
        const auto records = testing::splitRecords(std::string_view(bytes).substr(kOpeningBytes));
        std::vector<Cell> cells;
        // 4 fonts, 1 header, 36 titles before; EOF after.
        for (std::size_t i = 41; i + 1 < records.size(); ++i) cells.push_back(cellOf(records[i]));
        EXPECT_EQ(records.back().number, 0x000A);
        return cells;
    }

    TempDir dir;
    ContactSheetCounts counts;
};

TEST_F(ContactSheetTest, TitleOnlySheet) {
    const std::string bytes = writeSheet([](ContactSheet&) {});
    EXPECT_EQ(bytes.size(), 1405u);
    EXPECT_EQ(bytes.substr(kOpeningBytes, 64 + 17),
              hexBytes("31 00 0C 00 C8 00 00 00 07") + "Verdana" + hexBytes("31 00 0C 00 C8 00 01 00 07") + "Verdana" +
                  hexBytes("31 00 0C 00 C8 00 05 00 07") + "Verdana" + hexBytes("31 00 0C 00 18 01 03 00 07") +
                  "Courier" + hexBytes("14 00 0D 00 0C") + "BIFF 2.1 API");
    EXPECT_EQ(bytes.substr(kOpeningBytes + 81, 22), hexBytes("04 00 12 00 00 00 00 00 00 40 01 0A") + "First Name");
    EXPECT_EQ(bytes.substr(bytes.size() - 24), hexBytes("04 00 10 00 00 00 23 00 00 40 01 08") + "Comments" +
                                                   hexBytes("0A 00 00 00"));
}

TEST_F(ContactSheetTest, TitleRowHoldsThe36TitlesInBoldLeftAligned) {
    const std::string bytes = writeSheet([](ContactSheet&) {});
    const auto records = testing::splitRecords(std::string_view(bytes).substr(kOpeningBytes + 81));
    ASSERT_EQ(records.size(), 37u);
    const std::vector<std::string> titles = {
        "First Name", "Middle Name", "Last Name", "Email", "Suffix", "Title", "Company", "Job Title", "Location",
        "Website", "Department", "Manager", "Assistant", "Business Street Address", "Business City",
        "Business Zip/Postal Code", "Business State", "Business Country", "Business Phone Number", "Business FAX",
        "Business CellPhone", "Business Pager", "Business Other Email 1", "Business Other Email 2",
        "Business Other Email 3", "Personal Street Address", "Personal City", "Personal Zip/Postal Code",
        "Personal State", "Personal Country", "Personal Phone Number", "Personal FAX", "Personal CellPhone",
        "Birthday", "Anniversary", "Comments"};
    for (std::size_t i = 0; i < titles.size(); ++i) {
        const Cell cell = cellOf(records[i]);
        EXPECT_EQ(cell.row, 0);
        EXPECT_EQ(cell.column, i);
        EXPECT_EQ(cell.font, 0x40);
        EXPECT_EQ(cell.alignment, 1);
        EXPECT_EQ(cell.text, titles[i]);
    }
}

TEST_F(ContactSheetTest, FirstCardGoesToRowTwo) {
    ContactRecord record;
    record.eContact_FirstName = "Ann";
    const std::string bytes = writeSheet([&](ContactSheet& sheet) { sheet.Save2ExcelContact(record, 1); });
    EXPECT_EQ(bytes.substr(1401, 15), hexBytes("04 00 0B 00 01 00 00 00 00 00 01 03 41 6E 6E"));
}

// Every text slot holds its own name, so each cell shows where it came from.
ContactRecord namedRecord() {
    ContactRecord record;
    for (const ContactSlot& slot : contactSlots())
        if (slot.text) record.*slot.text = slot.name;
    record.eContact_BirthDay = 25641;     // 14 March 1970
    record.eContact_Anniversary = 36585;  // 29 February 2000
    return record;
}

TEST_F(ContactSheetTest, AFilledRecordFillsItsColumnsInTheCardOrder) {
    const ContactRecord record = namedRecord();
    const auto cells = cardCells([&](ContactSheet& sheet) { sheet.Save2ExcelContact(record, 4); });
    const std::map<int, std::string> expected = {
        {1, "eContact_FirstName"},        {2, "eContact_MiddleName"},      {3, "eContact_LastName"},
        {4, "eContact_Email"},            {5, "eContact_Suffix"},          {6, "eContact_Title"},
        {7, "eContact_Company"},          {8, "eContact_Profession"},      {9, "eContact_Location"},
        {10, "eContact_WebPage"},         {11, "eContact_Department"},     {12, "eContact_Manager"},
        {13, "eContact_Assistant"},       {14, "eContact_BusinessAddress"}, {15, "eContact_BusinessCity"},
        {16, "eContact_BusinessZip"},     {17, "eContact_BusinessState"},  {18, "eContact_BusinessCountry"},
        {19, "eContact_OfficePhone"},     {20, "eContact_OfficeFax"},      {21, "eContact_CellPhone"},
        {22, "eContact_Pager"},           {23, "eContact_OtherEmail1"},    {24, "eContact_OtherEmail2"},
        {25, "eContact_OtherEmail3"},     {26, "eContact_PersonalAddress"}, {27, "eContact_PersonalCity"},
        {28, "eContact_PersonalZip"},     {29, "eContact_PersonalState"},  {30, "eContact_PersonalCountry"},
        {31, "eContact_HomePhone"},       {32, "eContact_HomeFax"},        {33, ""},
        {34, "1970-03-14"},               {35, "2000-02-29"},              {36, "eContact_Comments"}};
    std::vector<int> order = {1, 2, 3, 4, 5, 6, 7, 8, 14, 15, 16, 17, 18, 9, 10, 11, 12, 13};
    for (int column = 19; column <= 36; ++column) order.push_back(column);

    ASSERT_EQ(cells.size(), 36u);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        EXPECT_EQ(cells[i].row, 4);
        EXPECT_EQ(cells[i].column + 1, order[i]);
        EXPECT_EQ(cells[i].font, 0);
        EXPECT_EQ(cells[i].alignment, 1);
        EXPECT_EQ(cells[i].text, expected.at(order[i])) << "column " << order[i];
    }
}

TEST_F(ContactSheetTest, AnEmptyRecordGets36EmptyCells) {
    const std::string bytes = writeSheet([](ContactSheet& sheet) { sheet.Save2ExcelContact(ContactRecord{}, 1); });
    ASSERT_EQ(bytes.size(), 1405u + 36 * 12);
    const std::string cells = bytes.substr(1401, 36 * 12);
    // Stored row 1; columns 0-7, 13-17, 8-12, 18-35; no dates, no midnight.
    std::vector<int> order = {0, 1, 2, 3, 4, 5, 6, 7, 13, 14, 15, 16, 17, 8, 9, 10, 11, 12};
    for (int column = 18; column < 36; ++column) order.push_back(column);
    for (int i = 0; i < 36; ++i) {
        std::string expected = hexBytes("04 00 08 00 01 00 00 00 00 00 01 00");
        expected[6] = static_cast<char>(order[i]);
        EXPECT_EQ(cells.substr(i * 12, 12), expected) << "cell " << i;
    }
}

TEST_F(ContactSheetTest, ValuesKeepTheirSpaces) {
    ContactRecord record;
    record.eContact_LastName = "  Doe ";
    const auto cells = cardCells([&](ContactSheet& sheet) { sheet.Save2ExcelContact(record, 1); });
    EXPECT_EQ(cells.at(2).text, "  Doe ");
}

TEST_F(ContactSheetTest, LongValuesKeepTheirFirst255Characters) {
    ContactRecord record;
    record.eContact_FirstName = std::string(255, 'a');
    record.eContact_LastName = std::string(256, 'b');
    for (int i = 0; i < 300; ++i) record.eContact_Company += "\xC3\xA9";  // 300 x e-acute
    record.eContact_Comments = std::string(200, 'c') + std::string(100, '\xFF');  // invalid bytes, one each
    const auto cells = cardCells([&](ContactSheet& sheet) { sheet.Save2ExcelContact(record, 1); });
    EXPECT_EQ(cells.at(0).text, std::string(255, 'a'));
    EXPECT_EQ(cells.at(2).text, std::string(255, 'b'));
    EXPECT_EQ(cells.at(6).text, std::string(255, '\xE9'));
    EXPECT_EQ(cells.at(35).text, std::string(200, 'c') + std::string(55, '?'));
    EXPECT_EQ(counts.shortenedCells, 3u);
    EXPECT_EQ(counts.replacedCharacters, 55u);
}

TEST_F(ContactSheetTest, CharactersOutsideWindows1252BecomeQuestionMarksAndAreCounted) {
    ContactRecord record;
    record.eContact_FirstName = "Zo\xC3\xAB";
    record.eContact_LastName = "\xE6\x9D\xB1\xE4\xBA\xAC";
    const auto cells = cardCells([&](ContactSheet& sheet) {
        sheet.Save2ExcelContact(record, 1);
        sheet.Save2ExcelContact(record, 2);
    });
    EXPECT_EQ(cells.at(0).text, "Zo\xEB");
    EXPECT_EQ(cells.at(2).text, "??");
    EXPECT_EQ(counts.replacedCharacters, 4u);
    EXPECT_EQ(counts.shortenedCells, 0u);
}

TEST_F(ContactSheetTest, DatesOutsideTheCalendarLeaveTheCellEmpty) {
    ContactRecord record;
    record.eContact_BirthDay = 1e9;
    record.eContact_Anniversary = 1.5;
    const auto cells = cardCells([&](ContactSheet& sheet) { sheet.Save2ExcelContact(record, 1); });
    EXPECT_EQ(cells.at(33).text, "");
    EXPECT_EQ(cells.at(34).text, "1899-12-31 12:00:00");
}

TEST_F(ContactSheetTest, RowsRunToTheLastRowOfTheFormat) {
    ContactRecord record;
    record.eContact_FirstName = "x";
    const auto cells = cardCells([&](ContactSheet& sheet) {
        sheet.Save2ExcelContact(record, 16383);  // row 16,384: the last of Excel 2.x
        EXPECT_FALSE(sheet.counts().pastRow16384());
        sheet.Save2ExcelContact(record, 16384);
        sheet.Save2ExcelContact(record, 65535);  // row 65,536
        sheet.Save2ExcelContact(record, 65536);  // beyond: not written
        sheet.Save2ExcelContact(record, 70000);
    });
    ASSERT_EQ(cells.size(), 3u * 36);
    EXPECT_EQ(cells[0].row, 16383);
    EXPECT_EQ(cells[36].row, 16384);
    EXPECT_EQ(cells[72].row, 65535);
    EXPECT_EQ(counts.cardsBeyondLastRow, 2u);
    EXPECT_EQ(counts.cardsPastRow16384, 2u);
    EXPECT_TRUE(counts.pastRow16384());
}

TEST_F(ContactSheetTest, ACardNumberBelowOneIsRefused) {
    ContactSheet sheet(DateTextFormat::iso());
    sheet.open(dir.path());
    EXPECT_THROW(sheet.Save2ExcelContact(ContactRecord{}, 0), std::invalid_argument);
    sheet.abandon();
}

// A folder that already holds a sheet from an earlier run, and a new sheet
// opened there with one card written.
class ContactSheetOverEarlierSheet : public ::testing::Test {
protected:
    void SetUp() override {
        testing::writeFile(path, "earlier");
        sheet.open(dir.path());
        sheet.Save2ExcelContact(ContactRecord{}, 1);
    }

    TempDir dir;
    const fs::path path = dir.path() / "vCardContactsExported.xls";
    ContactSheet sheet{DateTextFormat::iso()};
};

TEST_F(ContactSheetOverEarlierSheet, TheEarlierSheetIsReplacedOnlyWhenTheNewOneIsClosed) {
    EXPECT_EQ(sheet.path(), path);
    EXPECT_EQ(readFile(path), "earlier");
    sheet.close();
    EXPECT_EQ(testing::folderEntries(dir.path()), std::vector<fs::path>{"vCardContactsExported.xls"});
    EXPECT_EQ(readFile(path).size(), 1405u + 36 * 12);
}

TEST_F(ContactSheetOverEarlierSheet, AnAbandonedSheetLeavesTheEarlierOne) {
    sheet.abandon();
    EXPECT_EQ(testing::folderEntries(dir.path()), std::vector<fs::path>{"vCardContactsExported.xls"});
    EXPECT_EQ(readFile(path), "earlier");
    // The abandoned sheet cannot be written or closed any more.
    EXPECT_THROW(sheet.Save2ExcelContact(ContactRecord{}, 2), SheetWriteError);
    EXPECT_THROW(sheet.close(), SheetWriteError);
}

TEST_F(ContactSheetOverEarlierSheet, AFullDiskEndsTheSheetAndKeepsTheEarlierOne) {
    const testing::ScopedFileSizeLimit fullDisk(64 * 1024);
    ContactRecord record;
    record.eContact_Comments = std::string(255, 'c');
    try {
        for (std::int32_t card = 2; card < 1000; ++card) sheet.Save2ExcelContact(record, card);
        sheet.close();
        FAIL() << "the sheet was written past the file size limit";
    } catch (const SheetWriteError& error) {
        EXPECT_EQ(error.errorNumber(), kExcelDiskFull);
        EXPECT_NE(std::string(error.what()).find(path.string()), std::string::npos) << error.what();
    }
    // The sheet was abandoned at once.
    EXPECT_EQ(testing::folderEntries(dir.path()), std::vector<fs::path>{"vCardContactsExported.xls"});
    EXPECT_EQ(readFile(path), "earlier");
}

TEST(ContactSheetFile, AFolderThatCannotTakeTheSheetThrowsWithTheFileAndTheCause) {
    TempDir dir;
    ContactSheet sheet(DateTextFormat::iso());
    try {
        sheet.open(dir.path() / "gone");
        FAIL() << "open succeeded";
    } catch (const SheetWriteError& error) {
        EXPECT_EQ(error.errorNumber(), kExcelPathNotFound);
        EXPECT_NE(std::string(error.what()).find((dir.path() / "gone" / "vCardContactsExported.xls").string()),
                  std::string::npos)
            << error.what();
        EXPECT_NE(std::string(error.what()).find("No such file or directory"), std::string::npos) << error.what();
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

bool xlrdAvailable() { return testing::runCommand("/usr/bin/python3 -c 'import xlrd' 2>/dev/null").status == 0; }

// Reads the sheet back with python3-xlrd, a reader of our choosing that nobody
// here wrote, with no encoding given: it must take Windows-1252 from the file.
TEST(ContactSheetReadBack, Xlrd_ReadsEveryCellIncludingNonAsciiNames) {
    if (!xlrdAvailable()) GTEST_SKIP() << "python3-xlrd is not installed";
    TempDir dir;
    ContactRecord zoe;
    zoe.eContact_FirstName = "Zo\xC3\xAB";
    zoe.eContact_LastName = "M\xC3\xBCller";
    zoe.eContact_Company = "Caf\xC3\xA9 \xE2\x82\xAC";
    zoe.eContact_BirthDay = 25641;
    ContactRecord bob;
    bob.eContact_FirstName = "Bob";
    bob.eContact_Comments = "a note";
    {
        ContactSheet sheet(DateTextFormat::iso());
        sheet.open(dir.path());
        sheet.Save2ExcelContact(zoe, 1);
        sheet.Save2ExcelContact(bob, 2);
        sheet.close();
    }
    const std::string script =
        "import sys, xlrd\n"
        "sheet = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
        "print(sheet.nrows, sheet.ncols)\n"
        "for r in range(sheet.nrows):\n"
        "    print('\\t'.join(sheet.cell_value(r, c) for c in range(sheet.ncols)))\n";
    const auto result = testing::runCommand("PYTHONIOENCODING=utf-8 /usr/bin/python3 -c " + testing::shellQuote(script) +
                                            " " + testing::shellQuote((dir.path() / "vCardContactsExported.xls").string()));
    ASSERT_EQ(result.status, 0) << result.err;
    std::istringstream lines(result.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "3 36");
    std::vector<std::vector<std::string>> rows;
    while (std::getline(lines, line)) {
        std::vector<std::string> cells;
        std::istringstream fields(line);
        std::string field;
        while (std::getline(fields, field, '\t')) cells.push_back(field);
        cells.resize(36);
        rows.push_back(cells);
    }
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][0], "First Name");
    EXPECT_EQ(rows[0][35], "Comments");
    EXPECT_EQ(rows[1][0], "Zo\xC3\xAB");
    EXPECT_EQ(rows[1][2], "M\xC3\xBCller");
    EXPECT_EQ(rows[1][6], "Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(rows[1][33], "1970-03-14");
    EXPECT_EQ(rows[1][34], "");
    EXPECT_EQ(rows[2][0], "Bob");
    EXPECT_EQ(rows[2][35], "a note");
}

}  // namespace
}  // namespace tessaly
