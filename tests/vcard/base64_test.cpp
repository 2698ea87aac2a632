#include "vcard/base64.h"

#include <gtest/gtest.h>

#include <algorithm>

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

// A plain encoder of its own, to check the decoder on every byte value.
std::string encode(const std::string& data) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < data.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, data.size() - i);
        unsigned group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = group << 8 | (k < n ? static_cast<unsigned char>(data[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k) out += k <= n ? kAlphabet[(group >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

TEST(Base64Decode, EveryByteValueComesBack) {
    std::string data;
    for (int round = 0; round < 3; ++round)
        for (int value = 0; value < 256; ++value) data += static_cast<char>(value * 7 + round);
    for (const std::size_t size : {data.size(), data.size() - 1, data.size() - 2})
        EXPECT_EQ(Base64Decode(encode(data.substr(0, size))), data.substr(0, size)) << size;
}

TEST(Base64Decode, WhiteSpaceOrPaddingAfterWholeGroupsKeepsTheGroupsInStep) {
    EXPECT_EQ(Base64Decode("QUJDQUJD QUJD\r\nQUJD"), "ABCABCABCABC");
    EXPECT_EQ(Base64Decode("QUJDQUJDQU JDQUJD"), "ABCABCABCABC");
    EXPECT_EQ(Base64Decode("QUJDQUJDQQ=="), "ABCABCA");
    EXPECT_FALSE(Base64Decode("QUJDQUJD*UJD"));
}

}  // namespace
}  // namespace tessaly
