#pragma once
// The node database of one file being written (MS-PST 2.2): blocks go to the
// file as soon as they are handed over; the node and block B-tree entries
// stay in memory and are written, with the allocation maps and the header,
// when the file is finished. The file is staged under a unique temporary name
// beside the final one and renamed into place only by finish(), so the final
// path never holds a half-written file and no other file is overwritten: a
// store is always a new file, never written over one that exists (when a file
// took its name while it was written, it takes the next free numbered name).

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/large_pages.h"
#include "common/staged_file.h"
#include "pst/ndb/block.h"
#include "pst/ndb/btree_page.h"
#include "pst/ndb/file_space.h"
#include "pst/ndb/ids.h"

namespace tessaly::pst {

class NodeDatabaseWriter {
public:
    // `unique` seeds the header's dwUnique; tests pass a fixed value so their
    // files are reproducible.
    NodeDatabaseWriter(std::filesystem::path finalPath, std::uint32_t unique);
    ~NodeDatabaseWriter();
    NodeDatabaseWriter(const NodeDatabaseWriter&) = delete;
    NodeDatabaseWriter& operator=(const NodeDatabaseWriter&) = delete;

    // A new NID of `type` from the header's counters. (Message NIDs may be
    // taken on one thread while another writes: see nextNidIndex_.)
    Nid newNid(NidType type);
    // Keeps the header's counter for the NID's type above the NID's index.
    void noteNid(Nid nid);

    // Writes `data` as node data: one data block, or a data tree (XBLOCK,
    // XXBLOCK) over blocks of up to 8,176 bytes. Returns 0 for no data.
    Bid writeData(const std::uint8_t* data, std::size_t size);
    Bid writeData(const Bytes& data) { return writeData(data.data(), data.size()); }
    // Writes each chunk (up to 8,176 bytes) as one data block, under a data
    // tree when there is more than one; heaps need their blocks kept whole.
    Bid writeDataChunks(const std::vector<Bytes>& chunks);
    // The same taking the chunks over: each becomes its block's image
    // without a copy (room for blockDiskSize of it spares a reallocation).
    Bid writeDataChunks(std::vector<Bytes>&& chunks);
    // One data block (permutation-encoded) of up to 8,176 bytes.
    Bid writeDataBlock(const std::uint8_t* data, std::size_t size);
    // The same taking the bytes over: they become the block's image.
    Bid writeDataBlock(Bytes&& data);
    // The data tree over data blocks already written (`sizes` their payload
    // sizes); a single block is its own tree.
    Bid writeDataTree(const std::vector<Bid>& blocks, const std::vector<std::uint32_t>& sizes);
    // Writes a subnode tree (SLBLOCK, or SIBLOCK over SLBLOCKs) and returns its
    // BID, 0 when there are no entries.
    Bid writeSubnodeTree(std::vector<SubnodeLeafEntry> entries);

    // Adds a node to the node B-tree, counting its references to blocks.
    void addNode(Nid nid, Bid data, Bid subnodes, Nid parent);
    // Counts one more reference to an existing block. A block counts its
    // references in 16 bits; one more than 65,535 is an error, not a wrap.
    void addReference(Bid bid);
    // How many more references the block can count.
    std::uint32_t referencesLeft(Bid bid) const;

    // Writes the B-trees, maps and header, then renames the file into place.
    void finish();
    // Removes the unfinished file at once (the destructor would too).
    void abandon() noexcept;

    const std::string& fileName() const { return fileName_; }
    // Where the finished file went: the name it was made for, or, when another
    // file took that name in the meantime, the next free " (N)" copy of it.
    const std::filesystem::path& finalPath() const { return file_.finalPath(); }
    // Why writing to the file failed, empty while nothing has. After a failed
    // write the file has a gap: every later write fails with this first cause.
    const std::string& writeFailure() const { return writeFailure_; }
    // One entry per block and per node, kept to the end: megabytes for a
    // large store, so in large pages.
    template <typename Entry>
    using Entries = std::vector<Entry, LargePageAllocator<Entry>>;
    const Entries<BlockBTreeEntry>& blocks() const { return blocks_; }

private:
    Bid nextBid(bool internal);
    std::size_t blockIndex(Bid bid) const;
    Bid writeBlock(const std::uint8_t* payload, std::size_t size, bool internal);
    Bid writeBlock(Bytes&& payload, bool internal);
    void writeAt(std::uint64_t ib, const std::uint8_t* data, std::size_t size);
    template <typename Entry, typename Key, typename Build>
    BlockRef writeBTree(const Entries<Entry>& leaves, std::size_t leafCapacity, PageType type, Key key,
                        Build buildLeaf);
    [[noreturn]] void fail(const std::string& cause) const;
    // Writes the AMap and PMap pages of the ranges closed since last time.
    void writeClosedRangeMaps();
    void writeRangeMaps(std::uint32_t range);

    std::string fileName_;
    StagedFile file_;
    FileSpace space_;
    Bid bidCounter_ = kBidStep;  // next BID value, shared by blocks and pages
    std::uint32_t unique_;
    // One counter per NID type. Atomic: while messages are written in the
    // background, the caller takes message NIDs and the writer notes them
    // (and takes NIDs of other types); each counter still has one writer.
    // On cache lines of their own, apart from bidCounter_ and blocks_, which
    // the writing thread moves for every block.
    alignas(64) std::array<std::atomic<std::uint32_t>, 32> nextNidIndex_{};
    alignas(64) Entries<BlockBTreeEntry> blocks_;
    Entries<NodeBTreeEntry> nodes_;
    std::uint32_t rangeMapsWritten_ = 0;  // ranges whose AMap and PMap are in the file
    std::string writeFailure_;
    bool finished_ = false;
};

}  // namespace tessaly::pst
