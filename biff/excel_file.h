#pragma once
// ExcelFile writes one worksheet in the BIFF 2.1 format (the record format of
// Excel 2.1), record by record, straight to the file: each call appends its
// record at once, and only the horizontal page breaks are held back until the
// file is closed. Nothing else is kept in memory, so a sheet of any length takes
// constant memory.
//
// Operations return 0 or an error number (see excel_errors.h): 6 when a value
// does not fit its field, 13 when a value cannot become the cell's type, 52
// when no file is open, and the input/output numbers for a failure of the file
// itself. A call refused for its values writes nothing. `lastError()` gives the
// text of the latest failure, naming the file and the cause.
//
// The file is written under a temporary name beside the final one and renamed
// into place by `CloseFile`; `AbandonFile` (and the destructor, for a file that
// was never closed) removes the temporary file and leaves the final name as it
// was.
//
// Texts come in as UTF-8 and are stored one byte per character in Windows-1252;
// a character outside that code page is stored as '?' and counted. A CODEPAGE
// record after BOF tells readers so.
//
// Rows and columns are counted from 1, as the callers count them; the file
// holds them counted from 0.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "biff/cell_value.h"
#include "biff/date_text.h"
#include "biff/excel_errors.h"
#include "biff/record_builder.h"
#include "common/staged_file.h"

namespace tessaly {

// `ValueType` of WriteValue; any other value writes nothing.
constexpr std::int32_t kIntegerCell = 0;
constexpr std::int32_t kNumberCell = 1;
constexpr std::int32_t kTextCell = 2;

// `FontFormat` flags of SetFont.
constexpr std::int32_t kFontBold = 1;
constexpr std::int32_t kFontItalic = 2;
constexpr std::int32_t kFontUnderlined = 4;
constexpr std::int32_t kFontStruckOut = 8;

// `Margin` of SetMargin: the record number of each margin.
constexpr std::int32_t kLeftMargin = 0x26;
constexpr std::int32_t kRightMargin = 0x27;
constexpr std::int32_t kTopMargin = 0x28;
constexpr std::int32_t kBottomMargin = 0x29;

// `Alignment` of WriteValue: horizontal alignment in bits 0-2, borders and
// shading above.
constexpr std::int32_t kAlignGeneral = 0;
constexpr std::int32_t kAlignLeft = 1;
constexpr std::int32_t kAlignCentred = 2;
constexpr std::int32_t kAlignRight = 3;
constexpr std::int32_t kAlignFilled = 4;

// `CellFontUsed` of WriteValue for font 0 to 3: the index in bits 6-7.
constexpr std::int32_t cellFontBits(int fontIndex) { return fontIndex * 64; }

// `HiddenLocked` of WriteValue: the flags in bits 6 and 7; bits 0-5 hold the
// index of the cell's XF record (see addCellFormat), where readers look up how
// the cell looks.
constexpr std::int32_t kCellLocked = 0x40;
constexpr std::int32_t kFormulaHidden = 0x80;

// The three attribute bytes of a cell record, as WriteValue makes them:
// `HiddenLocked`, `CellFontUsed` + `CellFormat`, `Alignment`.
struct CellAttributes {
    std::uint8_t hiddenLocked = 0;
    std::uint8_t fontAndFormat = 0;
    std::uint8_t alignment = 0;
};

// A cell of ExcelFile::writeTextCells: its column (from 1) and its text (UTF-8).
struct TextCell {
    std::int32_t column = 0;
    std::string_view text;
};

class ExcelFile {
public:
    // `dates` decides how date values read in text cells.
    explicit ExcelFile(DateTextFormat dates = DateTextFormat::fromEnvironment());
    ExcelFile(const ExcelFile&) = delete;
    ExcelFile& operator=(const ExcelFile&) = delete;

    // Starts a new file that will be named `FileName` when closed: writes BOF,
    // CODEPAGE and the default formats, and empties the page breaks. Never
    // deletes anything; a file still open from an earlier CreateFile is
    // abandoned. Returns 0 or the error number of the failure.
    std::int16_t CreateFile(const std::filesystem::path& FileName);

    // Writes the page breaks (if any were asked for) and EOF, and renames the
    // finished file over its final name. 0 when no file was ever created; 52
    // when it is already closed. On a failure the file stays open, unfinished,
    // for AbandonFile.
    std::int16_t CloseFile();

    // Drops the file being written: its temporary file is removed and the final
    // name left untouched. Later operations fail with 52.
    void AbandonFile() noexcept;

    // Asks for a page break above row `lrow` (1 to 65536); written by CloseFile.
    std::int16_t InsertHorizPageBreak(std::int32_t lrow);

    // One INTEGER (ValueType 0), NUMBER (1) or LABEL (2) record at `lrow`,
    // `lcol` (1 to 65536 each). The attribute bytes are `HiddenLocked`,
    // `CellFontUsed` + `CellFormat` and `Alignment`, each 0 to 255. An integer
    // cell rounds half to even; a text cell takes a text as it is, a number as
    // its decimal text and a date in the general date form, at most 255
    // characters. Any other ValueType writes nothing and returns 0.
    std::int16_t WriteValue(std::int32_t ValueType, std::int32_t CellFontUsed, std::int32_t Alignment,
                            std::int32_t HiddenLocked, std::int32_t lrow, std::int32_t lcol,
                            const CellValue& value, std::int32_t CellFormat = 0);

