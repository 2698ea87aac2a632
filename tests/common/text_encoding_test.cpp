#include <gtest/gtest.h>

#include "common/utf16.h"
#include "common/utf8.h"
#include "common/windows1252.h"

namespace tessaly {
namespace {

using Units = std::vector<std::uint8_t>;

TEST(Utf8, ValidityRejectsMalformedSequences) {
    EXPECT_TRUE(isValidUtf8("plain \xC3\x89mile \xE2\x82\xAC \xF0\x9F\x98\x80"));
    // Windows-1252 "É", an overlong "/", a surrogate, a sequence cut short, past U+10FFFF.
    for (const char* bytes : {"\xC9mile", "\xC0\xAF", "\xED\xA0\x80", "\xE2\x82", "\xF4\x90\x80\x80"})
        EXPECT_FALSE(isValidUtf8(bytes)) << bytes;
}

TEST(Windows1252, DecodesEveryByteAndEncodesBackCountingWhatItCannotHold) {
    std::string out;
    appendWindows1252AsUtf8("\xC9mile \x80 \x9C \x81", out);
    EXPECT_EQ(out, "\xC3\x89mile \xE2\x82\xAC \xC5\x93 \xC2\x81");  // the undefined 0x81 too
    std::string bytes, text;
    for (int b = 1; b < 256; ++b) bytes += static_cast<char>(b);
    appendWindows1252AsUtf8(bytes, text);
    std::size_t replaced = 0;
    EXPECT_EQ(utf8ToWindows1252(text, replaced), bytes);
    EXPECT_EQ(replaced, 0u);
    // A CJK character and an invalid byte each become one '?'.
    EXPECT_EQ(utf8ToWindows1252("a\xE6\x9D\xB1" "b\xFF", replaced), "a?b?");
    EXPECT_EQ(replaced, 2u);
}

TEST(Utf16, Utf8BecomesUtf16LeWithSurrogatesAndReplacement) {
    EXPECT_EQ(utf8ToUtf16le("A\xC3\xA9\xE2\x82\xAC"), (Units{'A', 0, 0xE9, 0, 0xAC, 0x20}));
    // U+1F600 as a surrogate pair.
    EXPECT_EQ(utf8ToUtf16le("\xF0\x9F\x98\x80"), (Units{0x3D, 0xD8, 0x00, 0xDE}));
    // A stray continuation byte and a cut sequence each become U+FFFD.
    EXPECT_EQ(utf8ToUtf16le("\x80z\xE2\x82"), (Units{0xFD, 0xFF, 'z', 0, 0xFD, 0xFF, 0xFD, 0xFF}));
}

// Runs of ASCII are widened several bytes at a time: every length, with an
// "é" at every place in it, or none, gives the units one character at a time.
TEST(Utf16, AsciiRunsOfAnyLengthAroundOtherCharacters) {
    for (std::size_t length = 0; length < 40; ++length) {
        for (std::size_t accent = 0; accent <= length; ++accent) {
            std::string text;
            Units expected;
            for (std::size_t i = 0; i < length; ++i) {
                if (i == accent) {
                    text += "\xC3\xA9";
                    expected.insert(expected.end(), {0xE9, 0});
                } else {
                    text += static_cast<char>('!' + (i * 7) % 94);
                    expected.insert(expected.end(), {static_cast<std::uint8_t>('!' + (i * 7) % 94), 0});
                }
            }
            ASSERT_EQ(utf8ToUtf16le(text), expected) << text;
        }
    }
}

}  // namespace
}  // namespace tessaly
