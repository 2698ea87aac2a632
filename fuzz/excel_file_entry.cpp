// ExcelFile driven by a stream of operations: the first byte of each picks the
// operation, the bytes after it its arguments (places, attribute bytes, texts
// of any bytes, numbers of any bits, dates). The sheet goes to a file of the
// scratch folder and is closed at the end.
//
// Beside the calls runs a model of what each successful call appends. Checks:
// results are 0 or a documented error number with its text; a cell with
// valid arguments is written and one with invalid arguments is refused;
// nothing is reported written while no file is open; and the closed file is a
// whole chain of records, BOF first and EOF last, that holds exactly the
// records of the model, each cell at its row and column and each text as its
// Windows-1252 bytes.

#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <vector>

#include "biff/excel_file.h"
#include "common/windows1252.h"
#include "fuzz/fuzz_entry_points.h"
#include "fuzz/fuzz_fault.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/scratch_folder.h"

namespace tessaly::fuzz {

namespace {

constexpr const char* kTarget = "excel_file";

constexpr std::uint16_t kBof = 0x09, kEof = 0x0A, kCodePage = 0x42, kFormatCount = 0x1F, kFormat = 0x1E,
                        kFont = 0x31, kHeader = 0x14, kFooter = 0x15, kFilePass = 0x2F, kPrintGridLines = 0x2B,
                        kProtect = 0x12, kColWidth = 0x24, kDefaultRowHeight = 0x25, kRow = 0x08, kInteger = 0x02,
                        kNumber = 0x03, kLabel = 0x04, kPageBreaks = 0x1B, kXf = 0x43;
constexpr int kDefaultFormats = 24;

// A record the model expects: its number and, for a cell, where it is and
// (for a text cell) its stored bytes.
struct ExpectedRecord {
    ExpectedRecord(std::uint16_t number) : number(number) {}
    ExpectedRecord(std::uint16_t number, std::int32_t row, std::int32_t column, std::optional<std::string> text)
        : number(number), row(static_cast<std::uint16_t>(row - 1)), column(static_cast<std::uint16_t>(column - 1)),
          text(std::move(text)) {}

    std::uint16_t number;
    std::optional<std::uint16_t> row, column;  // as the file holds them, from 0
    std::optional<std::string> text;
};

struct Record {
    std::uint16_t number = 0;
    std::string data;
};

std::uint16_t u16At(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::vector<Record> readRecords(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) fuzzFault(kTarget, "the closed sheet cannot be read back: " + path.string());
    std::vector<Record> records;
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < 4) fuzzFault(kTarget, "the sheet ends inside a record header at " + std::to_string(at));
        const std::uint16_t length = u16At(bytes, at + 2);
        if (bytes.size() - at - 4 < length)
            fuzzFault(kTarget, "the record at " + std::to_string(at) + " runs past the end of the sheet");
        records.push_back({u16At(bytes, at), bytes.substr(at + 4, length)});
        at += 4 + std::size_t{length};
    }
    return records;
}

// Rows, columns: mostly valid ones, now and then an edge or any 32-bit value.
std::int32_t place(FuzzInput& in) {
    static const std::int32_t kEdges[] = {0, 1, 2, 65535, 65536, 65537, -1,
                                          std::numeric_limits<std::int32_t>::min(),
                                          std::numeric_limits<std::int32_t>::max()};
    switch (in.choice(4)) {
    case 0: return in.integer<std::int32_t>();
    case 1: return 1 + in.integer<std::uint16_t>();
    case 2: return kEdges[in.choice(std::size(kEdges))];
    default: return 1 + in.byte() % 64;
    }
}

// Attribute arguments: mostly a byte, now and then any 32-bit value.
std::int32_t attribute(FuzzInput& in) { return in.choice(4) == 0 ? in.integer<std::int32_t>() : in.byte(); }

bool validPlace(std::int32_t number) { return number >= 1 && number <= 65536; }
bool validByte(std::int64_t value) { return value >= 0 && value <= 255; }

class ExcelRun {
public:
    ExcelRun() : path_(scratchFolder() / "sheet.xls") {}
    ~ExcelRun() { file_.AbandonFile(); }

    void run(FuzzInput& in) {
        create();
        while (!in.empty()) step(in);
        if (open_) {
            const std::int16_t result = file_.CloseFile();
            check(result, "CloseFile");
            if (result == 0) closed();
            else file_.AbandonFile();
        }
        if (onDisk_) compareWithFile(*onDisk_);
    }

private:
    void create() {
        const std::int16_t result = file_.CreateFile(path_);
        open_ = result == 0;
        check(result, "CreateFile");
        model_.clear();
        breaks_ = 0;
        if (!open_) return;
        model_.push_back({kBof});
        model_.push_back({kCodePage});
        appendDefaultFormats();
    }

    void appendDefaultFormats() {
        model_.push_back({kFormatCount});
        for (int i = 0; i < kDefaultFormats; ++i) model_.push_back({kFormat});
    }

    void closed() {
        if (breaks_ > 0) model_.push_back({kPageBreaks});
        model_.push_back({kEof});
        onDisk_ = model_;
        open_ = false;
    }

