// Where the verifier expects the map pages: a PMap after every eighth AMap,
// the first FMap after AMap 128 (the header's own FMap covers the first 128)
// and then after every 496th, the first FPMap after AMap 8,192 (the header's
// FPMap has a bit for each of 128 x 8 PMaps, each PMap covering 8 AMaps) and
// then after every 31,744th (3,968 PMaps per FPMap page).

#include <gtest/gtest.h>

#include "pst/verify/allocation_maps.h"

namespace tessaly::pst::verify {
namespace {

using Pages = std::vector<std::uint8_t>;
constexpr std::uint8_t kPMap = 0x83;
constexpr std::uint8_t kFMap = 0x82;
constexpr std::uint8_t kFPMap = 0x85;

TEST(VerifyMapPagePlaces, PMapFollowsEveryEighthAMap) {
    EXPECT_EQ(mapPagesAfterAMap(0), Pages{kPMap});
    EXPECT_EQ(mapPagesAfterAMap(1), Pages{});
    EXPECT_EQ(mapPagesAfterAMap(7), Pages{});
    EXPECT_EQ(mapPagesAfterAMap(8), Pages{kPMap});
    EXPECT_EQ(mapPagesAfterAMap(120), Pages{kPMap});
}

TEST(VerifyMapPagePlaces, FirstFMapFollowsAMap128ThenEvery496) {
    EXPECT_EQ(mapPagesAfterAMap(127), Pages{});
    EXPECT_EQ(mapPagesAfterAMap(128), (Pages{kPMap, kFMap}));
    EXPECT_EQ(mapPagesAfterAMap(129), Pages{});
    EXPECT_EQ(mapPagesAfterAMap(128 + 496), (Pages{kPMap, kFMap}));
    EXPECT_EQ(mapPagesAfterAMap(128 + 2 * 496 + 1), Pages{});
}

TEST(VerifyMapPagePlaces, FirstFPMapFollowsAMap8192ThenEvery31744) {
    EXPECT_EQ(mapPagesAfterAMap(8184), Pages{kPMap});
    EXPECT_EQ(mapPagesAfterAMap(8192), (Pages{kPMap, kFPMap}));
    EXPECT_EQ(mapPagesAfterAMap(8192 + 3968), Pages{kPMap});
    EXPECT_EQ(mapPagesAfterAMap(8192 + 31744), (Pages{kPMap, kFPMap}));
}

TEST(VerifyMapPagePlaces, FirstFMapOffsetIsPastTheFirst32Megabytes) {
    // 0x4400 + 128 * 253,952 for the AMap, then the PMap, then the FMap.
    const std::uint64_t amap128 = 0x4400 + 128ull * 253952;
    EXPECT_EQ(amap128 + 2 * 512, 0x1F04800u);
}

}  // namespace
}  // namespace tessaly::pst::verify
