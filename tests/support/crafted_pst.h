#pragma once
// Whole .pst files built by hand for the verifier's tests: a Unicode header,
// the blocks given (placed from 0x4400 on, each with its trailer) and node and
// block B-trees over them. No allocation maps are written, so such a file
// always breaks those rules; the shapes below are made to reach the deeper
// layers and stress them.

#include <cstdint>
#include <map>
#include <vector>

namespace tessaly::testing {

using ByteVector = std::vector<std::uint8_t>;

class CraftedPst {
public:
    // Block ids: data blocks have bit 1 clear, internal blocks (data and
    // subnode trees) have it set.
    void addBlock(std::uint64_t bid, const ByteVector& data);
    void addNode(std::uint64_t nid, std::uint64_t dataBid, std::uint64_t subnodeBid = 0, std::uint32_t parent = 0);
    // cRef of a block: 2 unless set here.
    void setRefCount(std::uint64_t bid, std::uint16_t refCount) { refCounts_[bid] = refCount; }

    ByteVector bytes() const;

private:
    std::map<std::uint64_t, ByteVector> blocks_;
    std::map<std::uint64_t, std::uint16_t> refCounts_;
    struct Node {
        std::uint64_t dataBid = 0;
        std::uint64_t subnodeBid = 0;
        std::uint32_t parent = 0;
    };
    std::map<std::uint64_t, Node> nodes_;
};

// Pieces of the structures stored in blocks.
ByteVector littleEndianBytes(std::uint64_t value, int size);
// An XBLOCK (level 1) or XXBLOCK (level 2) with the given entries and lcbTotal.
ByteVector dataTreeBlock(std::uint8_t level, const std::vector<std::uint64_t>& children, std::uint32_t total);
// An SLBLOCK of {subnode, data block, subnode tree} entries.
ByteVector subnodeLeafBlock(const std::vector<std::vector<std::uint64_t>>& entries);
// A property context of one heap block, its properties (id, type, value or
// HNID) in one BTH leaf; `extra` allocations follow it, for values to name.
ByteVector propertyContextBlock(const std::vector<std::vector<std::uint32_t>>& properties,
                                const std::vector<ByteVector>& extra = {});

// The files the verifier's memory goals are checked on.
// A message whose property context lies in a data tree that lists one XBLOCK
// `repeats` times, that XBLOCK listing one 8,176-byte heap block (whose page
// map holds thousands of allocations) `repeats` times.
ByteVector pstWithRepeatedDataBlocks(unsigned repeats);
// A message with `values` binary properties, each in a subnode whose data
// tree holds about 64 MiB in blocks (the same few listed over and over)
// while its lcbTotal claims 1 MiB.
ByteVector pstWithOversizedValueTrees(unsigned values);
// A message with `values` binary properties that all name one subnode of
// `valueBytes` bytes in distinct blocks, its data tree sound.
ByteVector pstWithValuesSharingOneSubnode(unsigned values, unsigned valueBytes);

}  // namespace tessaly::testing
