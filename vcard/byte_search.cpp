#include "vcard/byte_search.h"

#include <bit>
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

}  // namespace tessaly
