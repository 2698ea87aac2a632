#include "biff/date_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <optional>

namespace tessaly {
namespace {

// 14 March 1970 is day 25,641 after 30 December 1899.
constexpr double kPiDay1970 = 25641;

TEST(FourDigitYear, ReplacesEveryTwoDigitYear) {
    EXPECT_EQ(withFourDigitYear("%m/%d/%y"), "%m/%d/%Y");
    EXPECT_EQ(withFourDigitYear("%d.%m.%y"), "%d.%m.%Y");
    EXPECT_EQ(withFourDigitYear("%D"), "%m/%d/%Y");
    EXPECT_EQ(withFourDigitYear("%Ey-%-m-%_d"), "%Y-%-m-%_d");
    EXPECT_EQ(withFourDigitYear("%d/%m/%0y"), "%d/%m/%Y");
}

TEST(FourDigitYear, LeavesOtherPatternsAlone) {
    EXPECT_EQ(withFourDigitYear("%d.%m.%Y"), "%d.%m.%Y");
    EXPECT_EQ(withFourDigitYear("%Y\xE5\xB9\xB4%m\xE6\x9C\x88%d\xE6\x97\xA5"), "%Y\xE5\xB9\xB4%m\xE6\x9C\x88%d\xE6\x97\xA5");
    EXPECT_EQ(withFourDigitYear("%%y %F"), "%%y %F");
    EXPECT_EQ(withFourDigitYear("y %"), "y %");
}

TEST(DateTextFormat, WritesShortDatesWithTheGivenPatterns) {
    std::string text;
    const DateTextFormat us(withFourDigitYear("%m/%d/%y"), "%I:%M:%S %p");
    ASSERT_TRUE(us.shortDate(kPiDay1970, text));
    EXPECT_EQ(text, "03/14/1970");
    const DateTextFormat german(withFourDigitYear("%d.%m.%y"), "%H:%M:%S");
    ASSERT_TRUE(german.shortDate(kPiDay1970, text));
    EXPECT_EQ(text, "14.03.1970");
    const DateTextFormat named("%e %b %Y (%a, day %j)", "%H:%M");
    ASSERT_TRUE(named.shortDate(kPiDay1970, text));
    EXPECT_EQ(text, "14 Mar 1970 (Sat, day 073)");
}

TEST(DateTextFormat, CountsDaysFrom30December1899) {
    const DateTextFormat iso = DateTextFormat::iso();
    std::string text;
    ASSERT_TRUE(iso.shortDate(1, text));
    EXPECT_EQ(text, "1899-12-31");
    ASSERT_TRUE(iso.shortDate(61, text));
    EXPECT_EQ(text, "1900-03-01");
    ASSERT_TRUE(iso.shortDate(-1, text));
    EXPECT_EQ(text, "1899-12-29");
    ASSERT_TRUE(iso.shortDate(2958465, text));
    EXPECT_EQ(text, "9999-12-31");
    ASSERT_TRUE(iso.shortDate(36585, text));  // a leap day
    EXPECT_EQ(text, "2000-02-29");
}

TEST(DateTextFormat, RefusesDatesOutsideTheYears100To9999) {
    const DateTextFormat iso = DateTextFormat::iso();
    std::string text;
    EXPECT_FALSE(iso.shortDate(2958466, text));
    EXPECT_FALSE(iso.shortDate(-657435, text));
    EXPECT_TRUE(iso.shortDate(-657434, text));
    EXPECT_FALSE(iso.shortDate(std::numeric_limits<double>::quiet_NaN(), text));
    EXPECT_FALSE(iso.generalDate(std::numeric_limits<double>::infinity(), text));
}

TEST(DateTextFormat, GeneralDateAddsTheTimeUnlessMidnight) {
    const DateTextFormat iso = DateTextFormat::iso();
    std::string text;
    ASSERT_TRUE(iso.generalDate(kPiDay1970, text));
    EXPECT_EQ(text, "1970-03-14");
    ASSERT_TRUE(iso.generalDate(kPiDay1970 + 0.75, text));
    EXPECT_EQ(text, "1970-03-14 18:00:00");
    // Day 0 is a time of day alone, midnight included.
    ASSERT_TRUE(iso.generalDate(0.5, text));
    EXPECT_EQ(text, "12:00:00");
    ASSERT_TRUE(iso.generalDate(0, text));
    EXPECT_EQ(text, "00:00:00");
    // The fraction of a negative value is still the time of that day.
    ASSERT_TRUE(iso.generalDate(-1.25, text));
    EXPECT_EQ(text, "1899-12-29 06:00:00");
}

TEST(DateTextFormat, RoundsTheTimeToTheSecond) {
    const DateTextFormat iso = DateTextFormat::iso();
    std::string text;
    ASSERT_TRUE(iso.generalDate(kPiDay1970 + 1.4 / 86400, text));
    EXPECT_EQ(text, "1970-03-14 00:00:01");
    ASSERT_TRUE(iso.generalDate(kPiDay1970 + 1 - 0.2 / 86400, text));
    EXPECT_EQ(text, "1970-03-15");
}

TEST(DateTextLocale, CLocalesWriteIso8601) {
    for (const char* name : {"C", "POSIX", "C.UTF-8", "C.utf8", ""}) {
        EXPECT_TRUE(isPlainCLocale(name)) << name;
        const DateTextFormat format = DateTextFormat::forLocale(name);
        EXPECT_EQ(format.datePattern(), "%Y-%m-%d") << name;
        EXPECT_EQ(format.timePattern(), "%H:%M:%S") << name;
    }
    EXPECT_FALSE(isPlainCLocale("de_DE.UTF-8"));
    EXPECT_FALSE(isPlainCLocale("Catalan"));
}

TEST(DateTextLocale, ALocaleThatIsNotInstalledFallsBackToIso8601) {
    const DateTextFormat format = DateTextFormat::forLocale("xx_NOWHERE.UTF-8");
    EXPECT_EQ(format.datePattern(), "%Y-%m-%d");
}

// Sets an environment variable for one test and restores it afterwards.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~ScopedVariable() {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(DateTextLocale, TheEnvironmentNamesTheLocaleByPrecedence) {
    ScopedVariable all("LC_ALL", nullptr);
    ScopedVariable time("LC_TIME", nullptr);
    ScopedVariable lang("LANG", nullptr);
    EXPECT_EQ(timeLocaleNameFromEnvironment(), "C");
    setenv("LANG", "fr_FR.UTF-8", 1);
    EXPECT_EQ(timeLocaleNameFromEnvironment(), "fr_FR.UTF-8");
    setenv("LC_TIME", "de_DE.UTF-8", 1);
    EXPECT_EQ(timeLocaleNameFromEnvironment(), "de_DE.UTF-8");
    setenv("LC_ALL", "", 1);  // set but empty: not taken
    EXPECT_EQ(timeLocaleNameFromEnvironment(), "de_DE.UTF-8");
    setenv("LC_ALL", "C.UTF-8", 1);
    EXPECT_EQ(timeLocaleNameFromEnvironment(), "C.UTF-8");
}

}  // namespace
}  // namespace tessaly
