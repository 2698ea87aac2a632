#pragma once
// The permutation ("compressible") block encoding, bCryptMethod 1: every byte
// of a data block's payload is replaced through a fixed substitution table.

#include <array>
#include <cstddef>
#include <cstdint>

namespace tessaly::pst {

const std::array<std::uint8_t, 256>& permutationEncodeTable();
const std::array<std::uint8_t, 256>& permutationDecodeTable();

void encodePermutation(std::uint8_t* data, std::size_t size);
void decodePermutation(std::uint8_t* data, std::size_t size);

}  // namespace tessaly::pst
