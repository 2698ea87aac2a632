#pragma once
// Node data and subnode trees: every node's data (a data block, or an XBLOCK /
// XXBLOCK data tree over data blocks) and subnodes (an SLBLOCK, or an SIBLOCK
// over SLBLOCKs) must resolve; every reference is counted so that each block's
// cRef can be checked (1 + the references to it).

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "pst/verify/verify_context.h"

namespace tessaly::pst::verify {

// Walks every node of the node B-tree, checks its data and subnode trees and
// counts references; then compares each block's cRef.
void checkNodeTreesAndReferences(VerifyContext& context);

struct SubnodeRef {
    std::uint64_t dataBid = 0;
    std::uint64_t subnodeBid = 0;
};
using SubnodeMap = std::map<std::uint32_t, SubnodeRef>;

// The readers below do not report: the walk above has already reported what is
// broken, and they give up (nullopt) where it found damage.

// The data blocks of a node's data, in order, when the data tree is sound (no
// block listed twice, every lcbTotal what its blocks hold) and its data no
// larger than `limit`.
std::optional<std::vector<std::uint64_t>> dataBlockIds(VerifyContext& context, std::uint64_t bid,
                                                       std::uint64_t limit);
// One data block of those, decoded.
std::vector<std::uint8_t> readDataBlock(VerifyContext& context, std::uint64_t bid);
// The node's data as one run of bytes (up to 64 MB).
std::optional<std::vector<std::uint8_t>> readData(VerifyContext& context, std::uint64_t bid);
// The size of the node's data, from the block B-tree and the data tree's totals.
std::optional<std::uint64_t> dataSize(VerifyContext& context, std::uint64_t bid);
// The subnodes one level below a node (nested subnode trees are not merged).
std::optional<SubnodeMap> readSubnodes(VerifyContext& context, std::uint64_t bid);

}  // namespace tessaly::pst::verify
