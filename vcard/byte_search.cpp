#include "vcard/byte_search.h"

#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tessaly {

std::size_t findEither(std::string_view bytes, std::size_t from, char a, char b) {
    const char* data = bytes.data();
    std::size_t i = from;
#if defined(__SSE2__)
    // Sixteen bytes compared at a time (SSE2 is part of every x86-64).
    const __m128i wantedA = _mm_set1_epi8(a);
    const __m128i wantedB = _mm_set1_epi8(b);
    for (; i + 16 <= bytes.size(); i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(block, wantedA), _mm_cmpeq_epi8(block, wantedB));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        if (mask != 0) return i + static_cast<std::size_t>(std::countr_zero(mask));
    }
#endif
    for (; i < bytes.size(); ++i) {
        if (data[i] == a || data[i] == b) return i;
    }
    return bytes.size();
}

namespace {

#if defined(__SSE2__)
// The pairs that start in the sixteen bytes at `at`, which has seventeen
// bytes readable: each block is compared with itself one byte on, so a pair
// across two blocks is found in the first of them.
[[gnu::always_inline]] inline unsigned doubledLettersInBlock(const char* at, __m128i first, __m128i second) {
    // Setting bit 5 makes an ASCII capital its small letter and leaves the
    // small letter as it is; no other byte becomes a letter by it.
    const __m128i caseBit = _mm_set1_epi8(0x20);
    const __m128i here = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), caseBit);
    const __m128i next = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1)), caseBit);
    const __m128i firstPairs = _mm_and_si128(_mm_cmpeq_epi8(here, first), _mm_cmpeq_epi8(next, first));
    const __m128i secondPairs = _mm_and_si128(_mm_cmpeq_epi8(here, second), _mm_cmpeq_epi8(next, second));
    return (_mm_movemask_epi8(firstPairs) != 0 ? 1u : 0u) | (_mm_movemask_epi8(secondPairs) != 0 ? 2u : 0u);
}
#endif

}  // namespace

unsigned doubledLettersIn(std::string_view text, char first, char second) {
    const std::size_t size = text.size();
    const char* data = text.data();
#if defined(__SSE2__)
    const __m128i firstLetter = _mm_set1_epi8(first);
    const __m128i secondLetter = _mm_set1_epi8(second);
    if (size >= 17) {
        unsigned found = 0;
        std::size_t i = 0;
        for (; i + 17 <= size && found != 3; i += 16) found |= doubledLettersInBlock(data + i, firstLetter, secondLetter);
        // The last pairs from a block that ends with the text, over bytes
        // seen already: that changes nothing found.
        if (found != 3 && i + 1 < size) found |= doubledLettersInBlock(data + size - 17, firstLetter, secondLetter);
        return found;
    }
    if (size >= 8) {
        // A short text goes through the same test from a copy padded with
        // NULs, which are no letter; two fixed-size copies that overlap
        // cover its eight to sixteen bytes.
        char padded[32] = {};
        std::memcpy(padded, data, 8);
        std::memcpy(padded + size - 8, data + size - 8, 8);
        return doubledLettersInBlock(padded, firstLetter, secondLetter);
    }
#endif
    unsigned found = 0;
    const auto folded = [](char c) { return static_cast<char>(c | 0x20); };
    for (std::size_t i = 0; i + 1 < size; ++i) {
        const char here = folded(data[i]);
        if (here == folded(data[i + 1])) found |= here == first ? 1u : here == second ? 2u : 0u;
    }
    return found;
}

}  // namespace tessaly
