#pragma once
// The node B-tree (NBT) and block B-tree (BBT): walks both from the header's
// roots, checking every page's trailer, levels, entry counts and key order, and
// fills the context's node and block maps from their leaves.

#include <optional>

#include "pst/verify/verify_context.h"

namespace tessaly::pst::verify {

void readBTrees(VerifyContext& context);

// Checks a page trailer: type (twice), CRC of the 496 data bytes, signature
// (MS-PST ComputeSig of the page's offset and id, which is 0 for map pages as
// their id is their offset) and, when `expectedBid` is given, the page id.
// Returns false when the page lies outside the file.
bool checkPageTrailer(VerifyContext& context, std::uint64_t offset, std::uint8_t expectedType,
                      std::optional<std::uint64_t> expectedBid);

}  // namespace tessaly::pst::verify
