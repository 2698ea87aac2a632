#include "pst/ndb/block.h"

#include <algorithm>

#include "pst/ndb/crc32.h"
#include "pst/ndb/permutation_encoding.h"

namespace tessaly::pst {

Bytes buildBlockImage(const std::uint8_t* payload, std::size_t size, Bid bid, std::uint64_t ib, bool encode) {
    // The payload, then zeros to the trailer's end: each byte written once.
    Bytes image;
    image.reserve(blockDiskSize(size));
    image.assign(payload, payload + size);
    image.resize(blockDiskSize(size), 0);
    sealBlockImage(image, size, bid, ib, encode);
    return image;
}

void sealBlockImage(Bytes& image, std::size_t size, Bid bid, std::uint64_t ib, bool encode) {
    if (encode) encodePermutation(image.data(), size);
    std::uint8_t* trailer = image.data() + image.size() - kBlockTrailerSize;
    put16(trailer, static_cast<std::uint16_t>(size));
    put16(trailer + 2, computeSignature(ib, bid));
    put32(trailer + 4, computeCrc(image.data(), size));
    put64(trailer + 8, bid);
}

Bytes buildDataTreePayload(std::uint8_t level, const std::vector<Bid>& bids, std::uint32_t totalSize) {
    Bytes out;
    out.reserve(8 + 8 * bids.size());
    out.push_back(0x01);  // btype: data tree
    out.push_back(level);
    append16(out, static_cast<std::uint16_t>(bids.size()));
    append32(out, totalSize);
    for (Bid bid : bids) append64(out, bid);
    return out;
}

Bytes buildSubnodeLeafPayload(const std::vector<SubnodeLeafEntry>& entries) {
    Bytes out;
    out.reserve(8 + 24 * entries.size());
    out.push_back(0x02);  // btype: subnode tree
    out.push_back(0x00);  // leaf
    append16(out, static_cast<std::uint16_t>(entries.size()));
    append32(out, 0);
    for (const auto& entry : entries) {
        append64(out, entry.nid);
        append64(out, entry.data);
        append64(out, entry.subnodes);
    }
    return out;
}

Bytes buildSubnodeIndexPayload(const std::vector<SubnodeIndexEntry>& entries) {
    Bytes out;
    out.reserve(8 + 16 * entries.size());
    out.push_back(0x02);
    out.push_back(0x01);  // intermediate
    append16(out, static_cast<std::uint16_t>(entries.size()));
    append32(out, 0);
    for (const auto& entry : entries) {
        append64(out, entry.firstNid);
        append64(out, entry.leafBlock);
    }
    return out;
}

}  // namespace tessaly::pst
