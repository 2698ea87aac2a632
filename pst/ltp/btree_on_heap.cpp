#include "pst/ltp/btree_on_heap.h"

#include <algorithm>

namespace tessaly::pst {

Bytes bTreeOnHeapHeader(std::uint8_t keySize, std::uint8_t dataSize, std::uint8_t indexLevels, Hid root) {
    Bytes out{static_cast<std::uint8_t>(HeapClient::BTreeOnHeap), keySize, dataSize, indexLevels};
    append32(out, root);
    return out;
}

Hid buildBTreeOnHeap(HeapBuilder& heap, std::uint8_t keySize, std::uint8_t dataSize, const Bytes& records,
                     Hid header) {
    auto placeHeader = [&](std::uint8_t levels, Hid root) {
        const Bytes bytes = bTreeOnHeapHeader(keySize, dataSize, levels, root);
        if (header == 0) return heap.allocate(bytes);
        heap.rewrite(header, bytes);
        return header;
    };
    std::size_t recordSize = keySize + dataSize;
    // Each node of the tree: the first key below it and its HID.
    Bytes level;
    std::size_t count = records.size() / recordSize;
    const std::uint8_t* source = records.data();
    std::uint8_t indexLevels = 0;
    if (count == 0) return placeHeader(0, 0);
    for (;;) {
        const std::size_t perNode = kMaxHeapAllocation / recordSize;
        Bytes upper;
        for (std::size_t first = 0; first < count; first += perNode) {
            const std::size_t n = std::min(perNode, count - first);
            const Hid hid = heap.allocate(source + first * recordSize, n * recordSize);
            upper.insert(upper.end(), source + first * recordSize, source + first * recordSize + keySize);
            append32(upper, hid);
        }
        const std::size_t nodes = upper.size() / (keySize + 4u);
        if (nodes == 1) {
            return placeHeader(indexLevels, get32(upper.data() + keySize));
        }
        level = std::move(upper);
        source = level.data();
        count = nodes;
        recordSize = keySize + 4u;
        ++indexLevels;
    }
}

}  // namespace tessaly::pst
