#pragma once
// The state one verification run shares between its checks: the file's bytes,
// what has been read from the header and the two B-trees, the references
// counted so far, and the report being filled.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "pst/verify/finding.h"
#include "pst/verify/little_endian.h"

namespace tessaly::pst::verify {

// Sizes and places fixed by MS-PST for the Unicode format.
inline constexpr std::uint64_t kHeaderSize = 564;
inline constexpr std::uint64_t kPageSize = 512;
inline constexpr std::uint64_t kPageDataSize = 496;
inline constexpr std::uint64_t kBlockAlignment = 64;
inline constexpr std::uint64_t kBlockTrailerSize = 16;
inline constexpr std::uint64_t kMaxBlockDataSize = 8192 - 16;
inline constexpr std::uint64_t kFirstAMapOffset = 0x4400;
inline constexpr std::uint64_t kDListOffset = 0x4200;
inline constexpr std::uint64_t kAMapCoverage = 496 * 8 * 64;  // 253,952 bytes

struct BlockRef {
    std::uint64_t bid = 0;
    std::uint64_t ib = 0;
};

struct FileHeader {
    std::uint16_t version = 0;
    std::uint16_t clientVersion = 0;
    std::uint64_t nextPageBid = 0;
    std::uint64_t nextBlockBid = 0;
    std::array<std::uint32_t, 32> nextNodeIndex{};
    std::uint64_t fileEof = 0;
    std::uint64_t lastAMapOffset = 0;
    std::uint64_t amapFree = 0;
    std::uint64_t pmapFree = 0;
    BlockRef nodeBTree;
    BlockRef blockBTree;
    std::uint8_t amapValid = 0;
    std::uint8_t cryptMethod = 0;
};

struct NodeEntry {
    std::uint64_t nid = 0;
    std::uint64_t dataBid = 0;
    std::uint64_t subnodeBid = 0;
    std::uint32_t parentNid = 0;
    std::uint64_t pageOffset = 0;
};

struct BlockEntry {
    std::uint64_t bid = 0;
    std::uint64_t ib = 0;
    std::uint16_t size = 0;       // cb: the bytes of data, without padding and trailer
    std::uint16_t refCount = 0;   // cRef
    std::uint64_t pageOffset = 0;
    bool readable = false;        // placed inside the file with a trailer that agrees
};

// Node types (the low five bits of a NID).
enum NodeType : std::uint8_t {
    kNidHid = 0x00,
    kNidInternal = 0x01,
    kNidNormalFolder = 0x02,
    kNidSearchFolder = 0x03,
    kNidNormalMessage = 0x04,
    kNidAttachment = 0x05,
    kNidSearchCriteriaObject = 0x07,
    kNidAssociatedMessage = 0x08,
    kNidReceiveFolderTable = 0x0B,
    kNidOutgoingQueueTable = 0x0C,
    kNidHierarchyTable = 0x0D,
    kNidContentsTable = 0x0E,
    kNidAssociatedContentsTable = 0x0F,
    kNidSearchContentsTable = 0x10,
    kNidAttachmentTable = 0x11,
    kNidRecipientTable = 0x12,
};

inline std::uint8_t nodeType(std::uint64_t nid) { return static_cast<std::uint8_t>(nid & 0x1F); }
inline std::uint32_t nodeIndex(std::uint64_t nid) { return static_cast<std::uint32_t>((nid & 0xFFFFFFFFu) >> 5); }
inline std::uint64_t blockKey(std::uint64_t bid) { return bid & ~std::uint64_t{1}; }
inline bool isInternalBid(std::uint64_t bid) { return (bid & 2) != 0; }

// What the header and the two B-trees give. Read once; once the node
// contents are checked, only looked up.
struct FileIndex {
    FileHeader header;
    std::map<std::uint64_t, NodeEntry> nodes;     // by NID
    std::map<std::uint64_t, BlockEntry> blocks;   // by BID with the reserved bit cleared
    std::map<std::uint64_t, std::uint64_t> btreePages;  // offset -> page BID, every B-tree page read
    std::map<std::uint64_t, std::uint64_t> references;  // BID key -> references found
    std::set<std::uint64_t> expandedInternalBlocks;     // internal blocks whose entries were counted
};

class VerifyContext {
public:
    VerifyContext(Bytes file, VerificationReport& report)
        : file(file),
          header(index_.header),
          nodes(index_.nodes),
          blocks(index_.blocks),
          btreePages(index_.btreePages),
          references(index_.references),
          expandedInternalBlocks(index_.expandedInternalBlocks),
          report_(report),
          budget_(kBaseWork + kWorkPerByte * file.size()),
          read_{readAllowance(file.size())},
          kept_{keptAllowance(file.size())} {}
    VerifyContext(const VerifyContext&) = delete;
    VerifyContext& operator=(const VerifyContext&) = delete;

