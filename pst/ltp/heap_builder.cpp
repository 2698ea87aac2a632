#include "pst/ltp/heap_builder.h"

#include "pst/pst_error.h"

#include "pst/ndb/block.h"

namespace tessaly::pst {
namespace {

constexpr std::size_t kHeapHeaderSize = 12;    // HNHDR
constexpr std::size_t kBitmapHeaderSize = 66;  // HNBITMAPHDR
constexpr std::size_t kPageHeaderSize = 2;     // HNPAGEHDR
constexpr std::size_t kFirstBitmapBlock = 8;
constexpr std::size_t kBlocksPerBitmap = 128;

bool isBitmapBlock(std::size_t index) {
    return index >= kFirstBitmapBlock && (index - kFirstBitmapBlock) % kBlocksPerBitmap == 0;
}

}  // namespace

HeapBuilder::HeapBuilder(HeapClient client) : client_(client) { openBlock(); }

HeapBuilder::HeapBuilder(HeapClient client, NodeDatabaseWriter& writer) : sink_(&writer), client_(client) {
    openBlock();
}

void HeapBuilder::openBlock() {
    const std::size_t full = blocks_.size();
    // A full ordinary block will not change again: it goes to the file now.
    if (sink_ != nullptr && full > 1 && !isBitmapBlock(full - 1)) {
        Block& block = blocks_.back();
        block.level = fillLevel(kMaxBlockPayload - finishedSize(block));
        // The content becomes the block's image where it is (its room was
        // reserved at the full block size), not a copy.
        Bytes bytes = std::move(block.content);
        sealBlock(full - 1, bytes, block.starts, {}, true);
        block.size = static_cast<std::uint32_t>(bytes.size());
        block.written = sink_->writeDataBlock(std::move(bytes));
        Bytes().swap(block.content);
        std::vector<std::uint16_t>().swap(block.starts);
    }
    blocks_.emplace_back();
    // A block fills up to its full size: room for it at once, not by doubling,
    // and for the trailer it takes as a block in the file.
    blocks_.back().content.reserve(kMaxBlockSize);
    blocks_.back().starts.reserve(128);
    blocks_.back().content.resize(headerSize(blocks_.size() - 1));
}

std::size_t HeapBuilder::headerSize(std::size_t blockIndex) {
    if (blockIndex == 0) return kHeapHeaderSize;
    return isBitmapBlock(blockIndex) ? kBitmapHeaderSize : kPageHeaderSize;
}

std::size_t HeapBuilder::finishedSize(const Block& block) {
    // The page map starts on an even offset.
    return alignUp(block.content.size(), 2) + pageMapSize(block.starts.size());
}

std::uint8_t HeapBuilder::fillLevel(std::size_t freeBytes) {
    static constexpr std::size_t kThresholds[] = {3584, 2560, 2048, 1792, 1536, 1280, 1024, 768,
                                                  512,  256,  128,  64,   32,   16,   8};
    for (std::uint8_t level = 0; level < 15; ++level) {
        if (freeBytes >= kThresholds[level]) return level;
    }
    return 15;
}

Hid HeapBuilder::allocate(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxHeapAllocation) throw PstError("a heap allocation of " + std::to_string(size) + " bytes exceeds 3580");
    Block* block = &blocks_.back();
    const std::size_t after = alignUp(block->content.size() + size, 2) + pageMapSize(block->starts.size() + 1);
    if (after > kMaxBlockPayload || block->starts.size() == kMaxAllocationsPerBlock) {
        openBlock();
        block = &blocks_.back();
    }
    block->starts.push_back(static_cast<std::uint16_t>(block->content.size()));
    block->content.insert(block->content.end(), data, data + size);
    const auto blockIndex = static_cast<std::uint32_t>(blocks_.size() - 1);
    return (blockIndex << 16) | (static_cast<std::uint32_t>(block->starts.size()) << 5);
}

