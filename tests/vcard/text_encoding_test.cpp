#include <gtest/gtest.h>

#include "vcard/utf8.h"
#include "vcard/windows1252.h"

namespace tessaly {
namespace {

TEST(Utf8, ValidityRejectsMalformedSequences) {
    EXPECT_TRUE(isValidUtf8("plain"));
    EXPECT_TRUE(isValidUtf8("\xC3\x89mile \xE2\x82\xAC \xF0\x9F\x98\x80"));
    EXPECT_FALSE(isValidUtf8("\xC9mile"));              // Windows-1252 É
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));              // overlong '/'
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));          // a surrogate
    EXPECT_FALSE(isValidUtf8("\xE2\x82"));              // cut short
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));      // past U+10FFFF
}

TEST(Windows1252, DecodesEveryByteIncludingTheUndefinedOnes) {
    std::string out;
    appendWindows1252AsUtf8("\xC9mile \x80 \x9C \x81", out);
    EXPECT_EQ(out, "\xC3\x89mile \xE2\x82\xAC \xC5\x93 \xC2\x81");
}

TEST(Windows1252, EncodesAndCountsWhatItCannotHold) {
    std::size_t replaced = 0;
    EXPECT_EQ(utf8ToWindows1252("\xC3\x89mile \xE2\x82\xAC", replaced), "\xC9mile \x80");
    EXPECT_EQ(replaced, 0u);
    // A CJK character and an invalid byte each become one '?'.
    EXPECT_EQ(utf8ToWindows1252("a\xE6\x9D\xB1" "b\xFF", replaced), "a?b?");
    EXPECT_EQ(replaced, 2u);
}

TEST(Windows1252, RoundTripsAllDefinedBytes) {
    std::string bytes;
    for (int b = 1; b < 256; ++b) bytes += static_cast<char>(b);
    std::string text;
    appendWindows1252AsUtf8(bytes, text);
    std::size_t replaced = 0;
    EXPECT_EQ(utf8ToWindows1252(text, replaced), bytes);
    EXPECT_EQ(replaced, 0u);
}

}  // namespace
}  // namespace tessaly
