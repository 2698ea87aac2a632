#pragma once
// Decoding of MS-PST's cyclic ("high") encoding (NDB_CRYPT_CYCLIC): each byte
// goes through the three tables of mpbbCrypt with a salt taken from the low 32
// bits of the block's id, stepping by one per byte. The transformation is its
// own inverse, as the middle table is an involution and the third table is the
// inverse of the first.

#include <cstdint>
#include <span>

namespace tessaly::pst::verify {

void cyclicDecode(std::span<std::uint8_t> bytes, std::uint32_t key);

// The first two tables of mpbbCrypt (mpbbR, mpbbS), exposed for tests; the
// third is the permutation decode table.
std::uint8_t cyclicFirstTable(std::uint8_t index);
std::uint8_t cyclicSecondTable(std::uint8_t index);

}  // namespace tessaly::pst::verify
