// Property names and tags, and the name-to-id map: ids in order of first use, the NAMEID records of the
// entry stream, the string stream, and the hash bucket of each name.

#include <gtest/gtest.h>

#include <vector>

#include "pst/messaging/message.h"
#include "pst/messaging/named_property_map.h"
#include "pst/messaging/property_tags.h"
#include "pst/pst_error.h"
#include "support/test_files.h"

namespace tessaly::pst {
namespace {

const Guid kPsetidAddress = parseGuid("00062004-0000-0000-C000-000000000046");
constexpr auto errorOf = &testing::thrownMessage<PstError>;

TEST(PropertyNameGuid, StoresTheFirstThreeFieldsLittleEndian) {
    const Guid guid = parseGuid("{00062004-0000-0000-C000-000000000046}");
    EXPECT_EQ(guid, (Guid{0x04, 0x20, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}));
    EXPECT_THROW(parseGuid("not-a-guid"), PstError);
    EXPECT_THROW(parseGuid("0006200X-0000-0000-C000-000000000046"), PstError);
}

TEST(MessageProperties, TagsMustMatchTheirValuesAndNamedIdsAreNotTags) {
    Message message;
    EXPECT_EQ(errorOf([&] { message.set(tags::Subject, PropertyValue::int32(1)); }),
              "property 0x0037001F given a value of another type");
    EXPECT_EQ(errorOf([&] { message.set(0x80010003, PropertyValue::int32(1)); }),
              "property 0x80010003: ids from 0x8000 are named properties; set them by name");
    message.set(tags::Subject, PropertyValue::string("ok"));
    EXPECT_EQ(message.tagged().size(), 1u);
}

// Names that share a LID's low byte, a LID in other sets, and string names,
// looked up again in any order, keep the ids of their first use.
TEST(NamedPropertyMap, EachNameKeepsTheIdOfItsFirstUse) {
    const Guid other = parseGuid("00062004-0000-0000-C000-000000000046");
    std::vector<PropertyName> names;
    for (const std::uint32_t lid : {0x8001u, 0x8101u, 0x9001u, 0x0001u})
        for (const Guid& guid : {kPsetidCommon, other}) names.push_back(PropertyName::numeric(guid, lid));
    // String names alike in length and in their first and last letters.
    for (const char* name : {"Keywords", "Kxywords", "Keywordx", ""}) {
        names.push_back(PropertyName::string(kPsPublicStrings, name));
        names.push_back(PropertyName::string(other, name));
    }
    NamedPropertyMap map;
    for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(map.idFor(names[i]), NamedPropertyMap::kFirstId + i);
    std::uint32_t state = 3;
    for (int round = 0; round < 2000; ++round) {
        state = state * 1103515245u + 12345u;
        const std::size_t i = (state >> 16) % names.size();
        ASSERT_EQ(map.idFor(names[i]), NamedPropertyMap::kFirstId + i) << i;
    }
    EXPECT_EQ(map.size(), names.size());
}

TEST(NamedPropertyMap, StreamsAndBucketsAsStored) {
    NamedPropertyMap map;
    // Ids in order of first use; a name used again keeps its id.
    EXPECT_EQ(map.idFor(PropertyName::numeric(kPsetidAddress, 0x8005)), 0x8000);
    EXPECT_EQ(map.idFor(PropertyName::string(kPsPublicStrings, "Keywords")), 0x8001);
    EXPECT_EQ(map.idFor(PropertyName::numeric(kPsetidAddress, 0x8005)), 0x8000);
    const PropertyContextBuilder pc = map.build();
    EXPECT_EQ(pc.find(0x0001)->bytes(), (Bytes{251, 0, 0, 0}));
    EXPECT_EQ(pc.find(0x0002)->bytes(), Bytes(kPsetidAddress.begin(), kPsetidAddress.end()));
    // NAMEIDs: LID 0x8005, GUID field 6, index 0; string offset 0, field 5, index 1.
    EXPECT_EQ(pc.find(0x0003)->bytes(),
              (Bytes{0x05, 0x80, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0, 5, 0, 1, 0}));
    // The string stream: byte length, UTF-16LE name, padded to four bytes.
    const Bytes& strings = pc.find(0x0004)->bytes();
    ASSERT_EQ(strings.size(), 20u);
    EXPECT_EQ(get32(strings.data()), 16u);
    EXPECT_EQ(strings[4], 'K');
    // Buckets hold the hash key rather than the stream offset.
    EXPECT_EQ(pc.find(0x108D)->bytes(), (Bytes{0x05, 0x80, 0, 0, 6, 0, 0, 0}));
    EXPECT_EQ(pc.find(0x1065)->bytes(), (Bytes{0x3B, 0x4D, 0xDA, 0x2E, 5, 0, 1, 0}));
    EXPECT_EQ(pc.values().size(), 4u + 2u);  // no empty buckets are written
}

}  // namespace
}  // namespace tessaly::pst
