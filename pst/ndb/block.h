#pragma once
// Blocks (MS-PST 2.2.2.8): a payload of up to 8,176 bytes followed by a
// 16-byte trailer, the whole padded to a multiple of 64. The trailer holds the
// payload size, the signature, the CRC of the stored payload and the BID.
// Internal blocks (data trees XBLOCK/XXBLOCK, subnode trees SLBLOCK/SIBLOCK)
// share the layout; only data blocks are permutation-encoded, by the caller.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pst/ndb/ids.h"
#include "pst/ndb/little_endian.h"

namespace tessaly::pst {

constexpr std::size_t kBlockTrailerSize = 16;
constexpr std::size_t kMaxBlockSize = 8192;
constexpr std::size_t kMaxBlockPayload = kMaxBlockSize - kBlockTrailerSize;

// Bytes a block with `payloadSize` bytes takes on disk.
constexpr std::size_t blockDiskSize(std::size_t payloadSize) {
    return (payloadSize + kBlockTrailerSize + 63) / 64 * 64;
}

// The block as stored at file offset `ib`: payload (permutation-encoded when
// `encode`, as data blocks are), zero padding, trailer.
Bytes buildBlockImage(const std::uint8_t* payload, std::size_t size, Bid bid, std::uint64_t ib, bool encode = false);
// The same made of `image`, which holds the `size`-byte payload followed by
// zeros to blockDiskSize(size).
void sealBlockImage(Bytes& image, std::size_t size, Bid bid, std::uint64_t ib, bool encode);

// Data tree and subnode tree payloads (MS-PST 2.2.2.8.3).
constexpr std::size_t kMaxDataTreeEntries = (kMaxBlockPayload - 8) / 8;      // 1021
constexpr std::size_t kMaxSubnodeLeafEntries = (kMaxBlockPayload - 8) / 24;  // 340
constexpr std::size_t kMaxSubnodeIndexEntries = (kMaxBlockPayload - 8) / 16; // 510

// XBLOCK (level 1) or XXBLOCK (level 2) listing `bids` with `totalSize` bytes
// of data below it.
Bytes buildDataTreePayload(std::uint8_t level, const std::vector<Bid>& bids, std::uint32_t totalSize);

struct SubnodeLeafEntry {
    Nid nid = 0;
    Bid data = 0;
    Bid subnodes = 0;
};

struct SubnodeIndexEntry {
    Nid firstNid = 0;
    Bid leafBlock = 0;
};

Bytes buildSubnodeLeafPayload(const std::vector<SubnodeLeafEntry>& entries);
Bytes buildSubnodeIndexPayload(const std::vector<SubnodeIndexEntry>& entries);

}  // namespace tessaly::pst
