#include "pst/verify/btree_on_heap.h"

#include <algorithm>
#include <set>

namespace tessaly::pst::verify {

namespace {

constexpr std::uint8_t kBthType = 0xB5;
constexpr unsigned kMaxIndexLevels = 8;

std::uint64_t keyOf(Bytes record, unsigned keySize) {
    std::uint64_t key = 0;
    for (unsigned byte = keySize; byte-- > 0;) key = (key << 8) | readU8(record, byte);
    return key;
}

class BthWalk {
public:
    BthWalk(VerifyContext& context, const HeapOnNode& heap, unsigned keySize, unsigned entrySize, std::string what)
        : context_(context), heap_(heap), keySize_(keySize), entrySize_(entrySize), what_(std::move(what)) {}

    bool walk(std::uint32_t hid, unsigned level, std::optional<std::uint64_t> firstKey) {
        if (!context_.spend()) return false;
        // Each allocation belongs to one place in the tree; one reached twice
        // would let a damaged index multiply the work without end.
        if (!visited_.insert(hid).second) {
            context_.violation("bth.order", atNode("ltp", heap_.nid()),
                               what_ + ": allocation " + hexText(hid) + " is reached twice in the tree");
            return false;
        }
        const auto records = heap_.checkedAllocation(context_, hid, what_ + " level " + std::to_string(level));
        if (!records) return false;
        const unsigned recordSize = keySize_ + (level > 0 ? 4 : entrySize_);
        if (records->empty() || records->size() % recordSize != 0) {
            context_.violation("bth.record-size", atNode("ltp", heap_.nid()),
                               what_ + ": an allocation of " + std::to_string(records->size()) +
                                   " bytes is no whole number of " + std::to_string(recordSize) + "-byte records");
            return false;
        }
        const Bytes bytes(*records);
        for (std::uint64_t offset = 0; offset < bytes.size(); offset += recordSize) {
            const std::uint64_t key = keyOf(bytes.subspan(offset), keySize_);
            if (offset == 0 && firstKey && key != *firstKey)
                context_.violation("bth.order", atNode("ltp", heap_.nid()),
                                   what_ + ": an index record's key " + hexText(*firstKey) +
                                       " is not the first key below it (" + hexText(key) + ")");
            if (level > 0) {
                if (!walk(readU32(bytes, offset + keySize_), level - 1, key)) return false;
                continue;
            }
            if (!out.empty() && key <= out.back().key)
                context_.violation("bth.order", atNode("ltp", heap_.nid()),
                                   what_ + ": key " + hexText(key) + " does not follow " + hexText(out.back().key) +
                                       " in ascending order");
            if (!context_.takeKept(sizeof(BthRecord))) return false;
            BthRecord record;
            record.key = key;
            record.size = static_cast<std::uint8_t>(entrySize_);
            const Bytes data = bytes.subspan(offset + keySize_, entrySize_);
            std::copy(data.begin(), data.end(), record.value.begin());
            out.push_back(record);
        }
        return true;
    }

    std::vector<BthRecord> out;

private:
    VerifyContext& context_;
    const HeapOnNode& heap_;
    unsigned keySize_;
    unsigned entrySize_;
    std::string what_;
    std::set<std::uint32_t> visited_;
};

}  // namespace

std::optional<std::vector<BthRecord>> readBtreeOnHeap(VerifyContext& context, const HeapOnNode& heap,
                                                      std::uint32_t headerHid, unsigned keySize, unsigned entrySize,
                                                      const std::string& what) {
    const auto header = heap.checkedAllocation(context, headerHid, what + " header");
    if (!header) return std::nullopt;
    const Location where = atNode("ltp", heap.nid());
    if (header->size() != 8 || readU8(*header, 0) != kBthType) {
        context.violation("bth.header", where, what + ": the BTH header is not an 8-byte bType 0xB5 record");
        return std::nullopt;
    }
    const unsigned storedKeySize = readU8(*header, 1);
    const unsigned storedEntrySize = readU8(*header, 2);
    const unsigned levels = readU8(*header, 3);
    const std::uint32_t root = readU32(*header, 4);
    if (storedKeySize != keySize || storedEntrySize != entrySize) {
        context.violation("bth.header", where,
                          what + ": cbKey/cbEnt are " + std::to_string(storedKeySize) + "/" +
                              std::to_string(storedEntrySize) + ", expected " + std::to_string(keySize) + "/" +
                              std::to_string(entrySize));
        return std::nullopt;
    }
    if (levels > kMaxIndexLevels) {
        context.violation("bth.header", where, what + ": bIdxLevels " + std::to_string(levels) + " is beyond any real tree");
        return std::nullopt;
    }
    if (root == 0) {
        if (levels != 0)
            context.violation("bth.header", where, what + ": an empty BTH has index levels");
        return std::vector<BthRecord>{};
    }
    BthWalk walk(context, heap, keySize, entrySize, what);
    if (!walk.walk(root, levels, std::nullopt)) return std::nullopt;
    return std::move(walk.out);
}

}  // namespace tessaly::pst::verify