    // A context for checking part of the file on another thread: it looks
    // things up in this context's index (which must not change meanwhile),
    // draws on half of what is left of this context's work and allowances,
    // and keeps its findings in `report` for rejoin() to pass on.
    std::unique_ptr<VerifyContext> splitOff(VerificationReport& report);
    // Takes back what `part` left of its share and passes on its findings,
    // as if this context had found them: the same limits per rule apply.
    void rejoin(const VerifyContext& part, const VerificationReport& partReport);

    void violation(const std::string& rule, Location location, const std::string& message);
    void warning(const std::string& rule, Location location, const std::string& message);

    // A shared allowance of work: every loop over file-controlled counts draws
    // on it, so no file can keep the verifier busy for long.
    bool spend(std::uint64_t steps = 1);
    // Two shared allowances of bytes, both in proportion to the file's size,
    // so that however often a file's structures name the same bytes, what the
    // verifier reads and holds stays bounded by what the file holds:
    // - read: every block copied out of the file (to decode it, to look into
    //   a heap), whether or not it is kept; a valid file's blocks are read a
    //   few times each at most;
    // - keep: every copy that may outlive the block it came from (a value
    //   joined from its blocks, a heap allocation taken out) and every record
    //   built from them (BTH records, table rows and cells).
    bool takeRead(std::uint64_t bytes) { return take(read_, bytes); }
    bool takeKept(std::uint64_t bytes) { return take(kept_, bytes); }
    // Whether checks stopped early for want of work or bytes: a reader that
    // gives up then has found no damage.
    bool limitReached() const { return budgetReported_; }
    std::uint64_t bytesRead() const { return read_.taken; }
    std::uint64_t bytesKept() const { return kept_.taken; }
    static std::uint64_t readAllowance(std::uint64_t fileSize) { return kBaseRead + kReadPerFileByte * fileSize; }
    static std::uint64_t keptAllowance(std::uint64_t fileSize) { return kBaseKept + kKeptPerFileByte * fileSize; }

    const BlockEntry* findBlock(std::uint64_t bid) const;
    const NodeEntry* findNode(std::uint64_t nid) const;

private:
    VerifyContext(const VerifyContext& shared, VerificationReport& report);
    FileIndex index_;  // a split-off part's stays empty

public:
    Bytes file;
    FileHeader& header;
    std::map<std::uint64_t, NodeEntry>& nodes;
    std::map<std::uint64_t, BlockEntry>& blocks;
    std::map<std::uint64_t, std::uint64_t>& btreePages;
    std::map<std::uint64_t, std::uint64_t>& references;
    std::set<std::uint64_t>& expandedInternalBlocks;

private:
    VerificationReport& report_;
    std::map<std::string, std::size_t> perRule_;
    // Enough for any well-formed file many times over (its structures are
    // bounded by its size), small enough that a damaged one ends in seconds.
    static constexpr std::uint64_t kBaseWork = 20'000'000;
    static constexpr std::uint64_t kWorkPerByte = 8;
    // Reading is what takes time: a valid file's blocks are read a few times
    // at most (a heap looked into out of order reads some of its blocks again).
    static constexpr std::uint64_t kBaseRead = 256ull * 1024 * 1024;
    static constexpr std::uint64_t kReadPerFileByte = 16;
    // What is kept is what takes memory: the verifier is to stay within 64 MB
    // plus four times the file's size, the file's own pages among them.
    // Valid files keep about 1.5 times their size over a whole run (stores of
    // 30,000 contacts), most of it let go again as each node is done.
    static constexpr std::uint64_t kBaseKept = 16ull * 1024 * 1024;
    static constexpr std::uint64_t kKeptPerFileByte = 3;
    struct Allowance {
        std::uint64_t limit = 0;
        std::uint64_t taken = 0;
    };
    std::uint64_t budget_;
    Allowance read_;
    Allowance kept_;
    bool budgetReported_ = false;
    // A split-off part keeps one finding more than the limit per rule and no
    // note of further ones: rejoin() applies the limit to all of them.
    bool splitOff_ = false;

    bool take(Allowance& allowance, std::uint64_t bytes);
    void reportLimit();
};

inline Location at(const char* layer, std::uint64_t offset) {
    Location location;
    location.layer = layer;
    location.offset = offset;
    return location;
}
inline Location atNode(const char* layer, std::uint64_t nid) {
    Location location;
    location.layer = layer;
    location.nodeId = nid;
    return location;
}
inline Location atBlock(const char* layer, std::uint64_t bid, std::uint64_t offset) {
    Location location;
    location.layer = layer;
    location.blockId = bid;
    location.offset = offset;
    return location;
}

}  // namespace tessaly::pst::verify
