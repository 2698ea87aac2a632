#pragma once
// Small UTF-8 helpers shared by the reader and the writers.

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly {

bool isValidUtf8(std::string_view bytes);

// True when no byte has its high bit set: the text is the same in ASCII, UTF-8
// and Windows-1252.
bool isAscii(std::string_view bytes);

void appendUtf8(char32_t codePoint, std::string& out);

// Decodes the character at `position` and advances past it. Returns false (and
// advances one byte) on an invalid or truncated sequence.
bool nextUtf8(std::string_view text, std::size_t& position, char32_t& codePoint);

}  // namespace tessaly
