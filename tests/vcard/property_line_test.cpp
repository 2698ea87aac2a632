// A line's case-folded forms.

#include "vcard/property_line.h"

#include <gtest/gtest.h>

#include <string>

#include "vcard/vcard_text.h"

namespace tessaly {
namespace {

TEST(PropertyLineCase, FoldsOnlyAsciiLettersWhateverTheBytesAround) {
    // Every byte value but the colon, in the head and in the value, at every
    // place of the eight-byte steps the folding takes.
    std::string bytes;
    for (int value = 1; value < 256; ++value)
        if (value != ':' && value != ' ' && value != '"') bytes += static_cast<char>(value);
    const std::string text = "X" + bytes + ":" + bytes + "x";
    const PropertyLine line(text);
    std::string upper, headLower;
    for (const char c : text) upper += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    for (const char c : "X" + bytes) headLower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    EXPECT_EQ(asciiUpper(text), upper);
    EXPECT_EQ(line.headLower(), headLower);
}

}  // namespace
}  // namespace tessaly
