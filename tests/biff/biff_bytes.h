#pragma once
// Test helpers for BIFF files: bytes written as hex, and a file cut into its
// records by the record framing alone (number, length, data).

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::testing {

// "04 00 0D" -> the three bytes.
inline std::string hexBytes(std::string_view spaced) {
    std::string out;
    for (std::size_t i = 0; i < spaced.size();) {
        if (spaced[i] == ' ') {
            ++i;
            continue;
        }
        out += static_cast<char>(std::stoi(std::string(spaced.substr(i, 2)), nullptr, 16));
        i += 2;
    }
    return out;
}

struct BiffRecord {
    std::uint16_t number = 0;
    std::string data;
};

inline std::uint16_t le16(std::string_view bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[offset]) |
                                      static_cast<unsigned char>(bytes[offset + 1]) << 8);
}

inline std::vector<BiffRecord> splitRecords(std::string_view file) {
    std::vector<BiffRecord> records;
    std::size_t offset = 0;
    while (offset < file.size()) {
        if (file.size() - offset < 4) throw std::runtime_error("record header cut short at " + std::to_string(offset));
        const std::uint16_t length = le16(file, offset + 2);
        if (file.size() - offset - 4 < length) throw std::runtime_error("record data cut short at " + std::to_string(offset));
        records.push_back({le16(file, offset), std::string(file.substr(offset + 4, length))});
        offset += 4 + length;
    }
    return records;
}

}  // namespace tessaly::testing
