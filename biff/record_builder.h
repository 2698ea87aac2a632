#pragma once
// Builds one BIFF record in memory: the 16-bit record number, the 16-bit length
// of the data and the data, every integer little-endian. The buffer has room
// for the largest record the format allows, so writing a cell neither
// allocates nor checks a capacity more than once per call.

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace tessaly {

class RecordBuilder {
public:
    // Starts a new record; the length field is filled in by `bytes()`.
    void start(std::uint16_t recordNumber) {
        size_ = 0;
        u16(recordNumber);
        u16(0);
    }

    void u8(std::uint8_t value) {
        if (size_ < buffer_.size()) buffer_[size_++] = static_cast<char>(value);
    }
    void u16(std::uint16_t value) {
        u8(static_cast<std::uint8_t>(value & 0xFF));
        u8(static_cast<std::uint8_t>(value >> 8));
    }
    void f64(double value);  // IEEE 754 double, little-endian
    // Bytes past the largest record are dropped; callers check the length of
    // what they write first.
    void text(std::string_view bytes) {
        const std::size_t room = buffer_.size() - size_;
        const std::size_t count = bytes.size() < room ? bytes.size() : room;
        if (count == 0) return;  // an empty view may have no data pointer at all
        std::memcpy(buffer_.data() + size_, bytes.data(), count);
        size_ += count;
    }

    // The record with its length field set to the data written since `start`.
    std::string_view bytes();

private:
    // Four bytes of record header and at most 65,535 bytes of data.
    std::array<char, 4 + 65535> buffer_{};
    std::size_t size_ = 0;
};

}  // namespace tessaly
