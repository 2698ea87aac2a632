#include "pst/ndb/file_space.h"

#include <algorithm>
#include <bit>

#include "pst/ndb/little_endian.h"
#include "pst/ndb/page.h"
#include "pst/pst_error.h"

namespace tessaly::pst {

FileSpace::FileSpace(std::string fileName) : fileName_(std::move(fileName)) { openRange(); }

void FileSpace::openRange() {
    if (maps_.size() >= kMaxRanges) {
        throw PstError(fileName_, "the store would grow past " + std::to_string(rangeStart(kMaxRanges)) +
                                      " bytes, the largest file this writer makes");
    }
    const auto range = static_cast<std::uint32_t>(maps_.size());
    maps_.emplace_back();
    maps_.back().fill(0);
    const std::uint64_t start = rangeStart(range);
    mark(start, kPageSize);
    end_ = start + kPageSize;
    if (hasPMap(range)) {
        mark(end_, kPageSize);
        end_ += kPageSize;
    }
    if (hasFMap(range)) {
        mark(end_, kPageSize);
        end_ += kPageSize;
    }
}

void FileSpace::mark(std::uint64_t ib, std::uint64_t size) {
    auto& map = maps_.back();
    std::uint64_t slot = (ib - rangeStart(rangeCount() - 1)) / kSlotSize;
    const std::uint64_t end = slot + alignUp(size, kSlotSize) / kSlotSize;
    // A block takes a hundred slots and more: the bits up to a whole byte,
    // then whole bytes, then the bits left over.
    const auto markOne = [&map](std::uint64_t at) { map[at / 8] |= static_cast<std::uint8_t>(0x80u >> (at % 8)); };
    for (; slot < end && slot % 8 != 0; ++slot) markOne(slot);
    const std::uint64_t wholeBytes = (end - slot) / 8;
    std::fill_n(map.begin() + static_cast<std::ptrdiff_t>(slot / 8), wholeBytes, std::uint8_t{0xFF});
    slot += 8 * wholeBytes;
    for (; slot < end; ++slot) markOne(slot);
}

std::uint64_t FileSpace::allocate(std::uint64_t size, std::uint64_t alignment) {
    size = alignUp(size, kSlotSize);
    std::uint64_t at = alignUp(end_, alignment);
    if (at + size > rangeStart(rangeCount())) {
        openRange();
        at = alignUp(end_, alignment);
    }
    mark(at, size);
    end_ = at + size;
    return at;
}

bool FileSpace::isAllocated(std::uint64_t ib) const {
    if (ib < kFirstAMapOffset) return false;
    const std::uint64_t range = (ib - kFirstAMapOffset) / kRangeSize;
    if (range >= maps_.size()) return false;
    const std::uint64_t slot = (ib - rangeStart(static_cast<std::uint32_t>(range))) / kSlotSize;
    return (maps_[range][slot / 8] & (0x80u >> (slot % 8))) != 0;
}

std::uint64_t FileSpace::freeBytes() const {
    std::uint64_t used = 0;
    for (const auto& map : maps_) {
        for (std::uint8_t byte : map) used += static_cast<std::uint64_t>(std::popcount(byte));
    }
    return maps_.size() * kRangeSize - used * kSlotSize;
}

std::array<std::uint8_t, 512> FileSpace::amapPage(std::uint32_t range) const {
    std::array<std::uint8_t, 512> page{};
    std::copy(maps_[range].begin(), maps_[range].end(), page.begin());
    sealMapPage(page.data(), PageType::AllocationMap, rangeStart(range));
    return page;
}

std::uint32_t FileSpace::longestFreeRun(std::uint32_t range) const {
    std::uint32_t longest = 0;
    std::uint32_t run = 0;
    for (std::uint32_t slot = 0; slot < 496 * 8; ++slot) {
        const bool used = (maps_[range][slot / 8] & (0x80u >> (slot % 8))) != 0;
        run = used ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return longest;
}

std::array<std::uint8_t, 512> FileSpace::fmapPage(std::uint32_t range) const {
    std::array<std::uint8_t, 512> page{};
    for (std::uint32_t i = 0; i < kRangesPerFMap && range + i < maps_.size(); ++i) {
        page[i] = static_cast<std::uint8_t>(std::min<std::uint32_t>(255, longestFreeRun(range + i)));
    }
    sealMapPage(page.data(), PageType::FreeMap, rangeStart(range) + 2 * kPageSize);
    return page;
}

std::array<std::uint8_t, 512> FileSpace::pmapPage(std::uint64_t ib) {
    // Page maps are no longer used; they are written all 0xFF ("in use").
    std::array<std::uint8_t, 512> page{};
    std::fill(page.begin(), page.begin() + kPageDataSize, 0xFF);
    sealMapPage(page.data(), PageType::PageMap, ib);
    return page;
}

}  // namespace tessaly::pst
