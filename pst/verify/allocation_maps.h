#pragma once
// The allocation maps: the map pages at their fixed places (an AMap every
// 253,952 bytes from 0x4400, a PMap after every eighth AMap, an FMap after the
// 128th and then every 496th, an FPMap after the 8,192nd and then every
// 3,968th, and the DList at 0x4200), their trailers, and that the AMaps mark
// exactly the space the pages and blocks occupy, with the header's free count.

#include "pst/verify/verify_context.h"

namespace tessaly::pst::verify {

void checkAllocationMaps(VerifyContext& context);

}  // namespace tessaly::pst::verify
