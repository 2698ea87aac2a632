#pragma once
// Where things go in the file and which 64-byte slots are in use: the
// allocation maps (AMap, MS-PST 2.2.2.7.2) and the page maps placed with them.
//
// The file is laid out in ranges of 253,952 bytes, the span one AMap page
// describes (496 bytes × 8 bits × 64 bytes). Range k starts at
// 0x4400 + k × 253,952 with its AMap page; ranges 0, 8, 16, … also hold a
// PMap page right after it, and ranges 128, 624, 1120, … (every 496th from
// 128, the first beyond what the header's own free map covers) an FMap page
// after that. Space is handed out front to back; a block that
// does not fit in the rest of a range starts the next one, and the gap stays
// free in the map.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/large_pages.h"

namespace tessaly::pst {

class FileSpace {
public:
    static constexpr std::uint64_t kFirstAMapOffset = 0x4400;
    static constexpr std::uint64_t kSlotSize = 64;
    static constexpr std::uint64_t kRangeSize = 496 * 8 * kSlotSize;
    static constexpr std::uint32_t kRangesPerPMap = 8;
    static constexpr std::uint32_t kFirstFMapRange = 128;
    static constexpr std::uint32_t kRangesPerFMap = 496;
    // Range 8,192 (past 2 GB) would hold the first FPMap; this writer stops
    // before it.
    static constexpr std::uint32_t kMaxRanges = 8192;

    explicit FileSpace(std::string fileName);

    // Hands out `size` bytes (rounded up to 64) aligned to `alignment`.
    std::uint64_t allocate(std::uint64_t size, std::uint64_t alignment);

    std::uint32_t rangeCount() const { return static_cast<std::uint32_t>(maps_.size()); }
    static std::uint64_t rangeStart(std::uint32_t range) { return kFirstAMapOffset + range * kRangeSize; }
    static bool hasPMap(std::uint32_t range) { return range % kRangesPerPMap == 0; }
    static bool hasFMap(std::uint32_t range) {
        return range >= kFirstFMapRange && (range - kFirstFMapRange) % kRangesPerFMap == 0;
    }
    std::uint64_t fileEnd() const { return rangeStart(rangeCount()); }
    std::uint64_t freeBytes() const;

    // The finished AMap and PMap pages of range `range`, trailer included.
    std::array<std::uint8_t, 512> amapPage(std::uint32_t range) const;
    static std::array<std::uint8_t, 512> pmapPage(std::uint64_t ib);
    // The FMap page of range `range`: per AMap it covers, the longest run of
    // free 64-byte slots (at most 255).
    std::array<std::uint8_t, 512> fmapPage(std::uint32_t range) const;
    std::uint32_t longestFreeRun(std::uint32_t range) const;

    bool isAllocated(std::uint64_t ib) const;

private:
    void openRange();
    void mark(std::uint64_t ib, std::uint64_t size);

    std::string fileName_;
    // One map per range, up to 4 MB for the largest store: in large pages.
    std::vector<std::array<std::uint8_t, 496>, LargePageAllocator<std::array<std::uint8_t, 496>>> maps_;
    std::uint64_t end_ = 0;
};

}  // namespace tessaly::pst
