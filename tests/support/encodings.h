#pragma once
// Byte encodings the tests write their expectations in, each its own plain
// implementation (none calls the code under test): hexadecimal, Base64,
// UTF-16LE and little-endian integers.

#include <cstdint>
#include <string>

namespace tessaly::testing {

std::string hex(const std::string& bytes);    // lower-case, two digits a byte
std::string fromHex(const std::string& text);
std::string base64(const std::string& bytes);  // padded, on one line
// Valid UTF-8 text as UTF-16LE bytes, characters past U+FFFF as surrogate pairs.
std::string utf16(const std::string& utf8);
std::string littleEndian(std::uint64_t value, int bytes);

}  // namespace tessaly::testing
