#pragma once
// 512-byte pages and their 16-byte trailer (MS-PST 2.2.2.7): the type twice,
// a signature, the CRC of the 496 bytes before the trailer, and the page's BID.

#include <array>
#include <cstddef>
#include <cstdint>

#include "pst/ndb/ids.h"

namespace tessaly::pst {

enum class PageType : std::uint8_t {
    BlockBTree = 0x80,
    NodeBTree = 0x81,
    FreeMap = 0x82,
    PageMap = 0x83,
    AllocationMap = 0x84,
    FreePageMap = 0x85,
    DensityList = 0x86,
};

constexpr std::size_t kPageSize = 512;
constexpr std::size_t kPageTrailerSize = 16;
constexpr std::size_t kPageDataSize = kPageSize - kPageTrailerSize;

using PageImage = std::array<std::uint8_t, kPageSize>;

// Writes the trailer of the page at `page` (kPageSize bytes), computing the
// CRC over its first 496 bytes. Map pages carry signature 0 and their own file
// offset as BID; B-tree and density-list pages carry a page BID and the
// signature computed from it and the offset.
void sealPage(std::uint8_t* page, PageType type, Bid bid, std::uint16_t signature);
void sealMapPage(std::uint8_t* page, PageType type, std::uint64_t ib);
void sealIndexPage(std::uint8_t* page, PageType type, Bid bid, std::uint64_t ib);

}  // namespace tessaly::pst
