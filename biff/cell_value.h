#pragma once
// The value handed to ExcelFile::WriteValue: a number, a text (UTF-8) or a date
// value. The cell type is chosen separately, so each kind of value can be
// converted into each kind of cell (or refused as a type mismatch).
//
// A CellValue refers to its text without copying it: it lives only for the call.

#include <string>
#include <string_view>
#include <variant>

namespace tessaly {

// Days since 30 December 1899 00:00; the fraction is the time of day.
struct CellDate {
    double days = 0;
};

class CellValue {
public:
    CellValue(double number) : value_(number) {}
    CellValue(int number) : value_(static_cast<double>(number)) {}
    CellValue(std::string_view text) : value_(text) {}
    CellValue(const char* text) : value_(std::string_view(text)) {}
    CellValue(const std::string& text) : value_(std::string_view(text)) {}
    CellValue(CellDate date) : value_(date) {}

    const double* number() const { return std::get_if<double>(&value_); }
    const std::string_view* text() const { return std::get_if<std::string_view>(&value_); }
    const CellDate* date() const { return std::get_if<CellDate>(&value_); }

private:
    std::variant<double, std::string_view, CellDate> value_;
};

// The value as a number: a date is its day count, a text must be a decimal
// number (spaces around it allowed). False for any other text.
bool cellValueAsNumber(const CellValue& value, double& out);

// The decimal text of a number: the shortest that reads back as the same value.
std::string numberText(double number);

}  // namespace tessaly
