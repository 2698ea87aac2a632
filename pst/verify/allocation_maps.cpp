#include "pst/verify/allocation_maps.h"

#include <bit>
#include <vector>

#include "pst/verify/block_trailers.h"
#include "pst/verify/btree_pages.h"

namespace tessaly::pst::verify {

namespace {

constexpr std::uint8_t kFMapPage = 0x82;
constexpr std::uint8_t kPMapPage = 0x83;
constexpr std::uint8_t kAMapPage = 0x84;
constexpr std::uint8_t kFPMapPage = 0x85;
constexpr std::uint8_t kDListPage = 0x86;
constexpr std::uint64_t kSlotsPerAMap = 496 * 8;
constexpr std::uint64_t kFirstFMapAMap = 128;
constexpr std::uint64_t kAMapsPerFMap = 496;
constexpr std::uint64_t kFirstFPMapAMap = 128 * 8 * 8;
constexpr std::uint64_t kAMapsPerFPMap = 496 * 8 * 8;
constexpr std::uint64_t kDListEntriesMax = 476 / 4;

// Which 64-byte slots of the data area something occupies, and what.
class Occupancy {
public:
    Occupancy(VerifyContext& context, std::uint64_t fileSize)
        : context_(context), slots_((fileSize - kFirstAMapOffset) / kBlockAlignment, 0) {}

    void mark(std::uint64_t offset, std::uint64_t size, const Location& what, const std::string& name) {
        const std::uint64_t first = (offset - kFirstAMapOffset) / kBlockAlignment;
        const std::uint64_t count = size / kBlockAlignment;
        bool overlapReported = false;
        for (std::uint64_t slot = first; slot < first + count && slot < slots_.size(); ++slot) {
            if (slots_[slot] && !overlapReported) {
                context_.violation("alloc.overlap", what, name + " overlaps space already in use");
                overlapReported = true;
            }
            slots_[slot] = 1;
        }
    }

