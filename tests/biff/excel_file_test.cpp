#include "biff/excel_file.h"
#include "biff/staged_file.h"

#include <gtest/gtest.h>

#include <cerrno>

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
    EXPECT_EQ(written(), "");
    EXPECT_EQ(file.WriteValue(kTextCell, 0, 1, 0, 1, 1, "x"), kExcelNoOpenFile);
    EXPECT_EQ(file.lastError(), "no worksheet file is open");
    EXPECT_EQ(file.SetRowHeight(1, 10), kExcelNoOpenFile);
    EXPECT_EQ(file.CloseFile(), kExcelNoOpenFile);
    file.PrintGridLines(true);
    EXPECT_EQ(readFile(path).size(), 400u);
}

TEST_F(ExcelFileTest, FontRecord) {
    EXPECT_EQ(file.SetFont("Verdana", 10, kFontBold), 0);
    EXPECT_EQ(file.SetFont("Courier", 14, kFontBold | kFontItalic), 0);
    EXPECT_EQ(file.SetFont("Max", 1638, 255), 0);
    EXPECT_EQ(file.SetFont("Big", 1639, 0), kExcelOverflow);
    EXPECT_EQ(file.SetFont("Odd", 10, 256), kExcelOverflow);
    EXPECT_EQ(file.SetFont(std::string(256, 'n'), 10, 0), kExcelOverflow);
    EXPECT_EQ(written(), label("31 00 0C 00 C8 00 01 00 07", "Verdana") + label("31 00 0C 00 18 01 03 00 07", "Courier") +
                             label("31 00 08 00 F8 7F FF 00 03", "Max"));
}

TEST_F(ExcelFileTest, HeaderAndFooterRecords) {
    EXPECT_EQ(file.SetHeader("BIFF 2.1 API"), 0);
    EXPECT_EQ(file.SetHeader(""), 0);
    EXPECT_EQ(file.SetFooter("Page &P"), 0);
    EXPECT_EQ(file.SetFooter(std::string(256, 'f')), kExcelOverflow);
    EXPECT_EQ(written(), label("14 00 0D 00 0C", "BIFF 2.1 API") + hexBytes("14 00 01 00 00") +
                             label("15 00 08 00 07", "Page &P"));
}

TEST_F(ExcelFileTest, LabelRecordHoldsTextsAndNumbersAndDatesAsText) {
    EXPECT_EQ(file.WriteValue(kTextCell, cellFontBits(1), kAlignLeft, 0, 1, 4, "Email", 0), 0);
    EXPECT_EQ(file.WriteValue(kTextCell, 0, kAlignLeft, 0, 2, 1, "Ann"), 0);
    EXPECT_EQ(file.WriteValue(kTextCell, 0, kAlignLeft, 0, 2, 2, ""), 0);
    EXPECT_EQ(file.WriteValue(kTextCell, 0, 0, 0, 1, 1, 2.5), 0);
    EXPECT_EQ(file.WriteValue(kTextCell, 0, 0, 0, 1, 2, CellDate{25641}), 0);
    EXPECT_EQ(file.WriteValue(kTextCell, 0, 0, 0, 1, 3, CellDate{25641.5}), 0);
    EXPECT_EQ(file.WriteValue(kTextCell, 0, 0, 0, 1, 4, CellDate{1e7}), kExcelOverflow);
    EXPECT_EQ(written(), label("04 00 0D 00 00 00 03 00 00 40 01 05", "Email") +
                             label("04 00 0B 00 01 00 00 00 00 00 01 03", "Ann") +
                             hexBytes("04 00 08 00 01 00 01 00 00 00 01 00") +
                             label("04 00 0B 00 00 00 00 00 00 00 00 03", "2.5") +
                             label("04 00 12 00 00 00 01 00 00 00 00 0A", "1970-03-14") +
                             label("04 00 1B 00 00 00 02 00 00 00 00 13", "1970-03-14 12:00:00"));
}

