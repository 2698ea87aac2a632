#include "pst/ndb/page.h"

#include "pst/ndb/crc32.h"
#include "pst/ndb/little_endian.h"

namespace tessaly::pst {

void sealPage(std::uint8_t* page, PageType type, Bid bid, std::uint16_t signature) {
    std::uint8_t* trailer = page + kPageDataSize;
    trailer[0] = static_cast<std::uint8_t>(type);
    trailer[1] = static_cast<std::uint8_t>(type);
    put16(trailer + 2, signature);
    put32(trailer + 4, computeCrc(page, kPageDataSize));
    put64(trailer + 8, bid);
}

void sealMapPage(std::uint8_t* page, PageType type, std::uint64_t ib) { sealPage(page, type, ib, 0); }

void sealIndexPage(std::uint8_t* page, PageType type, Bid bid, std::uint64_t ib) {
    sealPage(page, type, bid, computeSignature(ib, bid));
}

}  // namespace tessaly::pst
