#pragma once
// Little-endian reads and writes of fixed-width integers in byte buffers; every
// on-disk PST field is little-endian whatever the host order.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessaly::pst {

using Bytes = std::vector<std::uint8_t>;

inline void put16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void put32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void put64(std::uint8_t* at, std::uint64_t value) {
    for (int i = 0; i < 8; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline std::uint16_t get16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

inline std::uint32_t get32(const std::uint8_t* at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | at[i];
    return value;
}

inline std::uint64_t get64(const std::uint8_t* at) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | at[i];
    return value;
}

// Appending forms, for building variable-length structures front to back.
inline void append16(Bytes& out, std::uint16_t value) {
    out.resize(out.size() + 2);
    put16(out.data() + out.size() - 2, value);
}

inline void append32(Bytes& out, std::uint32_t value) {
    out.resize(out.size() + 4);
    put32(out.data() + out.size() - 4, value);
}

inline void append64(Bytes& out, std::uint64_t value) {
    out.resize(out.size() + 8);
    put64(out.data() + out.size() - 8, value);
}

inline std::uint64_t alignUp(std::uint64_t value, std::uint64_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

}  // namespace tessaly::pst
