#include "pst/verify/file_header.h"

#include "pst/verify/crc32.h"

namespace tessaly::pst::verify {

namespace {

// Field offsets of the Unicode HEADER.
constexpr std::uint64_t kMagicClient = 8;
constexpr std::uint64_t kPartialCrcLength = 471;
constexpr std::uint64_t kFullCrcLength = 516;
constexpr std::uint64_t kRoot = 180;

Location headerField(std::uint64_t offset) { return at("header", offset); }

}  // namespace

std::uint16_t trailerSignature(std::uint64_t offset, std::uint64_t bid) {
    const std::uint64_t mixed = offset ^ bid;
    return static_cast<std::uint16_t>(((mixed >> 16) ^ mixed) & 0xFFFF);
}

bool readAndCheckHeader(VerifyContext& context) {
    const Bytes file = context.file;
    if (file.size() < kHeaderSize) {
        context.violation("header.truncated", headerField(0),
                          "the file has " + std::to_string(file.size()) +
                              " bytes, fewer than the 564 of a Unicode PST header");
        return false;
    }
    if (readU32(file, 0) != 0x4E444221) {
        context.violation("header.magic", headerField(0), "dwMagic is not \"!BDN\"");
        return false;
    }
    if (readU16(file, 8) != 0x4D53)
        context.violation("header.magic", headerField(8), "wMagicClient is not \"SM\"");

    FileHeader& header = context.header;
    header.version = readU16(file, 10);
    header.clientVersion = readU16(file, 12);
    if (header.version != 23) {
        context.violation("header.version", headerField(10),
                          "wVer is " + std::to_string(header.version) +
                              "; a Unicode PST has 23 (other versions are not read)");
        if (header.version < 23) return false;
    }
    if (header.clientVersion != 19)
        context.violation("header.client-version", headerField(12),
                          "wVerClient is " + std::to_string(header.clientVersion) + ", not 19");

    const std::uint32_t partial = readU32(file, 4);
    const std::uint32_t partialExpected = pstCrc32(slice(file, kMagicClient, kPartialCrcLength));
    if (partial != partialExpected)
        context.violation("header.crc-partial", headerField(4),
                          "dwCRCPartial is " + hexText(partial) + ", the 471 bytes from offset 8 give " +
                              hexText(partialExpected));
    const std::uint32_t full = readU32(file, 524);
    const std::uint32_t fullExpected = pstCrc32(slice(file, kMagicClient, kFullCrcLength));
    if (full != fullExpected)
        context.violation("header.crc-full", headerField(524),
                          "dwCRCFull is " + hexText(full) + ", the 516 bytes from offset 8 give " +
                              hexText(fullExpected));

    header.nextPageBid = readU64(file, 32);
    for (std::size_t type = 0; type < 32; ++type) header.nextNodeIndex[type] = readU32(file, 44 + 4 * type);
    header.fileEof = readU64(file, kRoot + 4);
    header.lastAMapOffset = readU64(file, kRoot + 12);
    header.amapFree = readU64(file, kRoot + 20);
    header.pmapFree = readU64(file, kRoot + 28);
    header.nodeBTree = {readU64(file, kRoot + 36), readU64(file, kRoot + 44)};
    header.blockBTree = {readU64(file, kRoot + 52), readU64(file, kRoot + 60)};
    header.amapValid = readU8(file, kRoot + 68);
    header.cryptMethod = readU8(file, 513);
    header.nextBlockBid = readU64(file, 516);

    if (readU8(file, 14) != 0x01 || readU8(file, 15) != 0x01)
        context.violation("header.platform", headerField(14),
                          "bPlatformCreate/bPlatformAccess are " + hexText(readU8(file, 14)) + "/" +
                              hexText(readU8(file, 15)) + ", not 0x01");
    if (readU8(file, 512) != 0x80)
        context.violation("header.sentinel", headerField(512),
                          "bSentinel is " + hexText(readU8(file, 512)) + ", not 0x80");
    if (header.cryptMethod > 2)
        context.violation("header.crypt-method", headerField(513),
                          "bCryptMethod is " + std::to_string(header.cryptMethod) +
                              "; MS-PST defines 0 (none), 1 (permutation) and 2 (cyclic)");
    if (header.amapValid != 2 && header.amapValid != 1)
        context.violation("header.amap-valid", headerField(kRoot + 68),
                          "fAMapValid is " + std::to_string(header.amapValid) +
                              ": the allocation maps are declared invalid");
    if (header.fileEof != file.size())
        context.violation("header.file-eof", headerField(kRoot + 4),
                          "ibFileEof is " + hexText(header.fileEof) + " but the file is " +
                              hexText(file.size()) + " bytes long");
    if (file.size() < kFirstAMapOffset + kPageSize) {
        context.violation("header.truncated", headerField(0),
                          "the file ends before its first allocation map at 0x4400");
        return false;
    }
    if ((file.size() - kFirstAMapOffset) % kAMapCoverage != 0)
        context.violation("header.file-size", headerField(kRoot + 4),
                          "the file does not end on an allocation-map boundary (0x4400 + n * 253,952 bytes)");
    const std::uint64_t lastAMap =
        kFirstAMapOffset + (file.size() - kFirstAMapOffset - 1) / kAMapCoverage * kAMapCoverage;
    if (header.lastAMapOffset != lastAMap)
        context.violation("header.amap-last", headerField(kRoot + 12),
                          "ibAMapLast is " + hexText(header.lastAMapOffset) + ", the last allocation map is at " +
                              hexText(lastAMap));
    return header.cryptMethod <= 2;
}

void checkHeaderCounters(VerifyContext& context) {
    const FileHeader& header = context.header;
    std::uint64_t highestBlock = 0;
    for (const auto& [key, block] : context.blocks) highestBlock = std::max(highestBlock, key);
    if (!context.blocks.empty() && header.nextBlockBid <= highestBlock)
        context.violation("header.bid-counter", at("header", 516),
                          "bidNextB " + hexText(header.nextBlockBid) + " is not above the block id " +
                              hexText(highestBlock) + " in use");
    std::uint64_t highestPage = 0;
    for (const auto& [offset, bid] : context.btreePages) highestPage = std::max(highestPage, blockKey(bid));
    if (!context.btreePages.empty() && header.nextPageBid <= highestPage)
        context.violation("header.page-counter", at("header", 32),
                          "bidNextP " + hexText(header.nextPageBid) + " is not above the page id " +
                              hexText(highestPage) + " in use");
    std::array<std::uint32_t, 32> highestIndex{};
    std::array<std::uint64_t, 32> highestNid{};
    for (const auto& [nid, node] : context.nodes) {
        const std::uint8_t type = nodeType(nid);
        if (nodeIndex(nid) >= highestIndex[type]) {
            highestIndex[type] = nodeIndex(nid);
            highestNid[type] = nid;
        }
    }
    for (std::size_t type = 0; type < 32; ++type) {
        if (highestNid[type] == 0) continue;
        // Outlook's own files hold the highest index handed out so far, so an
        // index equal to the counter is in order; one above it is not.
        if (header.nextNodeIndex[type] < highestIndex[type]) {
            Location location = at("header", 44 + 4 * type);
            location.nodeId = highestNid[type];
            context.violation("header.nid-counter", location,
                              "rgnid[" + std::to_string(type) + "] is " + hexText(header.nextNodeIndex[type]) +
                                  ", below the index of node " + hexText(highestNid[type]));
        }
    }
}

}  // namespace tessaly::pst::verify
