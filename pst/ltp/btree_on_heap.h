#pragma once
// BTree-on-heap (MS-PST 2.3.2): records of a fixed key and data size kept in
// heap allocations, with index levels above the leaves when the records do
// not fit in one allocation. Its BTHHEADER is itself a heap allocation.

#include <cstdint>

#include "pst/ltp/heap_builder.h"

namespace tessaly::pst {

// Stores `records` (concatenated key+data records, sorted by key ascending
// as little-endian numbers) and returns the HID of the BTHHEADER. With
// `header` (an 8-byte allocation reserved earlier) the header goes there.
Hid buildBTreeOnHeap(HeapBuilder& heap, std::uint8_t keySize, std::uint8_t dataSize, const Bytes& records,
                     Hid header = 0);

// The 8-byte BTHHEADER.
Bytes bTreeOnHeapHeader(std::uint8_t keySize, std::uint8_t dataSize, std::uint8_t indexLevels, Hid root);

}  // namespace tessaly::pst