TEST_F(ExcelFileTest, LabelHoldsAtMost255Characters) {
    const std::string longest(255, 'a');
    EXPECT_EQ(file.WriteValue(kTextCell, 0, 0, 0, 1, 1, longest), 0);
    EXPECT_EQ(file.WriteValue(kTextCell, 0, 0, 0, 1, 2, std::string(256, 'b')), kExcelOverflow);
    // The limit counts characters as stored, one byte each: 255 two-byte UTF-8
    // letters fit, 256 do not.
    std::string accented;
    for (int i = 0; i < 256; ++i) accented += "\xC3\xA9";
    EXPECT_EQ(file.WriteValue(kTextCell, 0, 0, 0, 1, 3, accented), kExcelOverflow);
    EXPECT_EQ(file.WriteValue(kTextCell, 0, 0, 0, 1, 3, accented.substr(2)), 0);
    EXPECT_EQ(written(), hexBytes("04 00 07 01 00 00 00 00 00 00 00 FF") + longest +
                             hexBytes("04 00 07 01 00 00 02 00 00 00 00 FF") + std::string(255, '\xE9'));
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

TEST_F(ExcelFileTest, IntegerRecordRoundsHalfToEven) {
    const std::vector<std::pair<CellValue, std::string>> cases = {
        {2.5, "02 00"}, {3.5, "04 00"}, {-1, "FF FF"}, {" 12 ", "0C 00"}, {-32768, "00 80"}};
    std::string expected;
    for (const auto& [value, bits] : cases) {
        EXPECT_EQ(file.WriteValue(kIntegerCell, 0, 0, 0, 1, 1, value), 0);
        expected += hexBytes("02 00 09 00 00 00 00 00 00 00 00 " + bits);
    }
    EXPECT_EQ(file.WriteValue(kIntegerCell, 0, 0, 0, 1, 1, 32767.5), kExcelOverflow);
    EXPECT_EQ(file.WriteValue(kIntegerCell, 0, 0, 0, 1, 1, "twelve"), kExcelTypeMismatch);
    EXPECT_EQ(file.WriteValue(kIntegerCell, 0, 0, 0, 1, 1, ""), kExcelTypeMismatch);
    EXPECT_EQ(written(), expected);
}

TEST_F(ExcelFileTest, NumberRecordHoldsADouble) {
    EXPECT_EQ(file.WriteValue(kNumberCell, cellFontBits(3), kAlignRight, kCellLocked, 3, 2, 1.5, 4), 0);
    EXPECT_EQ(file.WriteValue(kNumberCell, 0, 0, 0, 1, 1, "-2"), 0);
    EXPECT_EQ(file.WriteValue(kNumberCell, 0, 0, 0, 1, 1, CellDate{2}), 0);
    EXPECT_EQ(file.WriteValue(kNumberCell, 0, 0, 0, 1, 1, "1,5"), kExcelTypeMismatch);
    EXPECT_EQ(written(), hexBytes("03 00 0F 00 02 00 01 00 40 C4 03 00 00 00 00 00 00 F8 3F") +
                             hexBytes("03 00 0F 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 C0") +
                             hexBytes("03 00 0F 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 40"));
}

TEST_F(ExcelFileTest, CellAttributesAndPositionsMustFitTheirFields) {
    EXPECT_EQ(file.WriteValue(kTextCell, cellFontBits(3), 0xFF, 0xFF, 65536, 65536, "", 63), 0);
    EXPECT_EQ(file.WriteValue(kTextCell, cellFontBits(3), 0, 0, 1, 1, "", 64), kExcelOverflow);
    EXPECT_EQ(file.WriteValue(kTextCell, 0, 256, 0, 1, 1, ""), kExcelOverflow);
    EXPECT_EQ(file.WriteValue(kTextCell, 0, -1, 0, 1, 1, ""), kExcelOverflow);
    EXPECT_EQ(file.WriteValue(kTextCell, 0, 0, 256, 1, 1, ""), kExcelOverflow);
    EXPECT_EQ(file.WriteValue(kTextCell, 0, 0, 0, 0, 1, ""), kExcelOverflow);
    EXPECT_EQ(file.WriteValue(kTextCell, 0, 0, 0, 65537, 1, ""), kExcelOverflow);
    EXPECT_EQ(file.WriteValue(kTextCell, 0, 0, 0, 1, 0, ""), kExcelOverflow);
    EXPECT_NE(file.lastError().find("column 0"), std::string::npos) << file.lastError();
    EXPECT_EQ(written(), hexBytes("04 00 08 00 FF FF FF FF FF FF FF 00"));
}

TEST_F(ExcelFileTest, MarginRecords) {
    EXPECT_EQ(file.SetMargin(kLeftMargin, 0.75), 0);
    EXPECT_EQ(file.SetMargin(kBottomMargin, 1.0), 0);
    EXPECT_EQ(file.SetMargin(70000, 1.0), kExcelOverflow);
    EXPECT_EQ(written(), hexBytes("26 00 08 00 00 00 00 00 00 00 E8 3F  29 00 08 00 00 00 00 00 00 00 F0 3F"));
}

TEST_F(ExcelFileTest, ColumnWidthRecord) {
    EXPECT_EQ(file.SetColumnWidth(1, 3, 20), 0);
    EXPECT_EQ(file.SetColumnWidth(255, 255, 127), 0);
    EXPECT_EQ(file.SetColumnWidth(1, 1, 128), kExcelOverflow);
    EXPECT_EQ(file.SetColumnWidth(0, 2, 10), kExcelOverflow);
    EXPECT_EQ(file.SetColumnWidth(2, 0, 10), kExcelOverflow);
    EXPECT_EQ(written(), hexBytes("24 00 04 00 00 02 00 14  24 00 04 00 FE FE 00 7F"));
}

TEST_F(ExcelFileTest, RowHeightRecords) {
    EXPECT_EQ(file.SetDefaultRowHeight(15), 0);
    EXPECT_EQ(file.SetDefaultRowHeight(1639), kExcelOverflow);
    EXPECT_EQ(file.SetRowHeight(3, 12), 0);
    EXPECT_EQ(file.SetRowHeight(0, 12), kExcelOverflow);
    EXPECT_EQ(file.SetRowHeight(3, -1639), kExcelOverflow);
    EXPECT_EQ(written(), hexBytes("25 00 02 00 2C 01  08 00 10 00 02 00 00 00 00 01 F0 00 00 00 00 00 00 00 00 00"));
}

TEST_F(ExcelFileTest, PasswordRecordHasNoCountByte) {
    EXPECT_EQ(file.SetFilePassword("secret"), 0);
    EXPECT_EQ(file.SetFilePassword(""), 0);
    EXPECT_EQ(written(), hexBytes("2F 00 06 00") + "secret" + hexBytes("2F 00 00 00"));
}

TEST_F(ExcelFileTest, GridLinesAndProtectionRecords) {
    file.PrintGridLines(true);
    file.PrintGridLines(false);
    file.ProtectSpreadsheet(true);
    file.ProtectSpreadsheet(false);
    EXPECT_EQ(written(), hexBytes("2B 00 02 00 01 00  2B 00 02 00 00 00  12 00 02 00 01 00  12 00 02 00 00 00"));
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

TEST_F(ExcelFileOverEarlierFile, WritesUnderATemporaryNameAndRenamesOnClose) {
    EXPECT_EQ(file.fileName(), path);
    ASSERT_EQ(file.WriteValue(kTextCell, 0, 0, 0, 1, 1, std::string(255, 'x')), 0);
    // The earlier file stays whole while the new one is written beside it.
    EXPECT_EQ(readFile(path), "earlier sheet");
    ASSERT_EQ(folderEntries(dir.path()).size(), 2u);

    ASSERT_EQ(file.CloseFile(), 0);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<fs::path>{"sheet.xls"});
    EXPECT_EQ(readFile(path).size(), 400u + 4 + 8 + 255);
}

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

TEST(ExcelFileStaging, AFileThatIsNotOpenTakesNoBytes) {
    StagedFile file;
    EXPECT_EQ(file.write("x"), EBADF);
}

TEST(ExcelFileStaging, AnUnfinishedFileIsDroppedByANewFileOrTheDestructor) {
    TempDir dir;
    {
        ExcelFile file(DateTextFormat::iso());
        ASSERT_EQ(file.CreateFile(dir.path() / "first.xls"), 0);
        ASSERT_EQ(file.CreateFile(dir.path() / "second.xls"), 0);
        EXPECT_EQ(folderEntries(dir.path()).size(), 1u);
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
