#pragma once
// Turns date values (days since 30 December 1899 00:00, the fraction being the
// time of day) into text the way the user's locale writes dates: its short date
// form with the year always in four digits, and its time form. Under the C and
// POSIX locales, whose date form is the ambiguous "%m/%d/%y", dates are written
// as ISO 8601 instead.

#include <locale.h>

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

namespace tessaly {

// A strftime date pattern with every year in four digits: each two-digit year
// ("%y", also with flags or an E/O modifier, and the "%D" shorthand) and each
// plain "%Y" becomes the zero-filled "%04Y" (so year 100 is "0100").
std::string withFourDigitYear(std::string_view datePattern);

// The locale that decides the form of dates, by the usual precedence of
// LC_ALL, LC_TIME and LANG; "C" when none is set.
std::string timeLocaleNameFromEnvironment();

// Whether dates under `localeName` are written as ISO 8601: "C", "POSIX",
// any "C.<codeset>" and the empty name.
bool isPlainCLocale(std::string_view localeName);

class DateTextFormat {
public:
    // YYYY-MM-DD and HH:MM:SS.
    static DateTextFormat iso();
    // The forms of `localeName`; ISO 8601 for the C locales and for a locale
    // that is not installed.
    static DateTextFormat forLocale(const std::string& localeName);
    // The forms of the user's locale (see timeLocaleNameFromEnvironment).
    static DateTextFormat fromEnvironment();

    // Fixed strftime patterns, applied as given (the date pattern is not
    // changed to a four-digit year). Names of months and days are English.
    DateTextFormat(std::string datePattern, std::string timePattern);

    // The short date of `days`; false when the date lies outside the years
    // 100 to 9999 or is not a number.
    bool shortDate(double days, std::string& out) const;

    // The general date form: the short date followed by the time of day unless
    // that is midnight, or the time of day alone when the day part is 0. The
    // time is rounded to the second. False as for `shortDate`.
    bool generalDate(double days, std::string& out) const;

    const std::string& datePattern() const { return datePattern_; }
    const std::string& timePattern() const { return timePattern_; }

private:
    DateTextFormat(std::string datePattern, std::string timePattern, locale_t locale);

    std::string datePattern_;
    std::string timePattern_;
    std::shared_ptr<std::remove_pointer_t<locale_t>> locale_;
};

}  // namespace tessaly
