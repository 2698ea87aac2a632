#pragma once
// The CRC-32 that MS-PST uses for the header, page and block checksums and for
// the hash of named-property names: the reflected polynomial 0xEDB88320, the
// register starting at 0 and no final inversion (unlike the zlib CRC, which
// starts at and ends with 0xFFFFFFFF).

#include <cstdint>

#include "pst/verify/little_endian.h"

namespace tessaly::pst::verify {

std::uint32_t pstCrc32(Bytes bytes);

}  // namespace tessaly::pst::verify
