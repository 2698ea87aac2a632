#pragma once
// The BTree-on-heap (MS-PST BTH): a header (bType 0xB5, key and entry sizes,
// index levels, root HID) and records in heap allocations, keys ascending
// through all levels. Reading checks the header against the sizes the caller
// expects and walks every level.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pst/verify/heap_on_node.h"

namespace tessaly::pst::verify {

struct BthRecord {
    std::uint64_t key = 0;                // keys of up to 8 bytes, little-endian
    std::array<std::uint8_t, 8> value{};  // the record's data: entries of up to 8 bytes
    std::uint8_t size = 0;

    Bytes data() const { return Bytes(value.data(), size); }
};

std::optional<std::vector<BthRecord>> readBtreeOnHeap(VerifyContext& context, const HeapOnNode& heap,
                                                      std::uint32_t headerHid, unsigned keySize, unsigned entrySize,
                                                      const std::string& what);

}  // namespace tessaly::pst::verify
