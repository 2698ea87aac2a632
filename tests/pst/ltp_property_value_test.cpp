// Stored forms of property values: fixed-size values, times, multi-valued.

#include <gtest/gtest.h>

#include "pst/ltp/property_value.h"
#include "pst/pst_error.h"

namespace tessaly::pst {
namespace {

TEST(PropertyValue, FixedAndMultipleValuesAsStored) {
    EXPECT_EQ(PropertyValue::int32(-2).bytes(), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(PropertyValue::boolean(true).bytes(), Bytes{1});
    EXPECT_EQ(PropertyValue::time(0x0102030405060708ull).bytes(), (Bytes{8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(PropertyValue::multipleString({"a", "bc"}).bytes(),
              (Bytes{2, 0, 0, 0, 12, 0, 0, 0, 14, 0, 0, 0, 'a', 0, 'b', 0, 'c', 0}));
    EXPECT_EQ(PropertyValue::multipleInt32({1, 2}).bytes(), (Bytes{1, 0, 0, 0, 2, 0, 0, 0}));
}

// Short values are held in the value itself, longer ones apart: either way a
// copy, a move and an assignment keep the bytes.
TEST(PropertyValue, ValuesOfEveryLengthAroundTheInlineSizeKeepTheirBytes) {
    for (std::size_t length = 0; length <= 64; ++length) {
        Bytes bytes(length);
        for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(length * 31 + i);
        PropertyValue value = PropertyValue::binary(bytes);
        const PropertyValue copy = value;
        PropertyValue moved = std::move(value);
        PropertyValue assigned = PropertyValue::int32(0);
        assigned = copy;
        EXPECT_EQ(copy.bytes(), bytes) << length;
        EXPECT_EQ(moved.bytes(), bytes) << length;
        EXPECT_TRUE(value.bytes().empty());  // NOLINT: what a move leaves
        EXPECT_EQ(assigned.bytes(), bytes) << length;
        EXPECT_EQ(Bytes(assigned.bytes()), bytes) << length;
        EXPECT_EQ(assigned.type(), PropertyType::Binary);
        // Into values held inline and apart, and onto itself.
        for (const std::size_t held : {std::size_t{4}, std::size_t{60}}) {
            PropertyValue target = PropertyValue::binary(Bytes(held, 0xEE));
            target = std::move(moved);
            EXPECT_EQ(target.bytes(), bytes) << length << " over " << held;
            EXPECT_TRUE(moved.bytes().empty());  // NOLINT: what a move leaves
            moved = target;
        }
        PropertyValue& same = assigned;
        assigned = same;
        assigned = std::move(same);
        EXPECT_EQ(assigned.bytes(), bytes) << length;
        // Texts of the same length in UTF-16.
        const std::string text(length / 2, 'x');
        EXPECT_EQ(PropertyValue::string(text).bytes(), utf8ToUtf16le(text)) << length;
    }
}

TEST(PropertyValue, BytesThatDoNotFitTheTypeAreRefused) {
    // Cells and inline values take a fixed-size value's bytes as they are: an
    // Int32 of 64 bytes would run past a 4-byte cell.
    EXPECT_THROW(PropertyValue(PropertyType::Int32, Bytes(64)), PstError);
    EXPECT_THROW(PropertyValue(PropertyType::Boolean, Bytes(2)), PstError);
    EXPECT_THROW(PropertyValue(PropertyType::Time, Bytes(4)), PstError);
    EXPECT_THROW(PropertyValue(PropertyType::Guid, Bytes(15)), PstError);
    EXPECT_THROW(PropertyValue(PropertyType::String, Bytes(3)), PstError);
    EXPECT_THROW(PropertyValue(PropertyType::MultipleInt32, Bytes(6)), PstError);
    EXPECT_THROW(PropertyValue(0x0001, Bytes{}), PstError);  // a type the store does not write
    // Multi-valued: a count without room for its offsets, an offset past the end.
    EXPECT_THROW(PropertyValue(PropertyType::MultipleBinary, (Bytes{2, 0, 0, 0, 12, 0, 0, 0})), PstError);
    EXPECT_THROW(PropertyValue(PropertyType::MultipleBinary, (Bytes{1, 0, 0, 0, 9, 0, 0, 0})), PstError);
    EXPECT_EQ(PropertyValue(PropertyType::MultipleBinary, (Bytes{1, 0, 0, 0, 8, 0, 0, 0, 7})).bytes().size(), 9u);
    EXPECT_EQ(PropertyValue(PropertyType::Int32, Bytes(4)).type(), PropertyType::Int32);
}

TEST(PropertyValue, DaysSince1899BecomeFileTime) {
    // 1 January 1970 is day 25,569; FILETIME 116444736000000000; half a day later.
    EXPECT_EQ(fileTimeFromDays(25569.0), 116444736000000000ull);
    EXPECT_EQ(fileTimeFromDays(25569.5), 116444736000000000ull + 432000000000ull);
}

}  // namespace
}  // namespace tessaly::pst
