#pragma once
// UTF-16 little-endian, the form Outlook's files store text in.

#include <cstdint>
#include <string_view>
#include <vector>

namespace tessaly {

// UTF-8 text as UTF-16LE code units, without a terminator. Characters past
// U+FFFF become surrogate pairs; an invalid UTF-8 byte becomes U+FFFD.
std::vector<std::uint8_t> utf8ToUtf16le(std::string_view utf8);
// The same units appended to `out`.
void appendUtf16le(std::string_view utf8, std::vector<std::uint8_t>& out);
// The same units written at `out`, which has room for twice utf8.size()
// bytes; returns the bytes written.
std::size_t writeUtf16le(std::string_view utf8, std::uint8_t* out);

}  // namespace tessaly
