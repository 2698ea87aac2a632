#pragma once
// Heap-on-node (MS-PST 2.3.1): a node's data cut into blocks of up to 8,176
// bytes, each holding allocations and, after them, a page map listing where
// they start. Block 0 begins with the HNHDR; blocks 8, 136, 264, … with an
// HNBITMAPHDR; every other block with an HNPAGEHDR. An allocation is named by
// a HID: its 1-based index in the page map and the block's index.
//
// The heap is one stream cut into 8,176-byte pieces: every block but the last
// is padded with zeros after its page map to the full 8,176 bytes, as Outlook
// writes them, so that block k starts at k × 8,176 in the stream (readers built
// on Outlook's storage layer address it so). The padding counts as free space
// in the fill levels; the last block ends at its page map.

#include <cstdint>
#include <vector>

#include "pst/ndb/little_endian.h"
#include "pst/ndb/node_database_writer.h"

namespace tessaly::pst {

using Hid = std::uint32_t;

// bClientSig values of the heap's user.
enum class HeapClient : std::uint8_t {
    TableContext = 0x7C,
    BTreeOnHeap = 0xB5,
    PropertyContext = 0xBC,
};

constexpr std::size_t kMaxHeapAllocation = 3580;
// A HID holds an allocation's 1-based index in 11 bits.
constexpr std::size_t kMaxAllocationsPerBlock = 2047;

class HeapBuilder {
public:
    explicit HeapBuilder(HeapClient client);
    // A heap that writes each block to `writer` as soon as it is full; only
    // block 0 and the bitmap blocks, which record the fill levels of the
    // others, wait for write().
    HeapBuilder(HeapClient client, NodeDatabaseWriter& writer);

    // Stores `size` bytes (at most 3,580) and returns their HID.
    Hid allocate(const std::uint8_t* data, std::size_t size);
    Hid allocate(const Bytes& data) { return allocate(data.data(), data.size()); }
    // Replaces the bytes of an earlier allocation of the same size (one
    // reserved before its content was known); its block must not be written.
    void rewrite(Hid hid, const Bytes& data);
    void setUserRoot(Hid hid) { userRoot_ = hid; }

    // The finished heap blocks, each to become one data block of the node
    // (for a heap that has written none yet). The heap gives its blocks up:
    // nothing more can be allocated in it.
    std::vector<Bytes> finish();
    // Writes the blocks not yet written and the data tree over all of them;
    // returns the node's data BID.
    Bid write(NodeDatabaseWriter& writer);

    static std::size_t headerSize(std::size_t blockIndex);
    // The 4-bit fill level the format records for a block with `freeBytes`.
    static std::uint8_t fillLevel(std::size_t freeBytes);

private:
    struct Block {
        Bytes content;  // header space followed by the allocations
        std::vector<std::uint16_t> starts;
        Bid written = 0;  // set once the block is in the file
        std::uint32_t size = 0;
        std::uint8_t level = 0;
    };
    static std::size_t pageMapSize(std::size_t allocations) { return 4 + 2 * (allocations + 1); }
    static std::size_t finishedSize(const Block& block);
    std::vector<std::uint8_t> fillLevels() const;
    // `padded`: the block is not the heap's last and fills its 8,176 bytes.
    Bytes blockBytes(std::size_t index, const std::vector<std::uint8_t>& levels, bool padded) const;
    void sealBlock(std::size_t index, Bytes& bytes, const std::vector<std::uint16_t>& starts,
                   const std::vector<std::uint8_t>& levels, bool padded) const;
    void openBlock();

    NodeDatabaseWriter* sink_ = nullptr;

    HeapClient client_;
    Hid userRoot_ = 0;
    std::vector<Block> blocks_;
};

}  // namespace tessaly::pst
