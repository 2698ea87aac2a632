#include "biff/excel_file.h"
#include "common/staged_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include "biff_test_support.h"
#include "support/test_files.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::folderEntries;
using testing::hexBytes;
using testing::kEof;
using testing::readFile;
using testing::TempDir;

// A file opened for each test; `written()` closes it and gives the bytes that
// the test's calls added between the opening records and EOF.
class ExcelFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(file.CreateFile(path), 0) << file.lastError(); }

    std::string written() {
        EXPECT_EQ(file.CloseFile(), 0) << file.lastError();
        const std::string all = readFile(path);
        const std::string start = testing::openingRecords();
        EXPECT_EQ(all.substr(0, start.size()), start);
        EXPECT_EQ(all.substr(all.size() - 4), kEof);
        return all.substr(start.size(), all.size() - start.size() - 4);
    }

    TempDir dir;
    fs::path path = dir.path() / "sheet.xls";
    ExcelFile file{DateTextFormat::iso()};
};

std::string label(std::string_view fixedPart, std::string_view text) { return hexBytes(fixedPart) + std::string(text); }

// Unknown value types are ignored; after the close, operations answer 52.
TEST_F(ExcelFileTest, AnEmptyFileIsTheOpeningRecordsAndEofAndStaysSoAfterClose) {
    EXPECT_EQ(file.WriteValue(3, 0, 1, 0, 1, 1, "x"), 0);
    EXPECT_EQ(file.WriteValue(-1, 0, 1, 0, 1, 1, 5), 0);
    EXPECT_EQ(file.WriteValue(kTextCell, 0, 0, 0, 1, 0, ""), kExcelOverflow);
    EXPECT_NE(file.lastError().find("column 0"), std::string::npos) << file.lastError();
    EXPECT_EQ(written(), "");
    EXPECT_EQ(file.WriteValue(kTextCell, 0, 1, 0, 1, 1, "x"), kExcelNoOpenFile);
    EXPECT_EQ(file.lastError(), "no worksheet file is open");
    EXPECT_EQ(file.SetRowHeight(1, 10), kExcelNoOpenFile);
    EXPECT_EQ(file.CloseFile(), kExcelNoOpenFile);
    file.PrintGridLines(true);
    EXPECT_EQ(readFile(path).size(), 400u);
}

// What each call answers and the records the accepted calls write, in a file
// of their own.
using Results = std::vector<int>;
struct RecordCase {
    const char* what;
    std::function<Results(ExcelFile&)> calls;
    Results results;
    std::string bytes;
};

// A text cell in row 1 (or `row`), column 1, with no attributes.
std::int16_t cell(ExcelFile& f, const CellValue& value, std::int32_t type = kTextCell, std::int32_t row = 1) {
    return f.WriteValue(type, 0, 0, 0, row, 1, value);
}

std::string accented(int letters) {  // e-acute in UTF-8: two bytes, one character
    std::string text;
    for (int i = 0; i < letters; ++i) text += "\xC3\xA9";
    return text;
}

