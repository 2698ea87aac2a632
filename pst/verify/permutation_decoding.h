#pragma once
// Decoding of the permutation ("compressible") encoding of MS-PST
// (NDB_CRYPT_PERMUTE): each stored byte is replaced by its entry in a fixed
// table. Only data blocks are encoded; the verifier never writes, so it only
// needs the decode direction (the third table of MS-PST's mpbbCrypt, mpbbI).

#include <cstdint>
#include <span>

namespace tessaly::pst::verify {

std::uint8_t permutationDecodeByte(std::uint8_t stored);
void permutationDecode(std::span<std::uint8_t> bytes);

}  // namespace tessaly::pst::verify
