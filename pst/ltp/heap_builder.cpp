#include "pst/ltp/heap_builder.h"

#include <stdexcept>

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

HeapBuilder::HeapBuilder(HeapClient client) : client_(client) {
    blocks_.emplace_back();
    blocks_.back().content.resize(headerSize(0));
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
    if (size > kMaxHeapAllocation) throw std::length_error("heap allocation over 3580 bytes");
    Block* block = &blocks_.back();
    const std::size_t after = alignUp(block->content.size() + size, 2) + pageMapSize(block->starts.size() + 1);
    if (after > kMaxBlockPayload) {
        blocks_.emplace_back();
        blocks_.back().content.resize(headerSize(blocks_.size() - 1));
        block = &blocks_.back();
    }
    block->starts.push_back(static_cast<std::uint16_t>(block->content.size()));
    block->content.insert(block->content.end(), data, data + size);
    const auto blockIndex = static_cast<std::uint32_t>(blocks_.size() - 1);
    return (blockIndex << 16) | (static_cast<std::uint32_t>(block->starts.size()) << 5);
}

std::vector<Bytes> HeapBuilder::finish() const {
    std::vector<Bytes> out;
    out.reserve(blocks_.size());
    std::vector<std::uint8_t> levels;
    for (const Block& block : blocks_) levels.push_back(fillLevel(kMaxBlockPayload - finishedSize(block)));
    for (std::size_t index = 0; index < blocks_.size(); ++index) {
        const Block& block = blocks_[index];
        Bytes bytes = block.content;
        bytes.resize(alignUp(bytes.size(), 2), 0);
        const auto pageMap = static_cast<std::uint16_t>(bytes.size());
        append16(bytes, static_cast<std::uint16_t>(block.starts.size()));
        append16(bytes, 0);  // cFree
        for (std::uint16_t start : block.starts) append16(bytes, start);
        append16(bytes, static_cast<std::uint16_t>(block.content.size()));
        put16(bytes.data(), pageMap);
        if (index == 0) {
            bytes[2] = 0xEC;  // bSig
            bytes[3] = static_cast<std::uint8_t>(client_);
            put32(bytes.data() + 4, userRoot_);
            for (std::size_t i = 0; i < 8 && i < levels.size(); ++i) {
                bytes[8 + i / 2] |= static_cast<std::uint8_t>(levels[i] << (4 * (i % 2)));
            }
        } else if (isBitmapBlock(index)) {
            for (std::size_t i = 0; i < kBlocksPerBitmap && index + i < levels.size(); ++i) {
                bytes[2 + i / 2] |= static_cast<std::uint8_t>(levels[index + i] << (4 * (i % 2)));
            }
        }
        out.push_back(std::move(bytes));
    }
    return out;
}

}  // namespace tessaly::pst