    // An XF record: the next cell format of the file (0, 1, ... in the order
    // declared), looking as a cell with the given attributes looks: the font
    // in bits 6-7 of `CellFontUsed`, the number format `CellFormat`, the
    // locked and hidden flags of `HiddenLocked` and the alignment byte.
    // Excel 2.1 and the readers that follow it take a cell's looks from the
    // XF its first attribute byte names; a cell's own copy of them serves
    // readers of files without XF records. Each value 0 to 255, as for
    // WriteValue.
    std::int16_t addCellFormat(std::int32_t CellFontUsed, std::int32_t Alignment, std::int32_t HiddenLocked,
                               std::int32_t CellFormat = 0);

    // The text cells (LABEL records) of one row, `lrow`, with the same
    // attribute bytes, in the order given, written at once: what WriteValue
    // writes for each as a text cell. A sheet's rows take this path. A column
    // outside 1 to 65536, or a text longer than 255 characters once stored,
    // refuses the whole row (6), and nothing of it is written.
    std::int16_t writeTextCells(std::int32_t lrow, const CellAttributes& attributes, std::span<const TextCell> cells);

    // A margin record; `Margin` is its record number (kLeftMargin ...), inches.
    std::int16_t SetMargin(std::int32_t Margin, double MarginValue);

    // COLWIDTH for columns `FirstColumn` to `LastColumn` (from 1), `WidthValue`
    // characters (up to 127).
    std::int32_t SetColumnWidth(std::uint8_t FirstColumn, std::uint8_t LastColumn, std::int16_t WidthValue);

    // FONT: the next font index (0 to 3 are usable by cells), `FontHeight` in
    // points (up to 1638), `FontFormat` the sum of the kFont... flags.
    std::int16_t SetFont(std::string_view FontName, std::int16_t FontHeight, std::int32_t FontFormat);

    std::int16_t SetHeader(std::string_view HeaderText);
    std::int16_t SetFooter(std::string_view FooterText);
    std::int16_t SetFilePassword(std::string_view PasswordText);

    // PRINTGRIDLINES and PROTECT, written each time they are set. A failure is
    // not returned; it shows in the next operation that writes.
    void PrintGridLines(bool newvalue);
    void ProtectSpreadsheet(bool newvalue);

    // FORMATCOUNT and the 24 FORMAT records; CreateFile calls it.
    std::int16_t WriteDefaultFormats();

    // The two bytes of `x`, low byte first.
    static std::string MKI(std::int16_t x);

    // DEFAULTROWHEIGHT and ROW, heights in points (up to 1638).
    std::int32_t SetDefaultRowHeight(std::int16_t HeightValue);
    std::int32_t SetRowHeight(std::int32_t lrow, std::int16_t HeightValue);

    // The text of the latest failure: which file or record, and the cause.
    const std::string& lastError() const { return lastError_; }

    // Characters written as '?' since CreateFile, in every text of the file.
    std::size_t replacedCharacters() const { return replacedCharacters_; }

    // The final name of the file being (or last) written.
    const std::filesystem::path& fileName() const { return file_.finalPath(); }

private:
    enum class State { NoFile, Open, Closed };

    std::int16_t fail(std::int16_t number, std::string text);
    std::int16_t failOverflow(std::string_view record, std::string_view what);
    std::int16_t failIo(std::string_view action, int errnoValue);
    // The attribute bytes of a cell or XF record; 6 when one does not fit a byte.
    std::int16_t makeAttributes(std::string_view record, std::int32_t CellFontUsed, std::int32_t Alignment,
                                std::int32_t HiddenLocked, std::int32_t CellFormat, CellAttributes& attributes);
    // Checks that a file is open; 52 otherwise.
    std::int16_t requireOpenFile();
    // Writes the record built so far; 0 or the error number.
    std::int16_t emitRecord();
    // `text` in Windows-1252: itself when it is ASCII, else converted into
    // `encoded_`; replacements are counted into `pendingReplaced_` (added to
    // the total once the record is written). Valid until the next call.
    std::string_view encode(std::string_view text);
    // Writes `records` to the file; 0 or the error number. The characters that
    // their texts replaced are counted once they are written.
    std::int16_t emit(std::string_view records);
    // Room for `bytes` bytes of LABEL records, in labels_.
    char* labelRoom(std::size_t bytes);
    // A record made of a count byte and text (HEADER, FOOTER): fixed part,
    // then the text.
    std::int16_t writeCountedText(std::uint16_t recordNumber, std::string_view recordName, std::string_view text);

    DateTextFormat dates_;
    StagedFile file_;
    State state_ = State::NoFile;
    RecordBuilder record_;
    std::vector<std::uint16_t> breakRows_;
    std::vector<char> labels_;  // LABEL records put together, kept for its room
    std::string encoded_;
    std::string cellText_;
    std::size_t pendingReplaced_ = 0;
    std::size_t replacedCharacters_ = 0;
    std::string lastError_;
};

}  // namespace tessaly
