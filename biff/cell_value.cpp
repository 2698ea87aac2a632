#include "biff/cell_value.h"

#include <charconv>
#include <cmath>

namespace tessaly {

namespace {

std::string_view trimSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

}  // namespace

bool cellValueAsNumber(const CellValue& value, double& out) {
    if (const double* number = value.number()) {
        out = *number;
        return true;
    }
    if (const CellDate* date = value.date()) {
        out = date->days;
        return true;
    }
    std::string_view text = trimSpaces(*value.text());
    // from_chars takes no plus sign; a leading one is allowed as in numbers typed by people.
    if (text.starts_with('+')) text.remove_prefix(1);
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size() && std::isfinite(out);
}

std::string numberText(double number) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    return std::string(buffer, result.ptr);
}

}  // namespace tessaly
