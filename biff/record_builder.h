#pragma once
// Builds one BIFF record in memory: the 16-bit record number, the 16-bit length
// of the data and the data, every integer little-endian. The builder keeps its
// buffer between records so that writing a cell allocates nothing once warm.

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly {

class RecordBuilder {
public:
    // Starts a new record; the length field is filled in by `bytes()`.
    void start(std::uint16_t recordNumber);

    // Inline: a sheet row calls these a few hundred times.
    void u8(std::uint8_t value) { buffer_ += static_cast<char>(value); }
    void u16(std::uint16_t value) {
        const char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
        buffer_.append(bytes, 2);
    }
    void f64(double value);  // IEEE 754 double, little-endian
    void text(std::string_view bytes) { buffer_.append(bytes); }

    // The record with its length field set to the data written since `start`.
    // The data of one record is at most 65,535 bytes; the callers check that.
    std::string_view bytes();

private:
    std::string buffer_;
};

}  // namespace tessaly
