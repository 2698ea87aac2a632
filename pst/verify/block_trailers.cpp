#include "pst/verify/block_trailers.h"

#include "pst/verify/crc32.h"
#include "pst/verify/file_header.h"

namespace tessaly::pst::verify {

Bytes storedBlockData(const VerifyContext& context, const BlockEntry& block) {
    if (!block.readable) return {};
    return slice(context.file, block.ib, block.size);
}

void checkBlockTrailers(VerifyContext& context) {
    for (auto& [key, block] : context.blocks) {
        if (!context.spend()) return;
        const Location where = atBlock("ndb", block.bid, block.ib);
        if (block.bid & 1)
            context.violation("bbt.reserved-bit", where, "the block id has its reserved low bit set");
        if (block.size > kMaxBlockDataSize) {
            context.violation("block.size", where,
                              "cb " + std::to_string(block.size) + " exceeds the 8,176 bytes a block can hold");
            continue;
        }
        if (block.ib % kBlockAlignment != 0) {
            context.violation("block.alignment", where, "the block does not start on a 64-byte boundary");
            continue;
        }
        const std::uint64_t footprint = blockFootprint(block.size);
        if (block.ib < kFirstAMapOffset || !fits(context.file, block.ib, footprint)) {
            context.violation("block.bounds", where, "the block lies outside the file's data area");
            continue;
        }
        const std::uint64_t trailer = block.ib + footprint - kBlockTrailerSize;
        const std::uint16_t trailerSize = readU16(context.file, trailer);
        const std::uint16_t signature = readU16(context.file, trailer + 2);
        const std::uint32_t crc = readU32(context.file, trailer + 4);
        const std::uint64_t trailerBid = readU64(context.file, trailer + 8);
        bool agrees = true;
        if (trailerSize != block.size) {
            context.violation("block.trailer-size", where,
                              "the trailer says cb " + std::to_string(trailerSize) + ", the block B-tree " +
                                  std::to_string(block.size));
            agrees = false;
        }
        if (trailerBid != block.bid) {
            context.violation("block.bid", where,
                              "the trailer names block " + hexText(trailerBid) + ", the block B-tree " +
                                  hexText(block.bid));
            agrees = false;
        }
        if (signature != trailerSignature(block.ib, block.bid))
            context.violation("block.signature", where,
                              "wSig is " + hexText(signature) + ", expected " +
                                  hexText(trailerSignature(block.ib, block.bid)));
        const std::uint32_t computed = pstCrc32(slice(context.file, block.ib, block.size));
        if (crc != computed)
            context.violation("block.crc", where,
                              "dwCRC is " + hexText(crc) + ", the stored data gives " + hexText(computed));
        block.readable = agrees;
    }
}

}  // namespace tessaly::pst::verify
