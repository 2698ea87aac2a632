#include "biff/date_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <optional>
#include <tuple>

namespace tessaly {
namespace {

// 14 March 1970 is day 25,641 after 30 December 1899.
constexpr double kPiDay1970 = 25641;

TEST(FourDigitYear, MakesEveryYearFourDigitsAndChangesNothingElse) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"%m/%d/%y", "%m/%d/%04Y"}, {"%D", "%m/%d/%04Y"}, {"%Ey-%-m-%_d", "%04Y-%-m-%_d"},
        {"%d/%m/%0y", "%d/%m/%04Y"}, {"%d.%m.%Y", "%d.%m.%04Y"}, {"%EY %_6Y", "%EY %_6Y"}, {"%%y %F", "%%y %F"},
        {"y %", "y %"},
        {"%Y\xE5\xB9\xB4%m\xE6\x9C\x88%d\xE6\x97\xA5", "%04Y\xE5\xB9\xB4%m\xE6\x9C\x88%d\xE6\x97\xA5"}};
    for (const auto& [pattern, expected] : cases) EXPECT_EQ(withFourDigitYear(pattern), expected) << pattern;
}

TEST(DateTextFormat, WritesShortDatesWithTheGivenPatterns) {
    const std::vector<std::pair<DateTextFormat, std::string>> cases = {
        {DateTextFormat(withFourDigitYear("%m/%d/%y"), "%I:%M:%S %p"), "03/14/1970"},
        {DateTextFormat(withFourDigitYear("%d.%m.%y"), "%H:%M:%S"), "14.03.1970"},
        {DateTextFormat("%e %b %Y (%a, day %j)", "%H:%M"), "14 Mar 1970 (Sat, day 073)"}};
    for (const auto& [format, expected] : cases) {
        std::string text;
        ASSERT_TRUE(format.shortDate(kPiDay1970, text));
        EXPECT_EQ(text, expected);
    }
}

// The ISO text of `days`, in the general date form or the short one; nothing
// when it is refused.
std::optional<std::string> isoDate(double days, bool general) {
    const DateTextFormat iso = DateTextFormat::iso();
    std::string text;
    if (!(general ? iso.generalDate(days, text) : iso.shortDate(days, text))) return std::nullopt;
    return text;
}

TEST(DateTextFormat, CountsDaysFrom30December1899WithinTheYears100To9999) {
    const std::vector<std::pair<double, std::optional<std::string>>> cases = {
        {1, "1899-12-31"},         {61, "1900-03-01"},   {-1, "1899-12-29"}, {36585, "2000-02-29"},
        {2958465, "9999-12-31"},   {2958466, {}},        {-657434, "0100-01-01"}, {-657435, {}},
        {std::numeric_limits<double>::quiet_NaN(), {}}, {std::numeric_limits<double>::infinity(), {}}};
    for (const auto& [days, expected] : cases) {
        EXPECT_EQ(isoDate(days, false), expected) << days;
        EXPECT_EQ(isoDate(days, true), expected) << days;
    }
}

TEST(DateTextFormat, GeneralDateAddsTheTimeToTheSecondUnlessMidnight) {
    const std::vector<std::pair<double, std::string>> cases = {
        {kPiDay1970 + 0.75, "1970-03-14 18:00:00"},
        {kPiDay1970 + 1.4 / 86400, "1970-03-14 00:00:01"},
        {kPiDay1970 + 1 - 0.2 / 86400, "1970-03-15"},
        {0.5, "12:00:00"},  // day 0 is a time of day alone, midnight included
        {0, "00:00:00"},
        {-1.25, "1899-12-29 06:00:00"}};  // the fraction of a negative value is still the time of that day
    for (const auto& [days, expected] : cases) EXPECT_EQ(isoDate(days, true), expected) << days;
}

TEST(DateTextLocale, CLocalesAndLocalesNotInstalledWriteIso8601) {
    for (const char* name : {"C", "POSIX", "C.UTF-8", "C.utf8", "", "xx_NOWHERE.UTF-8"}) {
        const DateTextFormat format = DateTextFormat::forLocale(name);
        EXPECT_EQ(format.datePattern(), "%04Y-%m-%d") << name;
        EXPECT_EQ(format.timePattern(), "%H:%M:%S") << name;
    }
    EXPECT_TRUE(isPlainCLocale("C.utf8"));
    EXPECT_FALSE(isPlainCLocale("de_DE.UTF-8"));
    EXPECT_FALSE(isPlainCLocale("Catalan"));
}

TEST(DateTextLocale, TheEnvironmentNamesTheLocaleByPrecedence) {
    // No other test of this program reads these, so they are not restored.
    for (const char* name : {"LC_ALL", "LC_TIME", "LANG"}) unsetenv(name);
    EXPECT_EQ(timeLocaleNameFromEnvironment(), "C");
    // Each variable set in turn, and the name taken after; an empty LC_ALL is not taken.
    for (const auto& [variable, value, taken] : {std::tuple{"LANG", "fr_FR.UTF-8", "fr_FR.UTF-8"},
             {"LC_TIME", "de_DE.UTF-8", "de_DE.UTF-8"}, {"LC_ALL", "", "de_DE.UTF-8"},
                                                   {"LC_ALL", "C.UTF-8", "C.UTF-8"}}) {
        setenv(variable, value, 1);
        EXPECT_EQ(timeLocaleNameFromEnvironment(), std::string(taken)) << variable << "=" << value;
    }
}

}  // namespace
}  // namespace tessaly
