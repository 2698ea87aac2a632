#include "pst/verify/block_trailers.h"

#include <system_error>

#include "pst/verify/crc32.h"
#include "pst/verify/file_header.h"

namespace tessaly::pst::verify {

Bytes storedBlockData(const VerifyContext& context, const BlockEntry& block) {
    if (!block.readable) return {};
    return slice(context.file, block.ib, block.size);
}

namespace {

// Below this many bytes of blocks a thread costs more than the checksums.
constexpr std::uint64_t kChecksumBytesForAThread = 1024 * 1024;

}  // namespace

PendingBlockChecksums::PendingBlockChecksums(Bytes file, std::vector<BlockChecksum> blocks)
    : file_(file), blocks_(std::move(blocks)) {
    std::uint64_t bytes = 0;
    for (const BlockChecksum& checksum : blocks_) bytes += checksum.block.size;
    if (bytes >= kChecksumBytesForAThread) {
        try {
            thread_ = std::thread([this] { compute(); });
            return;
        } catch (const std::system_error&) {
            // No thread to be had: computed here, as for a small file.
        }
    }
    compute();
}

PendingBlockChecksums::~PendingBlockChecksums() {
    if (thread_.joinable()) thread_.join();
}

void PendingBlockChecksums::compute() {
    for (BlockChecksum& checksum : blocks_)
        checksum.computed = pstCrc32(slice(file_, checksum.block.ib, checksum.block.size));
}

void PendingBlockChecksums::report(VerifyContext& context) {
    if (thread_.joinable()) thread_.join();
    for (const BlockChecksum& checksum : blocks_)
        if (checksum.stored != checksum.computed)
            context.violation("block.crc", atBlock("ndb", checksum.block.bid, checksum.block.ib),
                              "dwCRC is " + hexText(checksum.stored) + ", the stored data gives " +
                                  hexText(checksum.computed));
    blocks_.clear();
}

PendingBlockChecksums startBlockTrailerChecks(VerifyContext& context) {
    std::vector<BlockChecksum> checksums;
    checksums.reserve(context.blocks.size());
    for (auto& [key, block] : context.blocks) {
        if (!context.spend()) break;
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
        checksums.push_back({block, readU32(context.file, trailer + 4), 0});
        block.readable = agrees;
    }
    return PendingBlockChecksums(context.file, std::move(checksums));
}

void checkBlockTrailers(VerifyContext& context) { startBlockTrailerChecks(context).report(context); }

}  // namespace tessaly::pst::verify
