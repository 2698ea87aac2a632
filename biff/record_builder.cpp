#include "biff/record_builder.h"

#include <bit>

namespace tessaly {

void RecordBuilder::f64(double value) {
    auto bits = std::bit_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i) {
        u8(static_cast<std::uint8_t>(bits & 0xFF));
        bits >>= 8;
    }
}

std::string_view RecordBuilder::bytes() {
    const auto length = static_cast<std::uint16_t>(size_ - 4);
    buffer_[2] = static_cast<char>(length & 0xFF);
    buffer_[3] = static_cast<char>(length >> 8);
    return std::string_view(buffer_.data(), size_);
}

}  // namespace tessaly
