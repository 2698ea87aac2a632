#pragma once
// One libFuzzer input read as a stream of decisions: bytes, little-endian
// integers, numbers and length-prefixed texts. Reading past the end gives
// zeros and empty texts, so every input, however short, is a whole run.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

namespace tessaly::fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return position_ >= size_; }
    std::size_t remaining() const { return size_ - position_; }

    std::uint8_t byte() { return empty() ? 0 : data_[position_++]; }

    // One of `count` choices (count > 0).
    std::size_t choice(std::size_t count) { return byte() % count; }

    template <typename Integer>
    Integer integer() {
        static_assert(std::is_integral_v<Integer>);
        std::make_unsigned_t<Integer> value = 0;
        for (std::size_t i = 0; i < sizeof(Integer); ++i)
            value |= static_cast<std::make_unsigned_t<Integer>>(static_cast<std::make_unsigned_t<Integer>>(byte()) << (8 * i));
        return static_cast<Integer>(value);
    }

    // Eight bytes taken as the bits of a double: NaNs and infinities included.
    double bitsAsDouble() {
        const std::uint64_t bits = integer<std::uint64_t>();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // A text of any bytes: a two-byte length, then that many bytes (fewer
    // when the input ends first).
    std::string text() { return text(integer<std::uint16_t>()); }

    // The next `length` bytes (fewer when the input ends first).
    std::string text(std::size_t length) {
        length = std::min(length, remaining());
        std::string bytes(reinterpret_cast<const char*>(data_ + position_), length);
        position_ += length;
        return bytes;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

}  // namespace tessaly::fuzz
