#pragma once
// The contact sheet: the worksheet target of a conversion run. One file,
// "vCardContactsExported.xls" in the run's output folder, with a title row of
// 36 columns and one row of 36 left-aligned text cells per card below it.
//
// Values are written as they come, untrimmed. A value longer than a cell's 255
// characters keeps its first 255; a character outside Windows-1252 becomes '?';
// a card beyond the format's last row (65,536) is not written; a date outside
// the years 100 to 9999, which the sheet's date text cannot show, leaves its
// cell empty. All four are counted for the run's report, and so are cards below
// row 16,384, the last row that Excel 2.x and some readers still take.
//
// A failure of the file itself throws SheetWriteError and abandons the sheet:
// its temporary file is removed and an earlier sheet of that name stays as it
// was.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "biff/date_text.h"
#include "biff/excel_contact.h"
#include "biff/excel_file.h"
#include "vcard/contact_record.h"

namespace tessaly {

inline constexpr std::string_view kContactSheetFileName = "vCardContactsExported.xls";
inline constexpr int kContactSheetColumns = 36;
// The last row the format's 16-bit row field can address.
inline constexpr std::int32_t kLastSheetRow = 65536;
// The last row of Excel 2.x; python3-xlrd refuses a sheet that goes past it.
inline constexpr std::int32_t kExcel2LastRow = 16384;

// The titles of row 1, column 1 first.
const std::array<std::string_view, kContactSheetColumns>& contactSheetTitles();

// What the sheet changed or left out, for the run's end report.
struct ContactSheetCounts {
    std::size_t shortenedCells = 0;      // values cut to their first 255 characters
    std::size_t replacedCharacters = 0;  // characters written as '?'
    std::size_t cardsBeyondLastRow = 0;  // cards not written: the sheet was full
    std::size_t cardsPastRow16384 = 0;   // cards written below row 16,384
    std::size_t datesLeftOut = 0;        // dates outside the years 100 to 9999, cells left empty
};

// The sheet's file could not be created or written.
class SheetWriteError : public std::runtime_error {
public:
    SheetWriteError(std::int16_t errorNumber, const std::string& message)
        : std::runtime_error(message), errorNumber_(errorNumber) {}
    // The ExcelFile error number of the failure.
    std::int16_t errorNumber() const { return errorNumber_; }

private:
    std::int16_t errorNumber_;
};

class ContactSheet {
public:
    // `dates` decides how birthdays and anniversaries read.
    explicit ContactSheet(DateTextFormat dates = DateTextFormat::fromEnvironment());

    // The sheet's set-up: creates the file in `outputFolder`, declares the four
    // fonts, the page header "BIFF 2.1 API" and the formats (XF) of the card
    // cells and the title cells and writes the title row.
    // Throws SheetWriteError.
    void open(const std::filesystem::path& outputFolder);

    // Writes one card in row `xlsCnt` + 1 (so the first card, xlsCnt 1, goes
    // to row 2). Columns are written in the order 1-8, 14-18, 9-13, 19-36.
    // Throws SheetWriteError when the file fails and std::invalid_argument for
    // an `xlsCnt` below 1.
    void Save2ExcelContact(const ExcelContact& contact, std::int32_t xlsCnt);
    void Save2ExcelContact(const ContactRecord& record, std::int32_t xlsCnt);

    // Finishes the file and renames it to its final name. Throws
    // SheetWriteError (the sheet is then abandoned).
    void close();

    // Drops an unfinished sheet (for a failed run); the final name is left as
    // it was.
    void abandon() noexcept { file_.AbandonFile(); }

    ContactSheetCounts counts() const;

    // The sheet's final path.
    const std::filesystem::path& path() const { return file_.fileName(); }

private:
    // Throws SheetWriteError for a failed ExcelFile result.
    void check(std::int16_t result);
    // Whether card `xlsCnt` falls beyond the sheet's last row; such a card is
    // counted.
    bool beyondLastRow(std::int32_t xlsCnt);
    // `text` as a cell holds it: its first 255 characters (counted when cut).
    std::string_view cellText(std::string_view text);
    // The text of a date's cell, made in `text`: empty for no date, and for a
    // date outside the years 100 to 9999 (counted).
    std::string_view dateText(DateValue date, std::string& text);

    ExcelFile file_;
    DateTextFormat dates_;
    std::array<std::string, 2> dateTexts_;  // the texts of a card's two dates
    std::array<std::string, 2> streetCells_;  // a card's street cells when a post-office box joins them
    ContactSheetCounts counts_;
};

}  // namespace tessaly
