#include "vcard/vcard_date.h"

#include <cmath>

#include "vcard/vcard_text.h"

namespace tessaly {

namespace {

// Days from 1970-01-01 of a civil date (Howard Hinnant's algorithm).
long daysFromCivil(long year, unsigned month, unsigned day) {
    year -= month <= 2;
    const long era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long>(dayOfEra) - 719468;
}

// 1899-12-30 is 25,569 days before 1970-01-01.
constexpr long kEpochOffset = 25569;

bool isLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeap(year) ? 29 : kDays[month - 1];
}

// Reads a run of 1 to `maxDigits` digits.
bool readNumber(std::string_view text, std::size_t& position, std::size_t maxDigits, int& number) {
    const std::size_t start = position;
    number = 0;
    while (position < text.size() && position - start < maxDigits && text[position] >= '0' &&
           text[position] <= '9') {
        number = number * 10 + (text[position] - '0');
        ++position;
    }
    return position > start;
}

std::optional<DateValue> checkedDate(int year, int month, int day) {
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
        return std::nullopt;
    return dateValueOf(year, month, day);
}

}  // namespace

DateValue dateValueOf(int year, int month, int day) {
    return static_cast<DateValue>(daysFromCivil(year, static_cast<unsigned>(month),
                                                static_cast<unsigned>(day)) +
                                  kEpochOffset);
}

void calendarDateOf(DateValue date, int& year, int& month, int& day) {
    long days = static_cast<long>(std::floor(date)) - kEpochOffset + 719468;
    const long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    year = static_cast<int>(static_cast<long>(yearOfEra) + era * 400 + (month <= 2));
}

std::optional<DateValue> parseVcardDate(std::string_view value) {
    const std::string_view text = trimSpaces(value);
    if (text.find('-') == std::string_view::npos) {
        if (text.size() < 8) return std::nullopt;
        for (std::size_t i = 0; i < 8; ++i) {
            if (text[i] < '0' || text[i] > '9') return std::nullopt;
        }
        const auto number = [&](std::size_t from, std::size_t count) {
            int n = 0;
            for (std::size_t i = from; i < from + count; ++i) n = n * 10 + (text[i] - '0');
            return n;
        };
        return checkedDate(number(0, 4), number(4, 2), number(6, 2));
    }
    std::size_t position = 0;
    int year, month, day;
    if (!readNumber(text, position, 4, year) || position != 4) return std::nullopt;
    if (position >= text.size() || text[position++] != '-') return std::nullopt;
    if (!readNumber(text, position, 2, month)) return std::nullopt;
    if (position >= text.size() || text[position++] != '-') return std::nullopt;
    if (!readNumber(text, position, 2, day)) return std::nullopt;
    if (position < text.size() && text[position] != 'T' && text[position] != 't') return std::nullopt;
    return checkedDate(year, month, day);
}

}  // namespace tessaly
