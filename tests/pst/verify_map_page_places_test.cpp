// Where the verifier expects the map pages: a PMap after every eighth AMap,
// the first FMap after AMap 128 (the header's own FMap covers the first 128)
// and then after every 496th, the first FPMap after AMap 8,192 (the header's
// FPMap has a bit for each of 128 x 8 PMaps, each PMap covering 8 AMaps) and
// then after every 31,744th (3,968 PMaps per FPMap page).

#include <gtest/gtest.h>

#include "pst/verify/allocation_maps.h"

namespace tessaly::pst::verify {
namespace {

TEST(VerifyMapPagePlaces, PMapsFMapsAndFPMapsFollowTheirAMaps) {
    using Pages = std::vector<std::uint8_t>;
    constexpr std::uint8_t kPMap = 0x83, kFMap = 0x82, kFPMap = 0x85;
    const std::pair<std::uint64_t, Pages> places[] = {
        {0, {kPMap}},          {1, {}},      {7, {}},       {8, {kPMap}},          {120, {kPMap}},
        {127, {}},             {128, {kPMap, kFMap}},       {129, {}},             {128 + 496, {kPMap, kFMap}},
        {128 + 2 * 496 + 1, {}},             {8184, {kPMap}},                      {8192, {kPMap, kFPMap}},
        {8192 + 3968, {kPMap}},              {8192 + 31744, {kPMap, kFPMap}},
    };
    for (const auto& [amap, pages] : places) EXPECT_EQ(mapPagesAfterAMap(amap), pages) << "AMap " << amap;
}

}  // namespace
}  // namespace tessaly::pst::verify
