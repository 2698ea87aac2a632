#include "biff/contact_sheet.h"

#include "common/utf8.h"

namespace tessaly {

namespace {

// The attribute bytes of the sheet's cells: the XF record each points at (XF
// 0 and 1, declared in this order), its font and left alignment. Neither is
// locked or hidden.
constexpr CellAttributes kCardCell{0, cellFontBits(0), kAlignLeft};   // Verdana 10 plain
constexpr CellAttributes kTitleCell{1, cellFontBits(1), kAlignLeft};  // Verdana 10 bold
constexpr std::size_t kMaxCellCharacters = 255;

const std::array<std::string_view, kContactSheetColumns> kTitles = {
    "First Name",              "Middle Name",           "Last Name",
    "Email",                   "Suffix",                "Title",
    "Company",                 "Job Title",             "Location",
    "Website",                 "Department",            "Manager",
    "Assistant",               "Business Street Address", "Business City",
    "Business Zip/Postal Code", "Business State",       "Business Country",
    "Business Phone Number",   "Business FAX",          "Business CellPhone",
    "Business Pager",          "Business Other Email 1", "Business Other Email 2",
    "Business Other Email 3",  "Personal Street Address", "Personal City",
    "Personal Zip/Postal Code", "Personal State",       "Personal Country",
    "Personal Phone Number",   "Personal FAX",          "Personal CellPhone",
    "Birthday",                "Anniversary",           "Comments",
};

// Where a column's value comes from: a text argument, a date argument, or
// neither (an empty text cell).
struct CardColumn {
    std::int32_t column;
    std::string_view ExcelContact::*text;
    DateValue ExcelContact::*date;
};

constexpr CardColumn textColumn(std::int32_t column, std::string_view ExcelContact::*text) {
    return {column, text, nullptr};
}

constexpr CardColumn dateColumn(std::int32_t column, DateValue ExcelContact::*date) {
    return {column, nullptr, date};
}

// The card's cells in the order they are written: columns 1-8, 14-18, 9-13,
// 19-36, the order of the arguments that fill them. The streets come from the
// address slots, where the reader keeps them. The record has no personal mobile
// number, so column 33 stays empty.
const std::array<CardColumn, kContactSheetColumns> kCardColumns = {
    textColumn(1, &ExcelContact::xlsContact_FirstName),
    textColumn(2, &ExcelContact::xlsContact_MiddleName),
    textColumn(3, &ExcelContact::xlsContact_LastName),
    textColumn(4, &ExcelContact::xlsContact_Email),
    textColumn(5, &ExcelContact::xlsContact_Suffix),
    textColumn(6, &ExcelContact::xlsContact_Title),
    textColumn(7, &ExcelContact::xlsContact_Company),
    textColumn(8, &ExcelContact::xlsContact_JobTitle),
    textColumn(14, &ExcelContact::xlsContact_BusinessAddress),
    textColumn(15, &ExcelContact::xlsContact_BusinessCity),
    textColumn(16, &ExcelContact::xlsContact_BusinessZip),
    textColumn(17, &ExcelContact::xlsContact_BusinessState),
    textColumn(18, &ExcelContact::xlsContact_BusinessCountry),
    textColumn(9, &ExcelContact::xlsContact_Location),
    textColumn(10, &ExcelContact::xlsContact_WebPage),
    textColumn(11, &ExcelContact::xlsContact_Department),
    textColumn(12, &ExcelContact::xlsContact_Manager),
    textColumn(13, &ExcelContact::xlsContact_Assistant),
    textColumn(19, &ExcelContact::xlsContact_OfficePhone),
    textColumn(20, &ExcelContact::xlsContact_OfficeFax),
    textColumn(21, &ExcelContact::xlsContact_CellPhone),
    textColumn(22, &ExcelContact::xlsContact_Pager),
    textColumn(23, &ExcelContact::xlsContact_OtherEmail1),
    textColumn(24, &ExcelContact::xlsContact_OtherEmail2),
    textColumn(25, &ExcelContact::xlsContact_OtherEmail3),
    textColumn(26, &ExcelContact::xlsContact_PersonalAddress),
    textColumn(27, &ExcelContact::xlsContact_PersonalCity),
    textColumn(28, &ExcelContact::xlsContact_PersonalZip),
    textColumn(29, &ExcelContact::xlsContact_PersonalState),
    textColumn(30, &ExcelContact::xlsContact_PersonalCountry),
    textColumn(31, &ExcelContact::xlsContact_HomePhone),
    textColumn(32, &ExcelContact::xlsContact_HomeFax),
    textColumn(33, nullptr),
    dateColumn(34, &ExcelContact::xlsContact_BirthDay),
    dateColumn(35, &ExcelContact::xlsContact_Anniversary),
    textColumn(36, &ExcelContact::xlsContact_Comments),
};

struct FontDeclaration {
    std::string_view name;
    std::int16_t height;
    std::int32_t format;
};

// Fonts 0 to 3 of the file: the card rows use font 0, the title row font 1.
const std::array<FontDeclaration, 4> kFonts = {{
    {"Verdana", 10, 0},
    {"Verdana", 10, kFontBold},
    {"Verdana", 10, kFontBold | kFontUnderlined},
    {"Courier", 14, kFontBold | kFontItalic},
}};

// The bytes of the first `count` characters of UTF-8 text, a character being
// what becomes one byte in Windows-1252 (an invalid byte counts as one).
std::size_t prefixOfCharacters(std::string_view text, std::size_t count) {
    std::size_t position = 0;
    for (std::size_t taken = 0; taken < count && position < text.size(); ++taken) {
        if (static_cast<unsigned char>(text[position]) < 0x80) {
            ++position;
        } else {
            char32_t ignored;
            nextUtf8(text, position, ignored);
        }
    }
    return position;
}

}  // namespace

const std::array<std::string_view, kContactSheetColumns>& contactSheetTitles() { return kTitles; }

ContactSheet::ContactSheet(DateTextFormat dates) : file_(dates), dates_(std::move(dates)) {}

void ContactSheet::check(std::int16_t result) {
    if (result == kExcelOk) return;
    const std::string message = file_.lastError();
    file_.AbandonFile();
    throw SheetWriteError(result, message);
}

void ContactSheet::open(const std::filesystem::path& outputFolder) {
    counts_ = ContactSheetCounts{};
    check(file_.CreateFile(outputFolder / kContactSheetFileName));
    for (const FontDeclaration& font : kFonts) check(file_.SetFont(font.name, font.height, font.format));
    check(file_.SetHeader("BIFF 2.1 API"));
    // XF 0 and 1, the formats of the card cells and the title cells. Readers
    // that take a cell's looks from the XF record its first attribute byte
    // names, rather than from the cell's own attribute bytes, find them here
    // (Gnumeric refuses a sheet whose XF table is empty).
    for (const CellAttributes& cell : {kCardCell, kTitleCell})
        check(file_.addCellFormat(cell.fontAndFormat, cell.alignment, cell.hiddenLocked));
    std::array<TextCell, kContactSheetColumns> titles;
    for (std::size_t i = 0; i < titles.size(); ++i) titles[i] = {static_cast<std::int32_t>(i + 1), kTitles[i]};
    check(file_.writeTextCells(1, kTitleCell, titles));
}

inline std::string_view ContactSheet::cellText(std::string_view text) {
    // Byte length bounds the character count, so most values skip the count.
    if (text.size() > kMaxCellCharacters) {
        const std::size_t kept = prefixOfCharacters(text, kMaxCellCharacters);
        if (kept < text.size()) {
            text = text.substr(0, kept);
            ++counts_.shortenedCells;
        }
    }
    return text;
}

inline std::string_view ContactSheet::dateText(DateValue date, std::string& text) {
    if (date == 0) return {};
    if (dates_.generalDate(date, text)) return text;
    // A date outside the years 100 to 9999 cannot be written as text; its cell
    // stays empty, and the run is told.
    ++counts_.datesLeftOut;
    return {};
}

void ContactSheet::Save2ExcelContact(const ExcelContact& contact, std::int32_t xlsCnt) {
    if (xlsCnt < 1) throw std::invalid_argument("card number " + std::to_string(xlsCnt) + " is below 1");
    if (beyondLastRow(xlsCnt)) return;
    const std::int64_t row = std::int64_t{xlsCnt} + 1;
    if (row > kExcel2LastRow) ++counts_.cardsPastRow16384;
    // The row's 36 cells are gathered, then written at once.
    std::array<TextCell, kContactSheetColumns> cells;
    std::size_t dates = 0;
    for (std::size_t i = 0; i < kCardColumns.size(); ++i) {
        const CardColumn& column = kCardColumns[i];
        std::string_view text;
        if (column.date != nullptr) {
            text = dateText(contact.*column.date, dateTexts_[dates++]);
        } else if (column.text != nullptr) {
            text = cellText(contact.*column.text);
        }
        cells[i] = {column.column, text};
    }
    check(file_.writeTextCells(static_cast<std::int32_t>(row), kCardCell, cells));
}

void ContactSheet::Save2ExcelContact(const ContactRecord& record, std::int32_t xlsCnt) {
    // A card beyond the last row is only counted: its values are not taken.
    if (xlsCnt >= 1 && beyondLastRow(xlsCnt)) return;
    ExcelContact contact = excelContactFrom(record);
    // A street cell shows the post-office box as a further line (the street
    // holds the extended address on its second line already).
    const auto withBox = [](std::string& cell, const std::string& street, const std::string& box) -> std::string_view {
        if (box.empty()) return street;
        cell.assign(street);
        if (!cell.empty()) cell += "\r\n";
        cell += box;
        return cell;
    };
    contact.xlsContact_BusinessAddress = withBox(streetCells_[0], record.eContact_BusinessAddress, record.businessPostOfficeBox);
    contact.xlsContact_PersonalAddress = withBox(streetCells_[1], record.eContact_PersonalAddress, record.homePostOfficeBox);
    Save2ExcelContact(contact, xlsCnt);
}

bool ContactSheet::beyondLastRow(std::int32_t xlsCnt) {
    if (std::int64_t{xlsCnt} + 1 <= kLastSheetRow) return false;
    ++counts_.cardsBeyondLastRow;
    return true;
}

void ContactSheet::close() { check(file_.CloseFile()); }

ContactSheetCounts ContactSheet::counts() const {
    ContactSheetCounts counts = counts_;
    counts.replacedCharacters = file_.replacedCharacters();
    return counts;
}

}  // namespace tessaly
