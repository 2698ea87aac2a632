#pragma once
// The allocation maps: the map pages at their fixed places (an AMap every
// 253,952 bytes from 0x4400, a PMap after every eighth AMap, an FMap after the
// 128th and then every 496th, an FPMap after the 8,192nd and then every
// 31,744th, and the DList at 0x4200), their trailers, and that the AMaps mark
// exactly the space the pages and blocks occupy, with the header's free count.
// The PMaps must agree with the header's free-page count and may call a page
// free only when nothing uses it; such a page may keep its AMap bits (Outlook
// frees B-tree pages that way).

#include <cstdint>
#include <vector>

#include "pst/verify/verify_context.h"

namespace tessaly::pst::verify {

void checkAllocationMaps(VerifyContext& context);

// The page types of the map pages that follow the AMap with index `amap`
// (0 for the AMap at 0x4400), in file order: 0x83 PMap, 0x82 FMap, 0x85 FPMap.
std::vector<std::uint8_t> mapPagesAfterAMap(std::uint64_t amap);

}  // namespace tessaly::pst::verify