    // A result is 0 or an error number with its text; with no file open
    // nothing is reported written.
    void check(std::int32_t result, const char* operation, bool writes = true) {
        if (result != 0 && result != kExcelOverflow && result != kExcelTypeMismatch && result != kExcelNoOpenFile)
            fuzzFault(kTarget, std::string(operation) + " returned " + std::to_string(result) + ": " + file_.lastError());
        if (result != 0 && file_.lastError().empty())
            fuzzFault(kTarget, std::string(operation) + " returned " + std::to_string(result) + " without a text");
        if (writes && result == 0 && !open_)
            fuzzFault(kTarget, std::string(operation) + " reported success with no file open");
    }

    // A record that a call appends when it succeeds.
    void expect(std::int32_t result, const char* operation, ExpectedRecord record) {
        check(result, operation);
        if (result == 0) model_.push_back(std::move(record));
    }

    // `result` of a call whose arguments the model judges: 0 exactly when
    // they are `valid` and a file is open.
    void checkRefusal(std::int32_t result, const char* operation, bool valid) {
        if (valid && open_ && result != 0)
            fuzzFault(kTarget, std::string(operation) + " refused valid arguments: " + file_.lastError());
        if (!valid && result == 0) fuzzFault(kTarget, std::string(operation) + " took invalid arguments");
    }

    std::string stored(std::string_view text) const {
        std::size_t replaced = 0;
        return utf8ToWindows1252(text, replaced);
    }

    void writeValue(FuzzInput& in) {
        const std::int32_t type = in.choice(8) == 0 ? in.integer<std::int32_t>() : in.choice(3);
        const std::int32_t font = attribute(in), alignment = attribute(in), hidden = attribute(in);
        const std::int32_t format = in.choice(2) == 0 ? attribute(in) : 0;
        const std::int32_t row = place(in), column = place(in);
        std::string text;
        std::optional<CellValue> value;
        std::string cellText;  // what a text cell holds, before Windows-1252
        bool asText = true;    // whether a text cell can hold the value
        bool asNumber = true;  // whether a number cell can
        switch (in.choice(4)) {
        case 0:
            text = in.text();
            value.emplace(std::string_view(text));
            cellText = text;
            asNumber = cellValueAsNumber(*value, number_);
            break;
        case 1: {
            const double number = in.bitsAsDouble();
            value.emplace(number);
            cellText = numberText(number);
            number_ = number;
            break;
        }
        case 2: {
            const double number = static_cast<double>(in.integer<std::int32_t>()) / (1 << in.choice(4));
            value.emplace(number);
            cellText = numberText(number);
            number_ = number;
            break;
        }
        default: {
            const double days = in.choice(2) == 0 ? in.bitsAsDouble() : in.integer<std::int32_t>() / 4.0;
            value.emplace(CellDate{days});
            asText = dates_.generalDate(days, cellText);
            number_ = days;
            break;
        }
        }
        const std::int32_t result = file_.WriteValue(type, font, alignment, hidden, row, column, *value, format);
        if (type != kIntegerCell && type != kNumberCell && type != kTextCell) {
            if (result != 0) fuzzFault(kTarget, "WriteValue of type " + std::to_string(type) + " returned " + std::to_string(result));
            return;
        }
        bool valid = validPlace(row) && validPlace(column) && validByte(hidden) &&
                     validByte(std::int64_t{font} + format) && validByte(alignment);
        std::uint16_t number = kLabel;
        if (type == kTextCell) {
            valid = valid && asText && stored(cellText).size() <= 255;
        } else if (type == kIntegerCell) {
            number = kInteger;
            const double rounded = std::nearbyint(number_);
            valid = valid && asNumber && rounded >= -32768 && rounded <= 32767;
        } else {
            number = kNumber;
            valid = valid && asNumber;
        }
        check(result, "WriteValue");
        checkRefusal(result, "WriteValue", valid);
        if (result != 0) return;
        model_.emplace_back(number, row, column,
                            type == kTextCell ? std::optional<std::string>(stored(cellText)) : std::nullopt);
    }

    void writeTextCells(FuzzInput& in) {
        const std::int32_t row = place(in);
        const CellAttributes attributes{in.byte(), in.byte(), in.byte()};
        const std::size_t count = in.choice(40);
        std::vector<std::string> texts(count);
        std::vector<TextCell> cells(count);
        bool valid = validPlace(row);
        for (std::size_t i = 0; i < count; ++i) {
            texts[i] = in.text();
            cells[i] = {place(in), texts[i]};
            valid = valid && validPlace(cells[i].column) && stored(texts[i]).size() <= 255;
        }
        const std::int32_t result = file_.writeTextCells(row, attributes, cells);
        check(result, "writeTextCells");
        checkRefusal(result, "writeTextCells", valid);
        if (result != 0) return;
        for (const TextCell& cell : cells)
            model_.emplace_back(kLabel, row, cell.column, stored(cell.text));
    }

