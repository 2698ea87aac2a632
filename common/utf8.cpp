#include "common/utf8.h"

#include <cstdint>
#include <cstring>

namespace tessaly {

bool nextUtf8(std::string_view text, std::size_t& position, char32_t& codePoint) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(position);
    std::size_t length;
    char32_t value;
    char32_t minimum;
    if (lead < 0x80) {
        codePoint = lead;
        ++position;
        return true;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        ++position;
        return false;
    }
    if (position + length > text.size()) {
        ++position;
        return false;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char next = byte(position + i);
        if ((next & 0xC0) != 0x80) {
            ++position;
            return false;
        }
        value = (value << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++position;
        return false;
    }
    codePoint = value;
    position += length;
    return true;
}

bool isValidUtf8(std::string_view bytes) {
    std::size_t position = 0;
    char32_t ignored;
    while (position < bytes.size()) {
        // ASCII runs are by far the most common: skip them eight bytes at a
        // time while no byte has its high bit set, then one at a time.
        while (position + 8 <= bytes.size()) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + position, sizeof word);
            if ((word & 0x8080808080808080u) != 0) break;
            position += 8;
        }
        if (position == bytes.size()) break;
        if (static_cast<unsigned char>(bytes[position]) < 0x80) {
            ++position;
            continue;
        }
        if (!nextUtf8(bytes, position, ignored)) return false;
    }
    return true;
}

void appendUtf8(char32_t codePoint, std::string& out) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

}  // namespace tessaly
