#include "common/ascii_case.h"

#include <cstdint>
#include <cstring>

namespace tessaly {

namespace {

// Flips the case of the ASCII letters from `first` to `last` (both upper case
// or both lower case) eight bytes at a time: a byte in the range gets its 0x20
// bit flipped; bytes of 0x80 and above are left alone.
void flipCaseOfRange(const char* from, char* to, std::size_t size, char first, char last) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    const std::uint64_t toFirst = static_cast<std::uint64_t>(0x80 - first) * kOnes;
    const std::uint64_t pastLast = static_cast<std::uint64_t>(0x80 - last - 1) * kOnes;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, from + i, 8);
        // Below 0x80 each: adding lifts a byte's top bit once it reaches `first`
        // (or passes `last`); the two differ in that bit only inside the range.
        const std::uint64_t low7 = word & ~kHigh;
        const std::uint64_t inRange = ((low7 + toFirst) ^ (low7 + pastLast)) & ~word & kHigh;
        word ^= inRange >> 2;
        std::memcpy(to + i, &word, 8);
    }
    for (; i < size; ++i) {
        const char c = from[i];
        to[i] = (c >= first && c <= last) ? static_cast<char>(c ^ 0x20) : c;
    }
}

}  // namespace

void copyAsciiUpper(const char* from, char* to, std::size_t size) { flipCaseOfRange(from, to, size, 'a', 'z'); }
void copyAsciiLower(const char* from, char* to, std::size_t size) { flipCaseOfRange(from, to, size, 'A', 'Z'); }

std::string asciiUpper(std::string_view text) {
    std::string out(text.size(), '\0');
    copyAsciiUpper(text.data(), out.data(), text.size());
    return out;
}

std::string asciiLower(std::string_view text) {
    std::string out(text.size(), '\0');
    copyAsciiLower(text.data(), out.data(), text.size());
    return out;
}

}  // namespace tessaly