void HeapBuilder::rewrite(Hid hid, const Bytes& data) {
    const std::size_t blockIndex = hid >> 16;
    const std::size_t index = ((hid >> 5) & 0x7FF) - 1;
    if (blockIndex >= blocks_.size() || index >= blocks_[blockIndex].starts.size()) {
        throw PstError("internal error: no heap allocation " + std::to_string(hid) + " to rewrite");
    }
    Block& block = blocks_[blockIndex];
    const std::size_t start = block.starts[index];
    const std::size_t end = index + 1 < block.starts.size() ? block.starts[index + 1] : block.content.size();
    if (block.written != 0 || end - start != data.size()) {
        throw PstError("internal error: heap allocation " + std::to_string(hid) + " cannot be rewritten");
    }
    std::copy(data.begin(), data.end(), block.content.begin() + static_cast<std::ptrdiff_t>(start));
}

std::vector<std::uint8_t> HeapBuilder::fillLevels() const {
    std::vector<std::uint8_t> levels;
    levels.reserve(blocks_.size());
    for (const Block& block : blocks_) {
        levels.push_back(block.written != 0 ? block.level : fillLevel(kMaxBlockPayload - finishedSize(block)));
    }
    return levels;
}

// Appends the page map to `bytes` (the block's content) and fills in the
// block's header: the page map's place, and the fill levels block 0 and the
// bitmap blocks record. Block content is reserved at the full block size, so
// nothing here moves it again.
void HeapBuilder::sealBlock(std::size_t index, Bytes& bytes, const std::vector<std::uint16_t>& starts,
                            const std::vector<std::uint8_t>& levels, bool padded) const {
    const std::size_t contentEnd = bytes.size();
    const std::size_t pageMap = alignUp(contentEnd, 2);
    const std::size_t end = pageMap + pageMapSize(starts.size());
    bytes.resize(padded ? kMaxBlockPayload : end);  // zeros: the padding to even and to the full block
    std::uint8_t* const data = bytes.data();
    put16(data + pageMap, static_cast<std::uint16_t>(starts.size()));
    put16(data + pageMap + 2, 0);  // cFree
    std::uint8_t* at = data + pageMap + 4;
    for (std::uint16_t start : starts) {
        put16(at, start);
        at += 2;
    }
    put16(at, static_cast<std::uint16_t>(contentEnd));
    put16(data, static_cast<std::uint16_t>(pageMap));
    if (index == 0) {
        data[2] = 0xEC;  // bSig
        data[3] = static_cast<std::uint8_t>(client_);
        put32(data + 4, userRoot_);
        for (std::size_t i = 0; i < 8 && i < levels.size(); ++i) {
            data[8 + i / 2] |= static_cast<std::uint8_t>(levels[i] << (4 * (i % 2)));
        }
    } else if (isBitmapBlock(index)) {
        for (std::size_t i = 0; i < kBlocksPerBitmap && index + i < levels.size(); ++i) {
            data[2 + i / 2] |= static_cast<std::uint8_t>(levels[index + i] << (4 * (i % 2)));
        }
    }
}

Bytes HeapBuilder::blockBytes(std::size_t index, const std::vector<std::uint8_t>& levels, bool padded) const {
    const Block& block = blocks_[index];
    Bytes bytes;
    bytes.reserve(kMaxBlockPayload);
    bytes = block.content;
    sealBlock(index, bytes, block.starts, levels, padded);
    return bytes;
}

std::vector<Bytes> HeapBuilder::finish() {
    const std::vector<std::uint8_t> levels = fillLevels();
    std::vector<Bytes> out;
    out.reserve(blocks_.size());
    for (std::size_t index = 0; index < blocks_.size(); ++index) {
        Block& block = blocks_[index];
        out.push_back(std::move(block.content));
        sealBlock(index, out.back(), block.starts, levels, index + 1 < blocks_.size());
    }
    blocks_.clear();
    return out;
}

Bid HeapBuilder::write(NodeDatabaseWriter& writer) {
    const std::vector<std::uint8_t> levels = fillLevels();
    std::vector<Bid> bids;
    std::vector<std::uint32_t> sizes;
    for (std::size_t index = 0; index < blocks_.size(); ++index) {
        Block& block = blocks_[index];
        if (block.written == 0) {
            const Bytes bytes = blockBytes(index, levels, index + 1 < blocks_.size());
            block.written = writer.writeDataBlock(bytes.data(), bytes.size());
            block.size = static_cast<std::uint32_t>(bytes.size());
        }
        bids.push_back(block.written);
        sizes.push_back(block.size);
    }
    return writer.writeDataTree(bids, sizes);
}

}  // namespace tessaly::pst
