#pragma once
// Small UTF-8 helpers shared by the reader and the writers.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tessaly {

bool isValidUtf8(std::string_view bytes);

// True when no byte has its high bit set: the text is the same in ASCII, UTF-8
// and Windows-1252. Inline: the reader and the sheet writer ask it of every
// value.
inline bool isAscii(std::string_view bytes) {
    // Any byte with its high bit set is not ASCII. The bytes are read eight (or
    // four) at a time, the last of them whole as well, even where that reads
    // some bytes twice: most texts are short, and a loop over their last few
    // bytes one by one would cost more than the rest.
    const auto word = [&](std::size_t at) {
        std::uint64_t value;
        std::memcpy(&value, bytes.data() + at, sizeof value);
        return value;
    };
    const auto halfWord = [&](std::size_t at) {
        std::uint32_t value;
        std::memcpy(&value, bytes.data() + at, sizeof value);
        return value;
    };
    const std::size_t size = bytes.size();
    std::uint64_t any = 0;
    if (size >= 8) {
        for (std::size_t i = 0; i + 8 <= size; i += 8) any |= word(i);
        any |= word(size - 8);
    } else if (size >= 4) {
        any = halfWord(0) | halfWord(size - 4);
    } else {
        for (std::size_t i = 0; i < size; ++i) any |= static_cast<unsigned char>(bytes[i]);
    }
    return (any & 0x8080808080808080ULL) == 0;
}

void appendUtf8(char32_t codePoint, std::string& out);

// Decodes the character at `position` and advances past it. Returns false (and
// advances one byte) on an invalid or truncated sequence.
bool nextUtf8(std::string_view text, std::size_t& position, char32_t& codePoint);

}  // namespace tessaly