TEST_F(ExcelFileTest, EachCallWritesItsRecordAndRefusesWhatDoesNotFitItsFields) {
    constexpr int over = kExcelOverflow, mismatch = kExcelTypeMismatch;
    const std::string integer = "02 00 09 00 00 00 00 00 00 00 00 ", number = "03 00 0F 00 00 00 00 00 00 00 00 ";
    const RecordCase cases[] = {
        {"FONT", [](ExcelFile& f) { return Results{f.SetFont("Verdana", 10, kFontBold),
             f.SetFont("Courier", 14, kFontBold | kFontItalic), f.SetFont("Max", 1638, 255), f.SetFont("Big", 1639, 0),
             f.SetFont("Odd", 10, 256), f.SetFont(std::string(256, 'n'), 10, 0)}; },
         {0, 0, 0, over, over, over},
         label("31 00 0C 00 C8 00 01 00 07", "Verdana") + label("31 00 0C 00 18 01 03 00 07", "Courier") +
             label("31 00 08 00 F8 7F FF 00 03", "Max")},
        {"HEADER, FOOTER", [](ExcelFile& f) { return Results{f.SetHeader("BIFF 2.1 API"), f.SetHeader(""),
             f.SetFooter("Page &P"), f.SetFooter(std::string(256, 'f'))}; },
         {0, 0, 0, over},
         label("14 00 0D 00 0C", "BIFF 2.1 API") + hexBytes("14 00 01 00 00") + label("15 00 08 00 07", "Page &P")},
        {"LABEL of texts, numbers and dates", [](ExcelFile& f) { return Results{
             f.WriteValue(kTextCell, cellFontBits(1), kAlignLeft, 0, 1, 4, "Email", 0),
             f.WriteValue(kTextCell, 0, kAlignLeft, 0, 2, 1, "Ann"),
             f.WriteValue(kTextCell, 0, kAlignLeft, 0, 2, 2, ""),
             cell(f, 2.5), cell(f, CellDate{25641}), cell(f, CellDate{25641.5}), cell(f, CellDate{1e7})}; },
         {0, 0, 0, 0, 0, 0, over},
         label("04 00 0D 00 00 00 03 00 00 40 01 05", "Email") + label("04 00 0B 00 01 00 00 00 00 00 01 03", "Ann") +
             hexBytes("04 00 08 00 01 00 01 00 00 00 01 00") + label("04 00 0B 00 00 00 00 00 00 00 00 03", "2.5") +
             label("04 00 12 00 00 00 00 00 00 00 00 0A", "1970-03-14") +
             label("04 00 1B 00 00 00 00 00 00 00 00 13", "1970-03-14 12:00:00")},
        // The limit counts characters as stored, one byte each.
        {"LABEL of 255 characters", [](ExcelFile& f) { return Results{cell(f, std::string(255, 'a')),
             cell(f, std::string(256, 'b')), cell(f, accented(256)), cell(f, accented(255))}; },
         {0, over, over, 0},
         label("04 00 07 01 00 00 00 00 00 00 00 FF", std::string(255, 'a')) +
             label("04 00 07 01 00 00 00 00 00 00 00 FF", std::string(255, '\xE9'))},
        {"INTEGER rounded half to even", [](ExcelFile& f) { return Results{cell(f, 2.5, kIntegerCell),
             cell(f, 3.5, kIntegerCell), cell(f, -1, kIntegerCell), cell(f, " 12 ", kIntegerCell),
             cell(f, -32768, kIntegerCell), cell(f, 32767.5, kIntegerCell), cell(f, "twelve", kIntegerCell),
             cell(f, "", kIntegerCell)}; },
         {0, 0, 0, 0, 0, over, mismatch, mismatch},
         hexBytes(integer + "02 00" + integer + "04 00" + integer + "FF FF" + integer + "0C 00" + integer + "00 80")},
        {"NUMBER", [](ExcelFile& f) { return Results{
             f.WriteValue(kNumberCell, cellFontBits(3), kAlignRight, kCellLocked, 3, 2, 1.5, 4),
             cell(f, "-2", kNumberCell), cell(f, CellDate{2}, kNumberCell), cell(f, "1,5", kNumberCell)}; },
         {0, 0, 0, mismatch},
         hexBytes("03 00 0F 00 02 00 01 00 40 C4 03 00 00 00 00 00 00 F8 3F" + number + "00 00 00 00 00 00 00 C0" +
                  number + "00 00 00 00 00 00 00 40")},
        {"cell attributes and places", [](ExcelFile& f) { return Results{
             f.WriteValue(kTextCell, cellFontBits(3), 0xFF, 0xFF, 65536, 65536, "", 63),
             f.WriteValue(kTextCell, cellFontBits(3), 0, 0, 1, 1, "", 64), f.WriteValue(kTextCell, 0, 256, 0, 1, 1, ""),
             f.WriteValue(kTextCell, 0, -1, 0, 1, 1, ""), f.WriteValue(kTextCell, 0, 0, 256, 1, 1, ""),
             cell(f, "", kTextCell, 0), cell(f, "", kTextCell, 65537)}; },
         {0, over, over, over, over, over, over}, hexBytes("04 00 08 00 FF FF FF FF FF FF FF 00")},
        // Font index, a zero byte, number format with the locked and hidden
        // flags (the cell's own XF index is no part of it), alignment byte.
        {"XF from cell attributes", [](ExcelFile& f) { return Results{
             f.addCellFormat(cellFontBits(1), kAlignLeft, 0),
             f.addCellFormat(cellFontBits(3), kAlignRight | 0x80, kCellLocked | kFormulaHidden | 5, 4),
             f.addCellFormat(cellFontBits(3), 0, 0, 64), f.addCellFormat(0, 256, 0), f.addCellFormat(0, 0, -1)}; },
         {0, 0, over, over, over}, hexBytes("43 00 04 00 01 00 00 01  43 00 04 00 03 00 C4 83")},
        {"margins", [](ExcelFile& f) { return Results{f.SetMargin(kLeftMargin, 0.75), f.SetMargin(kBottomMargin, 1.0),
             f.SetMargin(70000, 1.0)}; },
         {0, 0, over}, hexBytes("26 00 08 00 00 00 00 00 00 00 E8 3F  29 00 08 00 00 00 00 00 00 00 F0 3F")},
        {"COLWIDTH", [](ExcelFile& f) { return Results{f.SetColumnWidth(1, 3, 20), f.SetColumnWidth(255, 255, 127),
             f.SetColumnWidth(1, 1, 128), f.SetColumnWidth(0, 2, 10), f.SetColumnWidth(2, 0, 10)}; },
         {0, 0, over, over, over}, hexBytes("24 00 04 00 00 02 00 14  24 00 04 00 FE FE 00 7F")},
        {"row heights", [](ExcelFile& f) { return Results{f.SetDefaultRowHeight(15), f.SetDefaultRowHeight(1639),
             f.SetRowHeight(3, 12), f.SetRowHeight(0, 12), f.SetRowHeight(3, -1639)}; },
         {0, over, 0, over, over},
         hexBytes("25 00 02 00 2C 01  08 00 10 00 02 00 00 00 00 01 F0 00 00 00 00 00 00 00 00 00")},
        {"FILEPASS has no count byte", [](ExcelFile& f) { return Results{f.SetFilePassword("secret"),
             f.SetFilePassword("")}; },
         {0, 0}, hexBytes("2F 00 06 00") + "secret" + hexBytes("2F 00 00 00")},
        {"PRINTGRIDLINES, PROTECT", [](ExcelFile& f) {
             f.PrintGridLines(true), f.PrintGridLines(false), f.ProtectSpreadsheet(true), f.ProtectSpreadsheet(false);
             return Results{}; },
         {}, hexBytes("2B 00 02 00 01 00  2B 00 02 00 00 00  12 00 02 00 01 00  12 00 02 00 00 00")}};
    for (const RecordCase& test : cases) {
        ASSERT_EQ(file.CreateFile(path), 0) << file.lastError();
        EXPECT_EQ(test.calls(file), test.results) << test.what;
        EXPECT_EQ(written(), test.bytes) << test.what;
    }
}

