// Character set names and the converters kept for them.

#include <gtest/gtest.h>

#include <string>

#include "vcard/text_decoding.h"

namespace tessaly {
namespace {

using namespace std::string_literals;

TEST(ConverterKey, IsTheNameTheConverterIsLookedUpBy) {
    EXPECT_EQ(converterKey("ISO-8859-7"), "ISO-8859-7");
    EXPECT_EQ(converterKey("iso-8859-7"), "ISO-8859-7");
    // Options after a second slash, and blanks and separators at the end, go.
    EXPECT_EQ(converterKey("ISO-8859-7//1"), "ISO-8859-7");
    EXPECT_EQ(converterKey("ISO-8859-7//TRANSLIT//IGNORE"), "ISO-8859-7");
    EXPECT_EQ(converterKey("ISO-8859-7//x,y"), "ISO-8859-7");
    EXPECT_EQ(converterKey("ISO-8859-7 ,/ "), "ISO-8859-7");
    // One slash is no option; other characters are dropped after the options.
    EXPECT_EQ(converterKey("A/B"), "A/B");
    EXPECT_EQ(converterKey("A/B!/"), "A/B");
    EXPECT_EQ(converterKey("A/!/C"), "A/");
    EXPECT_EQ(converterKey("A,B"), "A,B");
    EXPECT_EQ(converterKey("I S+O-8859-7\t"), "ISO-8859-7");
    // The name ends at a NUL; one with a byte outside ASCII is its own key.
    EXPECT_EQ(converterKey("ISO-8859-7\0//x"s), "ISO-8859-7");
    EXPECT_EQ(converterKey("ISO-8859-7\xA0"), "ISO-8859-7\xA0");
    EXPECT_EQ(converterKey("//"), "");
}

TEST(CharsetDecoder, NamesOfOneKeyShareAConverterAndDecodeAlike) {
    CharsetDecoder decoder;
    for (const char* name : {"ISO-8859-7", "iso-8859-7//1", "ISO-8859-7//TRANSLIT", "ISO-8859-7/"})
        EXPECT_EQ(decoder.decode("\xE1\xE2", name), "\xCE\xB1\xCE\xB2") << name;  // "αβ"
    EXPECT_EQ(decoder.charsetsKept(), 1u);
}

TEST(CharsetDecoder, KeepsAFewCharacterSetsAndNamesWithoutAConverter) {
    CharsetDecoder decoder;
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(decoder.decode("\xE9", "NO-SUCH-SET-" + std::to_string(i)), "\xC3\xA9");  // Windows-1252
        EXPECT_EQ(decoder.decode("\xE1", "ISO-8859-7//" + std::to_string(i)), "\xCE\xB1");
        EXPECT_EQ(decoder.decode("\xE1", i % 2 == 0 ? "WINDOWS-1253" : "CP1253"), "\xCE\xB1");
    }
    EXPECT_EQ(decoder.charsetsKept(), CharsetDecoder::kKept);
    // A set that had to make room for others decodes as before.
    EXPECT_EQ(decoder.decode("\xE1", "ISO-8859-1"), "\xC3\xA1");
    EXPECT_EQ(decoder.decode("\xE1", "NO-SUCH-SET-1"), "\xC3\xA1");
    EXPECT_EQ(decoder.charsetsKept(), CharsetDecoder::kKept);
}

}  // namespace
}  // namespace tessaly