    void step(FuzzInput& in) {
        switch (in.choice(18)) {
        case 0: writeValue(in); break;
        case 1: writeTextCells(in); break;
        case 2: {
            const std::int16_t result = file_.InsertHorizPageBreak(place(in));
            check(result, "InsertHorizPageBreak", false);
            if (result == 0) ++breaks_;
            break;
        }
        case 3: {
            static const std::int32_t kMargins[] = {kLeftMargin, kRightMargin, kTopMargin, kBottomMargin};
            const std::int32_t margin = in.choice(4) == 0 ? in.integer<std::int32_t>() : kMargins[in.choice(4)];
            expect(file_.SetMargin(margin, in.bitsAsDouble()), "SetMargin", {static_cast<std::uint16_t>(margin)});
            break;
        }
        case 4: {
            const std::uint8_t first = in.byte(), last = in.byte();
            expect(file_.SetColumnWidth(first, last, in.integer<std::int16_t>()), "SetColumnWidth", {kColWidth});
            break;
        }
        case 5: {
            const std::string name = in.text();
            const std::int16_t height = in.integer<std::int16_t>();
            expect(file_.SetFont(name, height, attribute(in)), "SetFont", {kFont});
            break;
        }
        case 6: expect(file_.SetHeader(in.text()), "SetHeader", {kHeader}); break;
        case 7: expect(file_.SetFooter(in.text()), "SetFooter", {kFooter}); break;
        case 8: {
            // Now and then repeated, to reach the record's 65,535 bytes.
            std::string password = in.text();
            if (in.choice(2) == 0 && !password.empty())
                for (std::size_t copies = in.byte() + 1u; copies > 1 && password.size() < 70000; --copies)
                    password += password.substr(0, 70000 - password.size());
            const std::int16_t result = file_.SetFilePassword(password);
            checkRefusal(result, "SetFilePassword", stored(password).size() <= 0xFFFF);
            expect(result, "SetFilePassword", {kFilePass});
            break;
        }
        case 9:
            file_.PrintGridLines(in.byte() & 1);
            if (open_) model_.push_back({kPrintGridLines});
            break;
        case 10:
            file_.ProtectSpreadsheet(in.byte() & 1);
            if (open_) model_.push_back({kProtect});
            break;
        case 11: {
            const std::int16_t result = file_.WriteDefaultFormats();
            check(result, "WriteDefaultFormats");
            if (result == 0) appendDefaultFormats();
            break;
        }
        case 12: expect(file_.SetDefaultRowHeight(in.integer<std::int16_t>()), "SetDefaultRowHeight", {kDefaultRowHeight}); break;
        case 13: {
            const std::int32_t row = place(in);
            expect(file_.SetRowHeight(row, in.integer<std::int16_t>()), "SetRowHeight", {kRow});
            break;
        }
        case 14: {
            const std::int32_t font = attribute(in), alignment = attribute(in), hidden = attribute(in);
            expect(file_.addCellFormat(font, alignment, hidden, attribute(in)), "addCellFormat", {kXf});
            break;
        }
        case 15: {
            const bool wasOpen = open_;
            const std::int16_t result = file_.CloseFile();
            check(result, "CloseFile", false);
            if (wasOpen && result == 0) closed();
            break;
        }
        case 16: create(); break;
        default:
            file_.AbandonFile();
            open_ = false;
            break;
        }
    }

    void compareWithFile(const std::vector<ExpectedRecord>& expected) {
        const std::vector<Record> records = readRecords(path_);
        if (records.size() != expected.size())
            fuzzFault(kTarget, "the sheet holds " + std::to_string(records.size()) + " records, the calls made " +
                                   std::to_string(expected.size()));
        for (std::size_t i = 0; i < records.size(); ++i) {
            const Record& record = records[i];
            const ExpectedRecord& want = expected[i];
            const std::string where = "record " + std::to_string(i);
            if (record.number != want.number)
                fuzzFault(kTarget, where + " is " + std::to_string(record.number) + ", the calls made " +
                                       std::to_string(want.number));
            if (!want.row) continue;
            if (record.data.size() < 7 || u16At(record.data, 0) != *want.row || u16At(record.data, 2) != *want.column)
                fuzzFault(kTarget, where + ": the cell is not at row " + std::to_string(*want.row) + ", column " +
                                       std::to_string(*want.column));
            if (want.text && (record.data.size() < 8 ||
                              static_cast<unsigned char>(record.data[7]) != record.data.size() - 8 ||
                              record.data.substr(8) != *want.text))
                fuzzFault(kTarget, where + ": the text cell does not hold the text written");
        }
    }

    const std::filesystem::path path_;
    DateTextFormat dates_ = DateTextFormat::iso();
    ExcelFile file_{DateTextFormat::iso()};
    bool open_ = false;
    std::size_t breaks_ = 0;
    double number_ = 0;
    std::vector<ExpectedRecord> model_;
    std::optional<std::vector<ExpectedRecord>> onDisk_;
};

}  // namespace

void fuzzExcelFile(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    ExcelRun run;
    run.run(in);
    std::error_code ignored;
    std::filesystem::remove(scratchFolder() / "sheet.xls", ignored);
}

}  // namespace tessaly::fuzz
