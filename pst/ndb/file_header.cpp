#include "pst/ndb/file_header.h"

#include "pst/ndb/crc32.h"
#include "pst/ndb/little_endian.h"

namespace tessaly::pst {

std::array<std::uint8_t, FileHeader::kSize> FileHeader::serialize() const {
    std::array<std::uint8_t, kSize> out{};
    std::uint8_t* p = out.data();
    p[0] = '!';
    p[1] = 'B';
    p[2] = 'D';
    p[3] = 'N';
    p[8] = 'S';  // wMagicClient "SM"
    p[9] = 'M';
    put16(p + 10, 23);  // wVer: Unicode
    put16(p + 12, 19);  // wVerClient
    p[14] = 1;          // bPlatformCreate
    p[15] = 1;          // bPlatformAccess
    put64(p + 32, nextPageBid);
    put32(p + 40, unique);
    for (std::size_t i = 0; i < kNidCounters; ++i) put32(p + 44 + 4 * i, nextNidIndex[i]);
    // ROOT at 180.
    put64(p + 184, fileEof);
    put64(p + 192, lastAMapOffset);
    put64(p + 200, amapFreeBytes);
    put64(p + 208, pmapFreeBytes);
    put64(p + 216, nodeBTreeRoot.bid);
    put64(p + 224, nodeBTreeRoot.ib);
    put64(p + 232, blockBTreeRoot.bid);
    put64(p + 240, blockBTreeRoot.ib);
    p[248] = amapValid;
    // rgbFM and rgbFP are deprecated and filled with 0xFF.
    for (std::size_t i = 256; i < 512; ++i) p[i] = 0xFF;
    p[512] = 0x80;  // bSentinel
    p[513] = cryptMethod;
    put64(p + 516, nextBlockBid);
    put32(p + 4, computeCrc(p + kHeaderCrcStart, kHeaderPartialCrcLength));
    put32(p + 524, computeCrc(p + kHeaderCrcStart, kHeaderFullCrcLength));
    return out;
}

}  // namespace tessaly::pst
