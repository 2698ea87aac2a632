#pragma once
// Every block the block B-tree lists: its place in the file (aligned, inside the
// file, not over 8,176 bytes of data) and its trailer (size, signature, CRC of
// the stored bytes, block id).

#include <cstdint>
#include <optional>
#include <vector>

#include "pst/verify/verify_context.h"

namespace tessaly::pst::verify {

void checkBlockTrailers(VerifyContext& context);

// The bytes a block occupies in the file: data, padding and trailer, 64-aligned.
inline std::uint64_t blockFootprint(std::uint64_t dataSize) {
    return (dataSize + kBlockTrailerSize + kBlockAlignment - 1) / kBlockAlignment * kBlockAlignment;
}

// The data of a readable block as stored (not decoded); empty when unreadable.
Bytes storedBlockData(const VerifyContext& context, const BlockEntry& block);

}  // namespace tessaly::pst::verify
