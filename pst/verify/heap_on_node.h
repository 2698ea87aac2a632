#pragma once
// The heap-on-node (MS-PST HN): a node's data blocks read as a heap. Opening
// checks the first block's HNHDR (signature 0xEC), each later block's
// HNPAGEHDR or HNBITMAPHDR (every 128 blocks from the 9th), and each block's
// page map (allocation offsets in order, inside the block, before the map).
// Allocations are then found by HID. Only each block's page map stays in
// memory; the blocks themselves are read again as allocations are asked for,
// a few kept at a time, so a table of hundreds of megabytes is read through.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "pst/verify/verify_context.h"

namespace tessaly::pst::verify {

class HeapOnNode {
public:
    // Returns nullopt (after reporting) when the heap cannot be read at all.
    // `blocks` are the data blocks of the node's data, in order.
    static std::optional<HeapOnNode> open(VerifyContext& context, std::uint64_t nid,
                                          const std::vector<std::uint64_t>& blocks);

    std::uint8_t clientSignature() const { return clientSignature_; }
    std::uint32_t userRoot() const { return userRoot_; }
    std::uint64_t nid() const { return nid_; }

    // The bytes of the allocation a HID names; nullopt when the HID names none
    // (or is 0).
    std::optional<std::vector<std::uint8_t>> allocation(std::uint32_t hid) const;
    // Like allocation(), reporting a HID that names nothing ("heap.hid").
    std::optional<std::vector<std::uint8_t>> checkedAllocation(VerifyContext& context, std::uint32_t hid,
                                                               const std::string& what) const;

    static bool isHid(std::uint32_t hnid) { return (hnid & 0x1F) == 0; }

private:
    struct Page {
        std::uint64_t bid = 0;
        std::vector<std::uint16_t> allocationStarts;  // cAlloc + 1 offsets
    };
    // A block read lately, by its place in the heap.
    struct CachedBlock {
        std::size_t index = SIZE_MAX;
        std::vector<std::uint8_t> bytes;
    };
    static constexpr std::size_t kCachedBlocks = 8;

    const std::vector<std::uint8_t>& blockBytes(std::size_t index) const;
    void keep(std::size_t index, std::vector<std::uint8_t> bytes) const;

    VerifyContext* context_ = nullptr;
    std::uint64_t nid_ = 0;
    std::uint8_t clientSignature_ = 0;
    std::uint32_t userRoot_ = 0;
    std::vector<Page> pages_;
    mutable std::array<CachedBlock, kCachedBlocks> cache_;
};

}  // namespace tessaly::pst::verify
