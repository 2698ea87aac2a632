#pragma once
// Every block the block B-tree lists: its place in the file (aligned, inside the
// file, not over 8,176 bytes of data) and its trailer (size, signature, CRC of
// the stored bytes, block id).

#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

#include "pst/verify/verify_context.h"

namespace tessaly::pst::verify {

// The CRC of a block's stored bytes beside the one its trailer holds.
struct BlockChecksum {
    BlockEntry block;
    std::uint32_t stored = 0;
    std::uint32_t computed = 0;
};

// The checksums of a file's blocks, computed on a thread of their own while
// the other checks go on: they need nothing but the file's bytes, and on a
// large store they are a fifth of the verifier's work (the thread also brings
// the file's pages in ahead of the checks that read them). A small file's are
// computed at once, a thread costing more than they do.
class PendingBlockChecksums {
public:
    PendingBlockChecksums(Bytes file, std::vector<BlockChecksum> blocks);
    ~PendingBlockChecksums();
    PendingBlockChecksums(const PendingBlockChecksums&) = delete;
    PendingBlockChecksums& operator=(const PendingBlockChecksums&) = delete;

    // Waits for the checksums and reports each block whose trailer's CRC
    // differs ("block.crc"), in the order of the block B-tree.
    void report(VerifyContext& context);

private:
    void compute();

    Bytes file_;
    std::vector<BlockChecksum> blocks_;
    std::thread thread_;
};

// Checks every block's place and trailer, marks the blocks that can be read,
// and starts on their checksums.
PendingBlockChecksums startBlockTrailerChecks(VerifyContext& context);

// The same with the checksums reported before it returns.
void checkBlockTrailers(VerifyContext& context);

// The bytes a block occupies in the file: data, padding and trailer, 64-aligned.
inline std::uint64_t blockFootprint(std::uint64_t dataSize) {
    return (dataSize + kBlockTrailerSize + kBlockAlignment - 1) / kBlockAlignment * kBlockAlignment;
}

// The data of a readable block as stored (not decoded); empty when unreadable.
Bytes storedBlockData(const VerifyContext& context, const BlockEntry& block);

}  // namespace tessaly::pst::verify
