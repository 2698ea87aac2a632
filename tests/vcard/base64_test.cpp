#include "vcard/base64.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

TEST(Base64Decode, WellFormedGroupsAndPadding) {
    EXPECT_EQ(Base64Decode("QUJD"), "ABC");
    EXPECT_EQ(Base64Decode("QUI="), "AB");
    EXPECT_EQ(Base64Decode("QQ=="), "A");
    EXPECT_EQ(Base64Decode(""), "");
    EXPECT_EQ(Base64Decode("/9j/4AAQ"), bytes({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10}));
}

TEST(Base64Decode, ShortLastGroupIsCompletedWithZeros) {
    EXPECT_EQ(Base64Decode("QQ"), bytes({0x41, 0, 0}));
    EXPECT_EQ(Base64Decode("QUJDRA"), bytes({0x41, 0x42, 0x43, 0x44, 0, 0}));
    EXPECT_EQ(Base64Decode("QUJDRA=="), "ABCD");
}

TEST(Base64Decode, PaddingDropsBytesFromTheGroupsEnd) {
    EXPECT_EQ(Base64Decode("QQ=Q"), bytes({0x41, 0x00}));
    EXPECT_EQ(Base64Decode("Q==="), "");
}

TEST(Base64Decode, IgnoresSpacesTabsAndLineBreaks) {
    EXPECT_EQ(Base64Decode("QU JD"), "ABC");
    EXPECT_EQ(Base64Decode("QU\tJD"), "ABC");
    EXPECT_EQ(Base64Decode("QU\r\nJD"), "ABC");
    EXPECT_EQ(Base64Decode("QU\nJD"), "ABC");
}

TEST(Base64Decode, RefusesWhatIsNotBase64InsteadOfFailing) {
    EXPECT_FALSE(Base64Decode("END:VCARD"));
    EXPECT_FALSE(Base64Decode("QU\rJD"));  // a lone CR is no line break
    EXPECT_FALSE(Base64Decode("===="));
    EXPECT_FALSE(Base64Decode("QUJD===="));
    EXPECT_FALSE(Base64Decode("QUJ\xC3\xA9"));
}

}  // namespace
}  // namespace tessaly
