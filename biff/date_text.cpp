#include "biff/date_text.h"

#include <langinfo.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <new>

namespace tessaly {

namespace {

constexpr int kSecondsPerDay = 24 * 60 * 60;
// Day 0 of a date value is 30 December 1899; day 25,569 is 1 January 1970.
constexpr long kUnixEpochDay = 25569;

struct SplitDate {
    std::tm fields{};
    bool hasDay = false;   // the day part is not 0
    bool hasTime = false;  // the time of day is not midnight
};

// Splits a date value into calendar fields. The whole days count from day 0
// towards the sign of the value, the fraction is the time of that day whatever
// the sign, as in the date values of spreadsheets.
bool splitDate(double days, SplitDate& out) {
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6) return false;
    long day = static_cast<long>(std::trunc(days));
    long seconds = std::lround(std::fabs(days - static_cast<double>(day)) * kSecondsPerDay);
    if (seconds == kSecondsPerDay) {
        seconds = 0;
        day += days < 0 ? -1 : 1;
    }
    using namespace std::chrono;
    const sys_days date{std::chrono::days{day - kUnixEpochDay}};
    const year_month_day ymd{date};
    const int yearNumber = static_cast<int>(ymd.year());
    if (yearNumber < 100 || yearNumber > 9999) return false;

    std::tm& tm = out.fields;
    tm = std::tm{};
    tm.tm_year = yearNumber - 1900;
    tm.tm_mon = static_cast<int>(static_cast<unsigned>(ymd.month())) - 1;
    tm.tm_mday = static_cast<int>(static_cast<unsigned>(ymd.day()));
    tm.tm_wday = static_cast<int>(weekday{date}.c_encoding());
    tm.tm_yday = static_cast<int>((date - sys_days{ymd.year() / January / 1}).count());
    tm.tm_hour = static_cast<int>(seconds / 3600);
    tm.tm_min = static_cast<int>(seconds / 60 % 60);
    tm.tm_sec = static_cast<int>(seconds % 60);
    out.hasDay = day != 0;
    out.hasTime = seconds != 0;
    return true;
}

void appendFormatted(const std::string& pattern, const std::tm& fields, locale_t locale,
                     std::string& out) {
    char buffer[256];
    const std::size_t length = ::strftime_l(buffer, sizeof buffer, pattern.c_str(), &fields, locale);
    out.append(buffer, length);
}

// The year in four digits at least, zero-filled: plain %Y writes year 100 as
// "100".
constexpr const char* kFourDigitYear = "%04Y";

locale_t newTimeLocale(const char* name) { return ::newlocale(LC_TIME_MASK, name, locale_t{}); }

const char* nonEmptyVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

std::string withFourDigitYear(std::string_view datePattern) {
    std::string out;
    std::size_t i = 0;
    while (i < datePattern.size()) {
        if (datePattern[i] != '%') {
            out += datePattern[i++];
            continue;
        }
        // A conversion: '%', glibc's flags and width, an E or O modifier, a letter.
        std::size_t end = i + 1;
        while (end < datePattern.size() && std::string_view("_-0^#").find(datePattern[end]) != std::string_view::npos) ++end;
        while (end < datePattern.size() && datePattern[end] >= '0' && datePattern[end] <= '9') ++end;
        if (end < datePattern.size() && (datePattern[end] == 'E' || datePattern[end] == 'O')) ++end;
        if (end >= datePattern.size()) {
            out.append(datePattern.substr(i));
            break;
        }
        const char letter = datePattern[end];
        const bool plain = end == i + 1;  // no flag, width or modifier
        if (letter == 'y' || (letter == 'Y' && plain)) {
            out += kFourDigitYear;
        } else if (letter == 'D') {
            out += std::string("%m/%d/") + kFourDigitYear;
        } else {
            out.append(datePattern.substr(i, end + 1 - i));
        }
        i = end + 1;
    }
    return out;
}

std::string timeLocaleNameFromEnvironment() {
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        if (const char* value = nonEmptyVariable(variable)) return value;
    }
    return "C";
}

bool isPlainCLocale(std::string_view localeName) {
    return localeName.empty() || localeName == "C" || localeName == "POSIX" || localeName.starts_with("C.");
}

DateTextFormat DateTextFormat::iso() { return DateTextFormat(std::string(kFourDigitYear) + "-%m-%d", "%H:%M:%S"); }

DateTextFormat DateTextFormat::forLocale(const std::string& localeName) {
    if (isPlainCLocale(localeName)) return iso();
    const locale_t locale = newTimeLocale(localeName.c_str());
    if (locale == locale_t{}) return iso();
    std::string timePattern = ::nl_langinfo_l(T_FMT, locale);
    if (timePattern.empty()) timePattern = "%H:%M:%S";
    return DateTextFormat(withFourDigitYear(::nl_langinfo_l(D_FMT, locale)), std::move(timePattern), locale);
}

DateTextFormat DateTextFormat::fromEnvironment() { return forLocale(timeLocaleNameFromEnvironment()); }

DateTextFormat::DateTextFormat(std::string datePattern, std::string timePattern)
    : DateTextFormat(std::move(datePattern), std::move(timePattern), newTimeLocale("C")) {}

DateTextFormat::DateTextFormat(std::string datePattern, std::string timePattern, locale_t locale)
    : datePattern_(std::move(datePattern)), timePattern_(std::move(timePattern)) {
    if (locale == locale_t{}) throw std::bad_alloc();
    locale_.reset(locale, [](locale_t owned) { ::freelocale(owned); });
}

bool DateTextFormat::shortDate(double days, std::string& out) const {
    SplitDate split;
    if (!splitDate(days, split)) return false;
    out.clear();
    appendFormatted(datePattern_, split.fields, locale_.get(), out);
    return true;
}

bool DateTextFormat::generalDate(double days, std::string& out) const {
    SplitDate split;
    if (!splitDate(days, split)) return false;
    out.clear();
    if (split.hasDay) appendFormatted(datePattern_, split.fields, locale_.get(), out);
    if (split.hasTime || !split.hasDay) {
        if (!out.empty()) out += ' ';
        appendFormatted(timePattern_, split.fields, locale_.get(), out);
    }
    return true;
}

}  // namespace tessaly
