#pragma once
// Little-endian reads from a byte range. A read that would run past the end
// of the range yields 0 instead of touching memory outside it, so a damaged
// file can never make the verifier read out of bounds; callers check sizes
// first and report the damage themselves.

#include <cstddef>
#include <cstdint>
#include <span>

namespace tessaly::pst::verify {

using Bytes = std::span<const std::uint8_t>;

inline bool fits(Bytes bytes, std::uint64_t offset, std::uint64_t size) {
    return offset <= bytes.size() && size <= bytes.size() - offset;
}

inline std::uint8_t readU8(Bytes bytes, std::uint64_t offset) {
    return fits(bytes, offset, 1) ? bytes[offset] : 0;
}

inline std::uint16_t readU16(Bytes bytes, std::uint64_t offset) {
    if (!fits(bytes, offset, 2)) return 0;
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

inline std::uint32_t readU32(Bytes bytes, std::uint64_t offset) {
    if (!fits(bytes, offset, 4)) return 0;
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | bytes[offset + i];
    return value;
}

inline std::uint64_t readU64(Bytes bytes, std::uint64_t offset) {
    if (!fits(bytes, offset, 8)) return 0;
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[offset + i];
    return value;
}

// The part of `bytes` from `offset` on, `size` long; empty when it does not fit.
inline Bytes slice(Bytes bytes, std::uint64_t offset, std::uint64_t size) {
    if (!fits(bytes, offset, size)) return {};
    return bytes.subspan(offset, size);
}

}  // namespace tessaly::pst::verify
