#pragma once
// The Unicode file header (MS-PST 2.2.2.6) with its ROOT structure: 564 bytes
// at offset 0, protected by a partial and a full CRC.

#include <array>
#include <cstdint>

#include "pst/ndb/ids.h"

namespace tessaly::pst {

struct BlockRef {
    Bid bid = 0;
    std::uint64_t ib = 0;
};

struct FileHeader {
    static constexpr std::size_t kSize = 564;
    static constexpr std::size_t kNidCounters = 32;

    Bid nextPageBid = 0;       // bidNextP
    Bid nextBlockBid = 0;      // bidNextB
    std::uint32_t unique = 0;  // dwUnique, changed at every header write
    // rgnid: per NID type, the next node index to hand out.
    std::array<std::uint32_t, kNidCounters> nextNidIndex{};
    std::uint64_t fileEof = 0;
    std::uint64_t lastAMapOffset = 0;
    std::uint64_t amapFreeBytes = 0;
    std::uint64_t pmapFreeBytes = 0;
    BlockRef nodeBTreeRoot;
    BlockRef blockBTreeRoot;
    std::uint8_t amapValid = 2;    // fAMapValid: VALID_AMAP2
    std::uint8_t cryptMethod = 1;  // NDB_CRYPT_PERMUTE

    std::array<std::uint8_t, kSize> serialize() const;
};

// Byte ranges the two header CRCs cover, from offset 8 (wMagicClient).
constexpr std::size_t kHeaderCrcStart = 8;
constexpr std::size_t kHeaderPartialCrcLength = 471;
constexpr std::size_t kHeaderFullCrcLength = 516;

}  // namespace tessaly::pst
