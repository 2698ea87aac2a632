#include "pst/verify/crc32.h"

#include <array>

namespace tessaly::pst::verify {

namespace {

constexpr std::uint32_t kReflectedPolynomial = 0xEDB88320u;

const std::array<std::uint32_t, 256>& crcTable() {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t index = 0; index < 256; ++index) {
            std::uint32_t value = index;
            for (int bit = 0; bit < 8; ++bit)
                value = (value & 1) ? (value >> 1) ^ kReflectedPolynomial : value >> 1;
            entries[index] = value;
        }
        return entries;
    }();
    return table;
}

}  // namespace

std::uint32_t pstCrc32(Bytes bytes) {
    const auto& table = crcTable();
    std::uint32_t crc = 0;
    for (std::uint8_t byte : bytes) crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    return crc;
}

}  // namespace tessaly::pst::verify
