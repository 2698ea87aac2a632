#pragma once
// A 64-bit digest of a table cell's or a property's bytes. A contents table
// repeats values of each of its messages; comparing digests instead of the
// values themselves keeps the verifier's memory at a few bytes a cell, so a
// store of hundreds of thousands of messages is checked in full.

#include <cstdint>

#include "pst/verify/little_endian.h"

namespace tessaly::pst::verify {

inline std::uint64_t cellDigest(Bytes bytes) {
    // FNV-1a over the bytes and the length, then a final mix that spreads the
    // last bytes over every bit.
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (std::uint8_t byte : bytes) hash = (hash ^ byte) * 0x100000001B3ull;
    hash ^= bytes.size();
    hash = (hash ^ (hash >> 30)) * 0xBF58476D1CE4E5B9ull;
    hash = (hash ^ (hash >> 27)) * 0x94D049BB133111EBull;
    return hash ^ (hash >> 31);
}

// A cell kept for comparison: its row (or object), its property tag and the
// digest of its bytes.
struct KeptCell {
    std::uint32_t row = 0;
    std::uint32_t tag = 0;
    std::uint64_t digest = 0;
};

}  // namespace tessaly::pst::verify
