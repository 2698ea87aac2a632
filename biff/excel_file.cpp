#include "biff/excel_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "biff/default_formats.h"
#include "common/utf8.h"
#include "common/windows1252.h"

namespace tessaly {

namespace {

// Record numbers of BIFF2.
constexpr std::uint16_t kBof = 0x0009;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kCodePage = 0x0042;
constexpr std::uint16_t kFormatCount = 0x001F;
constexpr std::uint16_t kFormat = 0x001E;
constexpr std::uint16_t kFont = 0x0031;
constexpr std::uint16_t kHeader = 0x0014;
constexpr std::uint16_t kFooter = 0x0015;
constexpr std::uint16_t kFilePass = 0x002F;
constexpr std::uint16_t kPrintGridLines = 0x002B;
constexpr std::uint16_t kProtect = 0x0012;
constexpr std::uint16_t kColWidth = 0x0024;
constexpr std::uint16_t kDefaultRowHeight = 0x0025;
constexpr std::uint16_t kRow = 0x0008;
constexpr std::uint16_t kInteger = 0x0002;
constexpr std::uint16_t kNumber = 0x0003;
constexpr std::uint16_t kLabel = 0x0004;
constexpr std::uint16_t kHorizontalPageBreaks = 0x001B;
constexpr std::uint16_t kXf = 0x0043;

constexpr std::uint16_t kBiffVersion = 2;
constexpr std::uint16_t kWorksheet = 0x0010;
// The code page number of Windows-1252 in BIFF2 and BIFF3 files.
constexpr std::uint16_t kWindows1252CodePage = 0x8001;
// FORMATCOUNT holds the highest format index, not the number of formats.
constexpr std::uint16_t kHighestFormatIndex = 23;

constexpr std::size_t kMaxCountedText = 255;
constexpr std::size_t kMaxRecordData = 0xFFFF;

// A LABEL record's parts before its text: record number, data length, row,
// column, the three attribute bytes and the count byte.
constexpr std::size_t kLabelFixedBytes = 12;

// Puts a LABEL record of `text` (at most 255 bytes) at `out` and returns where
// it ends. Most of a sheet is made of these: they are put together straight
// into one buffer, a row of them at a time, rather than each in a
// RecordBuilder of its own.
inline char* putLabel(char* out, std::uint16_t row, std::uint16_t column, const CellAttributes& attributes,
                      std::string_view text) {
    const auto put16 = [&out](std::uint16_t value) {
        *out++ = static_cast<char>(value & 0xFF);
        *out++ = static_cast<char>(value >> 8);
    };
    put16(kLabel);
    put16(static_cast<std::uint16_t>(8 + text.size()));
    put16(row);
    put16(column);
    *out++ = static_cast<char>(attributes.hiddenLocked);
    *out++ = static_cast<char>(attributes.fontAndFormat);
    *out++ = static_cast<char>(attributes.alignment);
    *out++ = static_cast<char>(text.size());
    if (!text.empty()) std::memcpy(out, text.data(), text.size());  // an empty view may have no data at all
    return out + text.size();
}

// Row and column numbers from 1 become 16-bit fields counted from 0.
bool toRowOrColumnField(std::int32_t number, std::uint16_t& field) {
    if (number < 1 || number > 0x10000) return false;
    field = static_cast<std::uint16_t>(number - 1);
    return true;
}

bool toByte(std::int64_t value, std::uint8_t& byte) {
    if (value < 0 || value > 0xFF) return false;
    byte = static_cast<std::uint8_t>(value);
    return true;
}

// A product that must fit a signed 16-bit field, stored as its two's-complement bits.
bool toScaled16(std::int32_t value, std::int32_t factor, std::uint16_t& field) {
    const std::int32_t product = value * factor;
    if (product < std::numeric_limits<std::int16_t>::min() || product > std::numeric_limits<std::int16_t>::max())
        return false;
    field = static_cast<std::uint16_t>(static_cast<std::int16_t>(product));
    return true;
}

}  // namespace

ExcelFile::ExcelFile(DateTextFormat dates) : dates_(std::move(dates)) {}

std::int16_t ExcelFile::fail(std::int16_t number, std::string text) {
    // A refused record is not written, so the characters it replaced do not count.
    pendingReplaced_ = 0;
    lastError_ = std::move(text);
    return number;
}

std::int16_t ExcelFile::failOverflow(std::string_view record, std::string_view what) {
    return fail(kExcelOverflow, std::string(record) + ": " + std::string(what) + " does not fit its field");
}

std::int16_t ExcelFile::failIo(std::string_view action, int errnoValue) {
    return fail(excelErrorForErrno(errnoValue),
                "cannot " + std::string(action) + " \"" + file_.finalPath().string() + "\": " + std::strerror(errnoValue));
}

std::int16_t ExcelFile::makeAttributes(std::string_view record, std::int32_t CellFontUsed, std::int32_t Alignment,
                                       std::int32_t HiddenLocked, std::int32_t CellFormat, CellAttributes& attributes) {
    if (!toByte(HiddenLocked, attributes.hiddenLocked)) return failOverflow(record, "the hidden/locked byte");
    if (!toByte(std::int64_t{CellFontUsed} + CellFormat, attributes.fontAndFormat))
        return failOverflow(record, "the font and format byte");
    if (!toByte(Alignment, attributes.alignment)) return failOverflow(record, "the alignment byte");
    return 0;
}

std::int16_t ExcelFile::requireOpenFile() {
    if (state_ == State::Open) return 0;
    return fail(kExcelNoOpenFile, "no worksheet file is open");
}

std::int16_t ExcelFile::emit(std::string_view records) {
    if (const std::int16_t error = requireOpenFile()) return error;
    if (const int error = file_.write(records)) return failIo("write the worksheet file", error);
    replacedCharacters_ += pendingReplaced_;
    pendingReplaced_ = 0;
    return 0;
}

std::int16_t ExcelFile::emitRecord() { return emit(record_.bytes()); }

char* ExcelFile::labelRoom(std::size_t bytes) {
    if (labels_.size() < bytes) labels_.resize(bytes);
    return labels_.data();
}

inline std::string_view ExcelFile::encode(std::string_view text) {
    pendingReplaced_ = 0;
    // Most values are plain ASCII, which Windows-1252 shares byte for byte: they
    // are used as they are.
    if (isAscii(text)) return text;
    encoded_.clear();
    appendUtf8AsWindows1252(text, encoded_, pendingReplaced_);
    return encoded_;
}

std::int16_t ExcelFile::CreateFile(const std::filesystem::path& FileName) {
    AbandonFile();
    breakRows_.clear();
    replacedCharacters_ = 0;
    lastError_.clear();
    if (const int error = file_.open(FileName)) {
        state_ = State::NoFile;
        return failIo("create the worksheet file", error);
    }
    state_ = State::Open;
    record_.start(kBof);
    record_.u16(kBiffVersion);
    record_.u16(kWorksheet);
    if (const std::int16_t error = emitRecord()) return error;
    record_.start(kCodePage);
    record_.u16(kWindows1252CodePage);
    if (const std::int16_t error = emitRecord()) return error;
    return WriteDefaultFormats();
}

std::int16_t ExcelFile::WriteDefaultFormats() {
    record_.start(kFormatCount);
    record_.u16(kHighestFormatIndex);
    if (const std::int16_t error = emitRecord()) return error;
    for (const std::string_view format : defaultNumberFormats()) {
        record_.start(kFormat);
        record_.u8(static_cast<std::uint8_t>(format.size()));
        record_.text(format);
        if (const std::int16_t error = emitRecord()) return error;
    }
    return 0;
}

std::int16_t ExcelFile::CloseFile() {
    if (state_ == State::NoFile) return 0;
    if (const std::int16_t error = requireOpenFile()) return error;
    if (!breakRows_.empty()) {
        if (breakRows_.size() > (kMaxRecordData - 2) / 2)
            return failOverflow("HORIZONTALPAGEBREAKS", "the number of page breaks");
        std::sort(breakRows_.begin(), breakRows_.end());
        record_.start(kHorizontalPageBreaks);
        record_.u16(static_cast<std::uint16_t>(breakRows_.size()));
        for (const std::uint16_t row : breakRows_) record_.text(MKI(static_cast<std::int16_t>(row)));
        if (const std::int16_t error = emitRecord()) return error;
    }
    record_.start(kEof);
    if (const std::int16_t error = emitRecord()) return error;
    if (const int error = file_.commit()) return failIo("finish the worksheet file", error);
    state_ = State::Closed;
    return 0;
}

void ExcelFile::AbandonFile() noexcept {
    file_.abandon();
    if (state_ == State::Open) state_ = State::Closed;
}

std::int16_t ExcelFile::InsertHorizPageBreak(std::int32_t lrow) {
    std::uint16_t row;
    if (!toRowOrColumnField(lrow, row)) return failOverflow("HORIZONTALPAGEBREAKS", "row " + std::to_string(lrow));
    breakRows_.push_back(row);
    return 0;
}

std::int16_t ExcelFile::WriteValue(std::int32_t ValueType, std::int32_t CellFontUsed, std::int32_t Alignment,
                                   std::int32_t HiddenLocked, std::int32_t lrow, std::int32_t lcol,
                                   const CellValue& value, std::int32_t CellFormat) {
    if (ValueType != kIntegerCell && ValueType != kNumberCell && ValueType != kTextCell) return 0;
    const std::string_view recordName = ValueType == kIntegerCell ? "INTEGER" : ValueType == kNumberCell ? "NUMBER" : "LABEL";

    std::uint16_t row, column;
    if (!toRowOrColumnField(lrow, row)) return failOverflow(recordName, "row " + std::to_string(lrow));
    if (!toRowOrColumnField(lcol, column)) return failOverflow(recordName, "column " + std::to_string(lcol));
    CellAttributes attributes;
    if (const std::int16_t error = makeAttributes(recordName, CellFontUsed, Alignment, HiddenLocked, CellFormat, attributes))
        return error;

    if (ValueType == kTextCell) {
        std::string_view text;
        if (const std::string_view* given = value.text()) {
            text = *given;
        } else if (const CellDate* date = value.date()) {
            if (!dates_.generalDate(date->days, cellText_)) return failOverflow(recordName, "the date value");
            text = cellText_;
        } else {
            cellText_ = numberText(*value.number());
            text = cellText_;
        }
        const TextCell cell{lcol, text};
        return writeTextCells(lrow, attributes, std::span(&cell, 1));
    }

    // Every conversion is made before the record is started, so a refused value
    // leaves the file as it was.
    double number = 0;
    if (!cellValueAsNumber(value, number))
        return fail(kExcelTypeMismatch, std::string(recordName) + " at row " + std::to_string(lrow) + ", column " +
                                            std::to_string(lcol) + ": the value is not a number");
    std::uint16_t integerBits = 0;
    if (ValueType == kIntegerCell) {
        const double rounded = std::nearbyint(number);  // to nearest, a half to the even one
        if (!(rounded >= std::numeric_limits<std::int16_t>::min() && rounded <= std::numeric_limits<std::int16_t>::max()))
            return failOverflow(recordName, "the value " + numberText(number));
        integerBits = static_cast<std::uint16_t>(static_cast<std::int16_t>(rounded));
    }

    record_.start(ValueType == kIntegerCell ? kInteger : kNumber);
    record_.u16(row);
    record_.u16(column);
    record_.u8(attributes.hiddenLocked);
    record_.u8(attributes.fontAndFormat);
    record_.u8(attributes.alignment);
    if (ValueType == kIntegerCell) {
        record_.u16(integerBits);
    } else {
        record_.f64(number);
    }
    return emitRecord();
}

std::int16_t ExcelFile::writeTextCells(std::int32_t lrow, const CellAttributes& attributes,
                                       std::span<const TextCell> cells) {
    std::uint16_t row;
    if (!toRowOrColumnField(lrow, row)) return failOverflow("LABEL", "row " + std::to_string(lrow));
    // The records are put together first, so a refused cell leaves the file as
    // it was, and go to the file in one write.
    char* const start = labelRoom(cells.size() * (kLabelFixedBytes + kMaxCountedText));
    char* end = start;
    std::size_t replaced = 0;
    for (const TextCell& cell : cells) {
        std::uint16_t column;
        if (!toRowOrColumnField(cell.column, column))
            return failOverflow("LABEL", "column " + std::to_string(cell.column));
        const std::string_view stored = encode(cell.text);
        if (stored.size() > kMaxCountedText)
            return failOverflow("LABEL", "a text of " + std::to_string(stored.size()) + " characters");
        replaced += pendingReplaced_;
        end = putLabel(end, row, column, attributes, stored);
    }
    pendingReplaced_ = replaced;
    return emit(std::string_view(start, static_cast<std::size_t>(end - start)));
}

std::int16_t ExcelFile::addCellFormat(std::int32_t CellFontUsed, std::int32_t Alignment, std::int32_t HiddenLocked,
                                      std::int32_t CellFormat) {
    CellAttributes attributes;
    if (const std::int16_t error = makeAttributes("XF", CellFontUsed, Alignment, HiddenLocked, CellFormat, attributes))
        return error;
    // BIFF2's XF: the font index, a byte left 0, the number format with the
    // locked and hidden flags above it, and the alignment byte as cells carry it.
    record_.start(kXf);
    record_.u8(static_cast<std::uint8_t>(attributes.fontAndFormat >> 6));
    record_.u8(0);
    record_.u8(static_cast<std::uint8_t>((attributes.fontAndFormat & 0x3F) | (attributes.hiddenLocked & 0xC0)));
    record_.u8(attributes.alignment);
    return emitRecord();
}

std::int16_t ExcelFile::SetMargin(std::int32_t Margin, double MarginValue) {
    if (Margin < std::numeric_limits<std::int16_t>::min() || Margin > std::numeric_limits<std::int16_t>::max())
        return failOverflow("margin", "record number " + std::to_string(Margin));
    record_.start(static_cast<std::uint16_t>(static_cast<std::int16_t>(Margin)));
    record_.f64(MarginValue);
    return emitRecord();
}

std::int32_t ExcelFile::SetColumnWidth(std::uint8_t FirstColumn, std::uint8_t LastColumn, std::int16_t WidthValue) {
    std::uint16_t width;
    if (FirstColumn == 0 || LastColumn == 0) return failOverflow("COLWIDTH", "column 0");
    if (!toScaled16(WidthValue, 256, width)) return failOverflow("COLWIDTH", "width " + std::to_string(WidthValue));
    record_.start(kColWidth);
    record_.u8(static_cast<std::uint8_t>(FirstColumn - 1));
    record_.u8(static_cast<std::uint8_t>(LastColumn - 1));
    record_.u16(width);
    return emitRecord();
}

std::int16_t ExcelFile::SetFont(std::string_view FontName, std::int16_t FontHeight, std::int32_t FontFormat) {
    std::uint16_t height;
    std::uint8_t format;
    if (!toScaled16(FontHeight, 20, height)) return failOverflow("FONT", "height " + std::to_string(FontHeight));
    if (!toByte(FontFormat, format)) return failOverflow("FONT", "format " + std::to_string(FontFormat));
    const std::string_view name = encode(FontName);
    if (name.size() > kMaxCountedText)
        return failOverflow("FONT", "a name of " + std::to_string(name.size()) + " characters");
    record_.start(kFont);
    record_.u16(height);
    record_.u8(format);
    record_.u8(0);
    record_.u8(static_cast<std::uint8_t>(name.size()));
    record_.text(name);
    return emitRecord();
}

std::int16_t ExcelFile::writeCountedText(std::uint16_t recordNumber, std::string_view recordName, std::string_view text) {
    const std::string_view encoded = encode(text);
    if (encoded.size() > kMaxCountedText)
        return failOverflow(recordName, "a text of " + std::to_string(encoded.size()) + " characters");
    record_.start(recordNumber);
    record_.u8(static_cast<std::uint8_t>(encoded.size()));
    record_.text(encoded);
    return emitRecord();
}

std::int16_t ExcelFile::SetHeader(std::string_view HeaderText) { return writeCountedText(kHeader, "HEADER", HeaderText); }

std::int16_t ExcelFile::SetFooter(std::string_view FooterText) { return writeCountedText(kFooter, "FOOTER", FooterText); }

std::int16_t ExcelFile::SetFilePassword(std::string_view PasswordText) {
    const std::string_view password = encode(PasswordText);
    if (password.size() > kMaxRecordData)
        return failOverflow("FILEPASS", "a password of " + std::to_string(password.size()) + " characters");
    record_.start(kFilePass);
    record_.text(password);
    return emitRecord();
}

void ExcelFile::PrintGridLines(bool newvalue) {
    record_.start(kPrintGridLines);
    record_.u16(newvalue ? 1 : 0);
    emitRecord();
}

void ExcelFile::ProtectSpreadsheet(bool newvalue) {
    record_.start(kProtect);
    record_.u16(newvalue ? 1 : 0);
    emitRecord();
}

std::string ExcelFile::MKI(std::int16_t x) {
    const auto bits = static_cast<std::uint16_t>(x);
    return std::string{static_cast<char>(bits & 0xFF), static_cast<char>(bits >> 8)};
}

std::int32_t ExcelFile::SetDefaultRowHeight(std::int16_t HeightValue) {
    std::uint16_t height;
    if (!toScaled16(HeightValue, 20, height)) return failOverflow("DEFAULTROWHEIGHT", "height " + std::to_string(HeightValue));
    record_.start(kDefaultRowHeight);
    record_.u16(height);
    return emitRecord();
}

std::int32_t ExcelFile::SetRowHeight(std::int32_t lrow, std::int16_t HeightValue) {
    std::uint16_t row, height;
    if (!toRowOrColumnField(lrow, row)) return failOverflow("ROW", "row " + std::to_string(lrow));
    if (!toScaled16(HeightValue, 20, height)) return failOverflow("ROW", "height " + std::to_string(HeightValue));
    record_.start(kRow);
    record_.u16(row);
    record_.u16(0);      // first column
    record_.u16(256);    // last column + 1
    record_.u16(height);
    record_.u16(0);
    record_.u8(0);       // no default attributes
    record_.u16(0);      // offset of the row's cells
    record_.u8(0);
    record_.u8(0);
    record_.u8(0);
    return emitRecord();
}

}  // namespace tessaly