TEST_F(ExcelFileTest, TextIsStoredInWindows1252AndReplacementsAreCounted) {
    EXPECT_EQ(file.WriteValue(kTextCell, 0, 0, 0, 1, 1, "Zo\xC3\xAB \xE2\x82\xAC"), 0);
    EXPECT_EQ(file.WriteValue(kTextCell, 0, 0, 0, 1, 2, "\xE6\x9D\xB1\xE4\xBA\xAC"), 0);
    EXPECT_EQ(file.SetHeader("\xCE\xA9"), 0);
    // A refused cell counts nothing.
    EXPECT_EQ(file.WriteValue(kTextCell, 0, 0, 0, 1, 3, std::string(300, '\x80')), kExcelOverflow);
    EXPECT_EQ(file.replacedCharacters(), 3u);
    EXPECT_EQ(written(), label("04 00 0D 00 00 00 00 00 00 00 00 05", "Zo\xEB \x80") +
                             label("04 00 0A 00 00 00 01 00 00 00 00 02", "??") + label("14 00 02 00 01", "?"));
    ASSERT_EQ(file.CreateFile(path), 0);  // a new file counts afresh
    EXPECT_EQ(file.replacedCharacters(), 0u);
}

// Whatever a text's length, its one byte outside ASCII is found wherever it
// stands (an invalid byte here, so each becomes '?').
TEST_F(ExcelFileTest, AByteOutsideAsciiIsFoundWhereverItStands) {
    std::string expected;
    for (std::size_t length = 1; length <= 20; ++length) {
        for (std::size_t at = 0; at < length; ++at) {
            std::string text(length, 'a');
            text[at] = '\xFF';
            ASSERT_EQ(cell(file, text), 0);
            text[at] = '?';
            // Row and column 0, no attributes, the count byte.
            expected += hexBytes("04 00") + std::string{static_cast<char>(8 + length), 0} + std::string(7, '\0') +
                        static_cast<char>(length) + text;
        }
    }
    EXPECT_EQ(file.replacedCharacters(), 210u);
    EXPECT_EQ(written(), expected);
}

