#include "pst/verify/heap_on_node.h"

#include "pst/verify/node_trees.h"

namespace tessaly::pst::verify {

namespace {

constexpr std::uint8_t kHeapSignature = 0xEC;
constexpr std::uint64_t kFirstHeaderSize = 12;   // HNHDR
constexpr std::uint64_t kPageHeaderSize = 2;     // HNPAGEHDR
constexpr std::uint64_t kBitmapHeaderSize = 66;  // HNBITMAPHDR

std::uint64_t headerSize(std::size_t blockIndex) {
    if (blockIndex == 0) return kFirstHeaderSize;
    if (blockIndex % 128 == 8) return kBitmapHeaderSize;
    return kPageHeaderSize;
}

bool knownClientSignature(std::uint8_t signature) {
    switch (signature) {
    case 0x6C: case 0x7C: case 0x8C: case 0x9C: case 0xA5: case 0xAC: case 0xB5: case 0xBC: case 0xCC:
        return true;
    default:
        return false;
    }
}

}  // namespace

std::optional<HeapOnNode> HeapOnNode::open(VerifyContext& context, std::uint64_t nid,
                                           const std::vector<std::uint64_t>& blocks) {
    const Location where = atNode("ltp", nid);
    if (blocks.empty()) {
        context.violation("heap.empty", where, "the node has no data where a heap is expected");
        return std::nullopt;
    }
    HeapOnNode heap;
    heap.context_ = &context;
    heap.nid_ = nid;
    heap.keep(0, readDataBlock(context, blocks[0]));
    const Bytes first(heap.blockBytes(0));
    if (first.size() < kFirstHeaderSize || readU8(first, 2) != kHeapSignature) {
        context.violation("heap.signature", where, "the node's data does not start with a heap header (bSig 0xEC)");
        return std::nullopt;
    }
    heap.clientSignature_ = readU8(first, 3);
    heap.userRoot_ = readU32(first, 4);
    if (!knownClientSignature(heap.clientSignature_))
        context.violation("heap.client-signature", where,
                          "bClientSig " + hexText(heap.clientSignature_) + " is not one MS-PST defines");

    for (std::size_t index = 0; index < blocks.size(); ++index) {
        if (!context.spend()) return std::nullopt;
        Page page;
        page.bid = blocks[index];
        heap.pages_.push_back(page);
        if (index > 0) heap.keep(index, readDataBlock(context, blocks[index]));
        const Bytes bytes(heap.blockBytes(index));
        const std::uint64_t header = headerSize(index);
        const std::uint64_t mapOffset = readU16(bytes, 0);
        const std::string block = "heap block " + std::to_string(index);
        // The heap is one stream cut into 8,176-byte blocks: readers find block
        // k at k × 8,176, so every block but the last must be full (padded
        // after its page map), as in Outlook's own files.
        if (index + 1 < blocks.size() && bytes.size() != kMaxBlockDataSize)
            context.violation("heap.block-size", where,
                              block + " of " + std::to_string(blocks.size()) + " has " + std::to_string(bytes.size()) +
                                  " bytes; every block but the last holds " + std::to_string(kMaxBlockDataSize));
        if (bytes.size() < header || mapOffset < header || !fits(bytes, mapOffset, 4)) {
            context.violation("heap.page-map", where, block + ": ibHnpm " + hexText(mapOffset) + " lies outside the block");
            continue;
        }
        const std::uint16_t count = readU16(bytes, mapOffset);
        if (!fits(bytes, mapOffset + 4, 2ull * (count + 1))) {
            context.violation("heap.page-map", where, block + ": cAlloc " + std::to_string(count) + " runs past the block");
            continue;
        }
        // The page maps stay in memory while the heap is open.
        if (!context.takeKept(sizeof(std::uint16_t) * (count + 1u))) return std::nullopt;
        bool ordered = true;
        page.allocationStarts.reserve(count + 1u);
        for (std::uint16_t entry = 0; entry <= count; ++entry) {
            const std::uint16_t start = readU16(bytes, mapOffset + 4 + 2ull * entry);
            if ((entry == 0 && start != header) ||
                (!page.allocationStarts.empty() && start < page.allocationStarts.back()) || start > mapOffset)
                ordered = false;
            page.allocationStarts.push_back(start);
        }
        if (!ordered) {
            context.violation("heap.page-map", where,
                              block + ": the allocation offsets are not in order between the header and the page map");
            page.allocationStarts.clear();
        }
        // A 0-byte allocation is what a freed item looks like; the page map's
        // cFree counts those, and Outlook stores an empty value as HNID 0.
        std::uint64_t empty = 0;
        for (std::size_t entry = 1; entry < page.allocationStarts.size(); ++entry)
            empty += page.allocationStarts[entry] == page.allocationStarts[entry - 1] ? 1 : 0;
        const std::uint16_t freed = readU16(bytes, mapOffset + 2);
        if (empty > freed)
            context.violation("heap.free-count", where,
                              block + " holds " + std::to_string(empty) + " allocations of 0 bytes, but cFree counts " +
                                  std::to_string(freed) + " freed items");
        heap.pages_.back().allocationStarts = std::move(page.allocationStarts);
    }
    return heap;
}

void HeapOnNode::keep(std::size_t index, std::vector<std::uint8_t> bytes) const {
    CachedBlock& slot = cache_[index % kCachedBlocks];
    slot.index = index;
    slot.bytes = std::move(bytes);
}

const std::vector<std::uint8_t>& HeapOnNode::blockBytes(std::size_t index) const {
    CachedBlock& slot = cache_[index % kCachedBlocks];
    if (slot.index != index) keep(index, readDataBlock(*context_, pages_[index].bid));
    return slot.bytes;
}

std::optional<std::vector<std::uint8_t>> HeapOnNode::allocation(std::uint32_t hid) const {
    if (hid == 0 || !isHid(hid)) return std::nullopt;
    const std::uint32_t index = (hid >> 5) & 0x7FF;
    const std::uint32_t blockIndex = hid >> 16;
    if (blockIndex >= pages_.size()) return std::nullopt;
    const Page& page = pages_[blockIndex];
    if (index == 0 || index >= page.allocationStarts.size()) return std::nullopt;
    const std::uint16_t start = page.allocationStarts[index - 1];
    const std::uint16_t end = page.allocationStarts[index];
    const std::vector<std::uint8_t>& bytes = blockBytes(blockIndex);
    if (end > bytes.size() || start > end || !context_->takeKept(end - start)) return std::nullopt;
    return std::vector<std::uint8_t>(bytes.begin() + start, bytes.begin() + end);
}

std::optional<std::vector<std::uint8_t>> HeapOnNode::checkedAllocation(VerifyContext& context, std::uint32_t hid,
                                                                       const std::string& what) const {
    auto found = allocation(hid);
    if (!found && !context.limitReached())
        context.violation("heap.hid", atNode("ltp", nid_),
                          what + " names HID " + hexText(hid) + ", which is no allocation of the heap");
    return found;
}

}  // namespace tessaly::pst::verify
