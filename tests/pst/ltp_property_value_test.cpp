// Stored forms of property values: UTF-16LE strings, times, multi-valued.

#include <gtest/gtest.h>

#include "pst/ltp/property_value.h"

namespace tessaly::pst {
namespace {

TEST(PropertyValue, StringsBecomeUtf16WithSurrogatesAndReplacement) {
    EXPECT_EQ(utf8ToUtf16le("A\xC3\xA9\xE2\x82\xAC"), (Bytes{'A', 0, 0xE9, 0, 0xAC, 0x20}));
    // U+1F600 as a surrogate pair.
    EXPECT_EQ(utf8ToUtf16le("\xF0\x9F\x98\x80"), (Bytes{0x3D, 0xD8, 0x00, 0xDE}));
    // A stray continuation byte and a cut sequence each become U+FFFD.
    EXPECT_EQ(utf8ToUtf16le("\x80z\xE2\x82"), (Bytes{0xFD, 0xFF, 'z', 0, 0xFD, 0xFF, 0xFD, 0xFF}));
}

TEST(PropertyValue, FixedAndMultipleValuesAsStored) {
    EXPECT_EQ(PropertyValue::int32(-2).bytes, (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(PropertyValue::boolean(true).bytes, Bytes{1});
    EXPECT_EQ(PropertyValue::time(0x0102030405060708ull).bytes, (Bytes{8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(PropertyValue::multipleString({"a", "bc"}).bytes,
              (Bytes{2, 0, 0, 0, 12, 0, 0, 0, 14, 0, 0, 0, 'a', 0, 'b', 0, 'c', 0}));
    EXPECT_EQ(PropertyValue::multipleInt32({1, 2}).bytes, (Bytes{1, 0, 0, 0, 2, 0, 0, 0}));
}

TEST(PropertyValue, DaysSince1899BecomeFileTime) {
    // 1 January 1970 is day 25,569; FILETIME 116444736000000000; half a day later.
    EXPECT_EQ(fileTimeFromDays(25569.0), 116444736000000000ull);
    EXPECT_EQ(fileTimeFromDays(25569.5), 116444736000000000ull + 432000000000ull);
}

}  // namespace
}  // namespace tessaly::pst