    bool used(std::uint64_t slot) const { return slots_[slot] != 0; }
    std::uint64_t size() const { return slots_.size(); }

private:
    VerifyContext& context_;
    std::vector<std::uint8_t> slots_;
};

bool amapBit(Bytes amap, std::uint64_t slot) {
    return (readU8(amap, slot / 8) >> (7 - slot % 8)) & 1;
}

// Outlook allocates B-tree pages out of AMap space and tracks them in the PMap:
// a page it frees keeps its AMap bits and is marked free in the PMap instead.
// A slot marked in the AMap is therefore accounted for when its 512-byte page
// is free in the PMap.
bool freedPage(const std::vector<Bytes>& pmaps, std::uint64_t slot) {
    const std::uint64_t page = slot / (kPageSize / kBlockAlignment);
    const std::uint64_t pmap = page / kSlotsPerAMap;
    if (pmap >= pmaps.size()) return false;
    return !amapBit(pmaps[pmap], page % kSlotsPerAMap);
}

void checkDList(VerifyContext& context, std::uint64_t amapCount) {
    // The DList's page id is a page id of its own (Outlook gives it the next free
    // one), so only its agreement with the signature is checked.
    if (!checkPageTrailer(context, kDListOffset, kDListPage, std::nullopt)) return;
    const Bytes page = slice(context.file, kDListOffset, kPageSize);
    const unsigned entries = readU8(page, 1);
    const Location where = at("ndb", kDListOffset);
    if (entries > kDListEntriesMax) {
        context.violation("dlist.entries", where, "cEntDList " + std::to_string(entries) + " exceeds 119");
        return;
    }
    for (unsigned index = 0; index < entries; ++index) {
        const std::uint32_t entry = readU32(page, 8 + 4 * index);
        const std::uint32_t amap = entry & 0xFFFFF;
        const std::uint32_t freeSlots = entry >> 20;
        if (amap >= amapCount || freeSlots > kSlotsPerAMap)
            context.violation("dlist.entries", where,
                              "entry " + std::to_string(index) + " names AMap " + std::to_string(amap) + " with " +
                                  std::to_string(freeSlots) + " free slots; the file has " +
                                  std::to_string(amapCount) + " AMaps");
    }
}

}  // namespace

std::vector<std::uint8_t> mapPagesAfterAMap(std::uint64_t amap) {
    std::vector<std::uint8_t> pages;
    if (amap % 8 == 0) pages.push_back(kPMapPage);
    if (amap >= kFirstFMapAMap && (amap - kFirstFMapAMap) % kAMapsPerFMap == 0) pages.push_back(kFMapPage);
    if (amap >= kFirstFPMapAMap && (amap - kFirstFPMapAMap) % kAMapsPerFPMap == 0) pages.push_back(kFPMapPage);
    return pages;
}

void checkAllocationMaps(VerifyContext& context) {
    const std::uint64_t fileSize = context.file.size();
    const std::uint64_t amapCount = (fileSize - kFirstAMapOffset + kAMapCoverage - 1) / kAMapCoverage;
    checkDList(context, amapCount);

    Occupancy occupancy(context, fileSize);
    std::vector<Bytes> pmaps;
    for (std::uint64_t amap = 0; amap < amapCount; ++amap) {
        std::uint64_t offset = kFirstAMapOffset + amap * kAMapCoverage;
        checkPageTrailer(context, offset, kAMapPage, offset);
        occupancy.mark(offset, kPageSize, at("ndb", offset), "the AMap page");
        for (std::uint8_t type : mapPagesAfterAMap(amap)) {
            offset += kPageSize;
            if (!checkPageTrailer(context, offset, type, offset)) break;
            occupancy.mark(offset, kPageSize, at("ndb", offset), "a map page");
            if (type == kPMapPage) pmaps.push_back(slice(context.file, offset, kPageDataSize));
        }
    }
    for (const auto& [offset, bid] : context.btreePages)
        occupancy.mark(offset, kPageSize, atBlock("ndb", bid, offset), "a B-tree page");
    for (const auto& [key, block] : context.blocks) {
        if (block.ib < kFirstAMapOffset || block.ib % kBlockAlignment != 0 || block.size > kMaxBlockDataSize ||
            !fits(context.file, block.ib, blockFootprint(block.size)))
            continue;
        occupancy.mark(block.ib, blockFootprint(block.size), atBlock("ndb", block.bid, block.ib), "the block");
    }

    std::uint64_t freeBytes = 0;
    for (std::uint64_t amap = 0; amap < amapCount; ++amap) {
        const std::uint64_t offset = kFirstAMapOffset + amap * kAMapCoverage;
        const Bytes bits = slice(context.file, offset, kPageDataSize);
        if (bits.empty()) break;
        bool unmarkedReported = false;
        bool strayReported = false;
        bool freedPageReported = false;
        for (std::uint64_t bit = 0; bit < kSlotsPerAMap; ++bit) {
            const std::uint64_t slot = amap * kSlotsPerAMap + bit;
            const bool marked = amapBit(bits, bit);
            if (!marked) freeBytes += kBlockAlignment;
            if (slot >= occupancy.size()) continue;
            const bool used = occupancy.used(slot);
            const std::uint64_t slotOffset = kFirstAMapOffset + slot * kBlockAlignment;
            if (used && freedPage(pmaps, slot) && !freedPageReported) {
                context.violation("pmap.free-page-in-use", at("ndb", slotOffset),
                                  "space in use lies in a page the PMap marks free");
                freedPageReported = true;
            }
            if (used && !marked && !unmarkedReported) {
                context.violation("amap.unmarked-use", at("ndb", slotOffset),
                                  "space in use is marked free in the AMap at " + hexText(offset));
                unmarkedReported = true;
            } else if (!used && marked && !strayReported && !freedPage(pmaps, slot)) {
                context.violation("amap.marked-unused", at("ndb", slotOffset),
                                  "the AMap at " + hexText(offset) + " marks space no page or block uses");
                strayReported = true;
            }
        }
    }
    std::uint64_t freePages = 0;
    for (Bytes pmap : pmaps)
        for (std::uint8_t byte : pmap) freePages += 8 - std::popcount(byte);
    if (freePages * kPageSize != context.header.pmapFree)
        context.violation("pmap.free-mismatch", at("header", 208),
                          "cbPMapFree is " + hexText(context.header.pmapFree) + ", the PMaps leave " +
                              hexText(freePages * kPageSize) + " bytes free");
    if (freeBytes != context.header.amapFree)
        context.violation("amap.free-mismatch", at("header", 200),
                          "cbAMapFree is " + hexText(context.header.amapFree) + ", the AMaps leave " +
                              hexText(freeBytes) + " bytes free");
}

}  // namespace tessaly::pst::verify