// The sheet's rows: the cells go out in the order given, all or none.
TEST_F(ExcelFileTest, ARowOfTextCellsIsWrittenWholeOrNotAtAll) {
    const CellAttributes title{1, cellFontBits(1), kAlignLeft};
    const std::string tooLong(256, 'x');
    const TextCell row[] = {{1, "Ann"}, {3, ""}, {2, "Zo\xC3\xAB"}};
    const TextCell refusedText[] = {{1, "\xE6\x9D\xB1"}, {2, tooLong}};
    const TextCell refusedColumn[] = {{1, "\xE6\x9D\xB1"}, {65537, "x"}};
    EXPECT_EQ(file.writeTextCells(2, title, row), 0);
    EXPECT_EQ(file.writeTextCells(3, title, refusedText), kExcelOverflow);
    EXPECT_EQ(file.writeTextCells(3, title, refusedColumn), kExcelOverflow);
    EXPECT_EQ(file.writeTextCells(0, title, row), kExcelOverflow);
    EXPECT_EQ(file.writeTextCells(4, title, {}), 0);
    // The CJK character of the refused rows was not written, so not counted.
    EXPECT_EQ(file.replacedCharacters(), 0u);
    EXPECT_EQ(written(), label("04 00 0B 00 01 00 00 00 01 40 01 03", "Ann") +
                             hexBytes("04 00 08 00 01 00 02 00 01 40 01 00") +
                             label("04 00 0B 00 01 00 01 00 01 40 01 03", "Zo\xEB"));
}

// Rows sort as the unsigned numbers they are stored as: row 65,536 (FF FF) last.
TEST_F(ExcelFileTest, PageBreaksAreSortedAndWrittenAtClose) {
    for (const int row : {10, 65536, 3, 10, 40000}) EXPECT_EQ(file.InsertHorizPageBreak(row), 0);
    EXPECT_EQ(file.InsertHorizPageBreak(0), kExcelOverflow);
    EXPECT_EQ(file.WriteValue(kTextCell, 0, 0, 0, 1, 1, ""), 0);
    EXPECT_EQ(written(),
              hexBytes("04 00 08 00 00 00 00 00 00 00 00 00  1B 00 0C 00 05 00 02 00 09 00 09 00 3F 9C FF FF"));
    // The next file starts without them.
    ASSERT_EQ(file.CreateFile(dir.path() / "next.xls"), 0);
    ASSERT_EQ(file.CloseFile(), 0);
    EXPECT_EQ(readFile(dir.path() / "next.xls").size(), 400u);
}

