#include "pst/verify/crc32.h"

#include <array>

namespace tessaly::pst::verify {

namespace {

constexpr std::uint32_t kReflectedPolynomial = 0xEDB88320u;

// Eight tables, so that each step takes eight bytes: row k gives the register
// after a byte followed by k zero bytes. A store of 100 MB has as many bytes
// to check, and one table lookup a byte was most of the verifier's time.
using CrcRows = std::array<std::array<std::uint32_t, 256>, 8>;

const CrcRows& crcRows() {
    static const CrcRows rows = [] {
        CrcRows entries{};
        for (std::uint32_t index = 0; index < 256; ++index) {
            std::uint32_t value = index;
            for (int bit = 0; bit < 8; ++bit)
                value = (value & 1) ? (value >> 1) ^ kReflectedPolynomial : value >> 1;
            entries[0][index] = value;
        }
        for (std::size_t row = 1; row < entries.size(); ++row)
            for (std::uint32_t index = 0; index < 256; ++index)
                entries[row][index] = (entries[row - 1][index] >> 8) ^ entries[0][entries[row - 1][index] & 0xFF];
        return entries;
    }();
    return rows;
}

}  // namespace

std::uint32_t pstCrc32(Bytes bytes) {
    const auto& rows = crcRows();
    std::uint32_t crc = 0;
    std::size_t at = 0;
    const auto word = [&bytes](std::size_t at) {
        return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
               static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
    };
    // The first four bytes of a step, with the register, are followed by
    // seven to four more; the last four by three to none.
    for (; at + 8 <= bytes.size(); at += 8) {
        crc ^= word(at);
        const std::uint32_t next = word(at + 4);
        crc = rows[7][crc & 0xFF] ^ rows[6][(crc >> 8) & 0xFF] ^ rows[5][(crc >> 16) & 0xFF] ^ rows[4][crc >> 24] ^
              rows[3][next & 0xFF] ^ rows[2][(next >> 8) & 0xFF] ^ rows[1][(next >> 16) & 0xFF] ^ rows[0][next >> 24];
    }
    for (; at < bytes.size(); ++at) crc = rows[0][(crc ^ bytes[at]) & 0xFF] ^ (crc >> 8);
    return crc;
}

}  // namespace tessaly::pst::verify
