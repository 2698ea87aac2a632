#pragma once
// Builds node and block structures by hand, byte by byte from the MS-PST
// layouts, inside an otherwise empty file image, so the verifier's readers can
// be tested on shapes the reference files do not contain (XXBLOCKs, SIBLOCKs,
// multi-block heaps, BTH index levels).

#include <cstdint>
#include <memory>
#include <vector>

#include "pst/verify/verify_context.h"

namespace tessaly::pst::verify::testing {

using ByteVector = std::vector<std::uint8_t>;

inline void append16(ByteVector& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}
inline void append32(ByteVector& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}
inline void append64(ByteVector& bytes, std::uint64_t value) {
    for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// HID of allocation `index` (1-based) in heap block `block`.
inline std::uint32_t hid(std::uint32_t index, std::uint32_t block = 0) { return (block << 16) | (index << 5); }

// One heap block: a header (HNHDR for the first block, HNPAGEHDR otherwise),
// the allocations in order, then the page map.
inline ByteVector heapBlock(const std::vector<ByteVector>& allocations, bool first, std::uint8_t clientSignature = 0,
                            std::uint32_t userRoot = 0) {
    ByteVector block;
    append16(block, 0);  // ibHnpm, set below
    if (first) {
        block.push_back(0xEC);
        block.push_back(clientSignature);
        append32(block, userRoot);
        append32(block, 0);
    }
    std::vector<std::uint16_t> starts{static_cast<std::uint16_t>(block.size())};
    for (const ByteVector& allocation : allocations) {
        block.insert(block.end(), allocation.begin(), allocation.end());
        starts.push_back(static_cast<std::uint16_t>(block.size()));
    }
    if (block.size() % 2) block.push_back(0);
    const std::uint16_t map = static_cast<std::uint16_t>(block.size());
    block[0] = static_cast<std::uint8_t>(map);
    block[1] = static_cast<std::uint8_t>(map >> 8);
    append16(block, static_cast<std::uint16_t>(allocations.size()));
    append16(block, 0);
    for (std::uint16_t start : starts) append16(block, start);
    return block;
}

// A file image of blocks and nodes, indexed into a VerifyContext directly
// (no B-tree pages: the readers under test start from the node and block maps).
class SyntheticStore {
public:
    SyntheticStore() : image_(0x4400, 0) {}

    void addBlock(std::uint64_t bid, const ByteVector& data, std::uint16_t refCount = 2) {
        BlockEntry entry;
        entry.bid = bid;
        entry.ib = image_.size();
        entry.size = static_cast<std::uint16_t>(data.size());
        entry.refCount = refCount;
        entry.readable = true;
        image_.insert(image_.end(), data.begin(), data.end());
        image_.resize((image_.size() + 16 + 63) / 64 * 64, 0);
        blocks_[blockKey(bid)] = entry;
    }
    void addNode(std::uint64_t nid, std::uint64_t dataBid, std::uint64_t subnodeBid = 0, std::uint32_t parent = 0) {
        NodeEntry node;
        node.nid = nid;
        node.dataBid = dataBid;
        node.subnodeBid = subnodeBid;
        node.parentNid = parent;
        nodes_[nid] = node;
    }
    void setRefCount(std::uint64_t bid, std::uint16_t refCount) { blocks_.at(blockKey(bid)).refCount = refCount; }

    // A context over the finished image; the store must outlive it.
    VerifyContext& context() {
        context_ = std::make_unique<VerifyContext>(Bytes(image_.data(), image_.size()), report);
        context_->nodes = nodes_;
        context_->blocks = blocks_;
        context_->header.cryptMethod = 0;
        return *context_;
    }

    VerificationReport report;

private:
    ByteVector image_;
    std::map<std::uint64_t, BlockEntry> blocks_;
    std::map<std::uint64_t, NodeEntry> nodes_;
    std::unique_ptr<VerifyContext> context_;
};

}  // namespace tessaly::pst::verify::testing