TEST_F(ExcelFileTest, ARecordLargerThanTheWriteBufferIsWrittenWhole) {
    // The most page breaks one record holds: 65,538 bytes, more than the
    // 64 KiB the file keeps before writing, behind a cell already buffered.
    EXPECT_EQ(file.WriteValue(kTextCell, 0, 0, 0, 1, 1, "x"), 0);
    for (int row = 32766; row >= 1; --row) ASSERT_EQ(file.InsertHorizPageBreak(row + 1), 0);
    std::string expected = hexBytes("04 00 09 00 00 00 00 00 00 00 00 01 78  1B 00 FE FF FE 7F");
    for (int row = 1; row <= 32766; ++row)
        expected += std::string{static_cast<char>(row & 0xFF), static_cast<char>(row >> 8)};
    EXPECT_EQ(written(), expected);
}

// A folder that already holds "sheet.xls", and a new file of that name
// created there.
class ExcelFileOverEarlierFile : public ::testing::Test {
protected:
    void SetUp() override {
        testing::writeFile(path, "earlier sheet");
        ASSERT_EQ(file.CreateFile(path), 0) << file.lastError();
    }

    TempDir dir;
    const fs::path path = dir.path() / "sheet.xls";
    ExcelFile file{DateTextFormat::iso()};
};

TEST_F(ExcelFileOverEarlierFile, AFullDiskIsReportedAndTheEarlierFileKept) {
    std::int16_t result = 0;
    {
        const testing::ScopedFileSizeLimit fullDisk(4096);
        for (int row = 1; row <= 1000 && result == 0; ++row)
            result = file.WriteValue(kTextCell, 0, 0, 0, row, 1, std::string(200, 'x'));
        if (result == 0) result = file.CloseFile();
    }
    EXPECT_EQ(result, kExcelDiskFull);
    EXPECT_NE(file.lastError().find(path.string()), std::string::npos) << file.lastError();
    EXPECT_NE(file.lastError().find("File too large"), std::string::npos) << file.lastError();
    // The failure stays: the file has a gap from there on.
    EXPECT_EQ(file.WriteValue(kTextCell, 0, 0, 0, 1, 2, "x"), kExcelDiskFull);
    EXPECT_EQ(file.CloseFile(), kExcelDiskFull);
    file.AbandonFile();
    EXPECT_EQ(folderEntries(dir.path()), std::vector<fs::path>{"sheet.xls"});
    EXPECT_EQ(readFile(path), "earlier sheet");
    EXPECT_EQ(file.CloseFile(), kExcelNoOpenFile);
}

TEST(ExcelFileStaging, AnUnfinishedFileIsDroppedByANewFileOrTheDestructor) {
    TempDir dir;
    {
        ExcelFile file(DateTextFormat::iso());
        ASSERT_EQ(file.CreateFile(dir.path() / "first.xls"), 0);
        ASSERT_EQ(file.CreateFile(dir.path() / "second.xls"), 0);
        EXPECT_EQ(folderEntries(dir.path()).size(), 0u);  // unfinished files have no name
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(ExcelFileFailures, AFileThatCannotBeCreatedIsReportedWithTheFileAndTheCause) {
    TempDir dir;
    const fs::path missing = dir.path() / "missing" / "sheet.xls";
    ExcelFile file(DateTextFormat::iso());
    EXPECT_EQ(file.CreateFile(missing), kExcelPathNotFound);
    EXPECT_NE(file.lastError().find(missing.string() + "\": No such file or directory"), std::string::npos)
        << file.lastError();
    EXPECT_EQ(file.SetHeader("x"), kExcelNoOpenFile);  // nothing was opened
    EXPECT_EQ(file.CloseFile(), 0);
    // Creating files in /sys is refused even to the superuser.
    EXPECT_EQ(file.CreateFile("/sys/sheet.xls"), kExcelPermissionDenied);
    EXPECT_NE(file.lastError().find("/sys/sheet.xls"), std::string::npos) << file.lastError();
}

}  // namespace
}  // namespace tessaly
