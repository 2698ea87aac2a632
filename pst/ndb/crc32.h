#pragma once
// The CRC-32 that MS-PST uses for header, page and block checksums: the
// reflected polynomial 0xEDB88320, started from the caller's value (0 for a
// fresh checksum) and without a final inversion.

#include <cstddef>
#include <cstdint>

namespace tessaly::pst {

std::uint32_t computeCrc(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);

}  // namespace tessaly::pst
