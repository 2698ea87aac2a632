#pragma once
// Test-side tools for the verifier's tests: loading the reference PSTs and
// editing a copy in place (a header field, a page entry, a block's decoded
// bytes) while keeping every checksum right, so that a mutation breaks exactly
// the rule it is meant to break.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "pst/verify/block_trailers.h"
#include "pst/verify/btree_pages.h"
#include "pst/verify/crc32.h"
#include "pst/verify/file_header.h"
#include "pst/verify/node_contents.h"
#include "pst/verify/permutation_decoding.h"
#include "pst/verify/verify_context.h"
#include "pst/verify/verify_pst.h"
#include "support/test_files.h"

namespace tessaly::pst::verify::testing {

inline std::filesystem::path referencePst(const std::string& name) {
    return std::filesystem::path(TESSALY_FIXTURES_DIR) / "pst-reference" / name;
}

inline const char* const kOutlookDistList = "outlook2007-java-libpst-dist-list.pst";
inline const char* const kOutlookSample = "outlook2007-aspose-python-Outlook.pst";
inline const char* const kOutlook2013 = "outlook2013-ruby-msg-200-recipients.pst";
inline const char* const kOutlook2016 = "outlook2016-tika-testPST.pst";
inline const char* const kOtherWriter = "aspose-written-SampleContacts.pst";

inline std::vector<std::uint8_t> loadPst(const std::string& name) {
    const std::string text = tessaly::testing::readFile(referencePst(name));
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

inline std::set<std::string> violatedRules(const VerificationReport& report) {
    std::set<std::string> rules;
    for (const Finding& finding : report.violations) rules.insert(finding.rule);
    return rules;
}

inline std::string listing(const VerificationReport& report) {
    std::string text;
    for (const Finding& finding : report.violations) text += describe(finding) + "\n";
    return text;
}

// A copy of a PST with its B-trees indexed, to be edited.
class PstEditor {
public:
    explicit PstEditor(std::vector<std::uint8_t> bytes) : bytes(std::move(bytes)) { index(); }

    std::vector<std::uint8_t> bytes;

    void put(std::uint64_t offset, int size, std::uint64_t value) {
        for (int i = 0; i < size; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    std::uint64_t get(std::uint64_t offset, int size) const {
        std::uint64_t value = 0;
        for (int i = size - 1; i >= 0; --i) value = (value << 8) | bytes[offset + i];
        return value;
    }

    // Rewrites dwCRCPartial and dwCRCFull after a header edit.
    void fixHeaderCrcs() {
        put(4, 4, pstCrc32(Bytes(bytes.data() + 8, 471)));
        put(524, 4, pstCrc32(Bytes(bytes.data() + 8, 516)));
    }
    void fixPageCrc(std::uint64_t page) { put(page + 500, 4, pstCrc32(Bytes(bytes.data() + page, 496))); }

    const std::map<std::uint64_t, NodeEntry>& nodes() const { return nodes_; }
    const std::map<std::uint64_t, BlockEntry>& blocks() const { return blocks_; }
    const std::map<std::uint64_t, std::uint64_t>& pages() const { return pages_; }
    const BlockEntry& block(std::uint64_t bid) const { return blocks_.at(bid & ~std::uint64_t{1}); }

    // A data block's plain bytes (permutation-decoded).
    std::vector<std::uint8_t> decodedBlock(std::uint64_t bid) const {
        const BlockEntry& entry = block(bid);
        std::vector<std::uint8_t> data(bytes.begin() + entry.ib, bytes.begin() + entry.ib + entry.size);
        permutationDecode(data);
        return data;
    }
    // Stores plain bytes of the same size back, encoded, with the trailer CRC fixed.
    void writeDecodedBlock(std::uint64_t bid, const std::vector<std::uint8_t>& plain) {
        std::vector<std::uint8_t> stored(plain.size());
        for (std::size_t i = 0; i < plain.size(); ++i) stored[i] = encode(plain[i]);
        writeStoredBlock(bid, stored);
    }
    // Stores bytes as they are, with the trailer CRC fixed.
    void writeStoredBlock(std::uint64_t bid, const std::vector<std::uint8_t>& stored) {
        const BlockEntry& entry = block(bid);
        std::copy(stored.begin(), stored.end(), bytes.begin() + entry.ib);
        put(entry.ib + blockFootprint(entry.size) - 16 + 4, 4, pstCrc32(Bytes(bytes.data() + entry.ib, entry.size)));
    }

    // Where the B-tree leaf entries of a block and of a node sit in the file.
    std::uint64_t bbtEntryOffset(std::uint64_t bid) const { return entryOffset(block(bid).pageOffset, 24, blockKey(bid), ~std::uint64_t{1}); }
    std::uint64_t nbtEntryOffset(std::uint64_t nid) const { return entryOffset(nodes_.at(nid).pageOffset, 32, nid, 0xFFFFFFFF); }

    // Every data block (not internal) whose plain bytes contain `pattern`.
    std::vector<std::pair<std::uint64_t, std::size_t>> findInDataBlocks(const std::vector<std::uint8_t>& pattern) const {
        std::vector<std::pair<std::uint64_t, std::size_t>> hits;
        for (const auto& [key, entry] : blocks_) {
            if (isInternalBid(entry.bid) || !entry.readable) continue;
            const auto plain = decodedBlock(entry.bid);
            for (std::size_t i = 0; i + pattern.size() <= plain.size(); ++i)
                if (std::equal(pattern.begin(), pattern.end(), plain.begin() + i)) hits.emplace_back(entry.bid, i);
        }
        return hits;
    }

    VerificationReport verify() const { return verifyPstBytes(bytes); }

    // The store's objects as the verifier reads them (the name-to-id map among them).
    StoreContents contents() const {
        return withIndexes([](VerifyContext& context) { return checkNodeContents(context); });
    }

private:
    static std::uint8_t encode(std::uint8_t plain) {
        for (int stored = 0; stored < 256; ++stored)
            if (permutationDecodeByte(static_cast<std::uint8_t>(stored)) == plain) return static_cast<std::uint8_t>(stored);
        throw std::runtime_error("the decode table is no permutation");
    }

    std::uint64_t entryOffset(std::uint64_t page, unsigned entrySize, std::uint64_t key, std::uint64_t mask) const {
        for (unsigned i = 0; i < bytes[page + 488]; ++i)
            if ((get(page + entrySize * i, 8) & mask) == key) return page + entrySize * i;
        throw std::runtime_error("entry not found in its page");
    }

    // Runs `use` on a context that has read the header, both B-trees and the block trailers.
    template <typename Use>
    std::invoke_result_t<Use, VerifyContext&> withIndexes(Use use) const {
        VerificationReport ignored;
        VerifyContext context(Bytes(bytes.data(), bytes.size()), ignored);
        readAndCheckHeader(context);
        readBTrees(context);
        checkBlockTrailers(context);
        return use(context);
    }
    void index() {
        withIndexes([this](VerifyContext& context) {
            nodes_ = context.nodes;
            blocks_ = context.blocks;
            pages_ = context.btreePages;
        });
    }

    std::map<std::uint64_t, NodeEntry> nodes_;
    std::map<std::uint64_t, BlockEntry> blocks_;
    std::map<std::uint64_t, std::uint64_t> pages_;
};

}  // namespace tessaly::pst::verify::testing
