#include "common/utf16.h"

#include <cstring>

#include "common/utf8.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tessaly {

std::vector<std::uint8_t> utf8ToUtf16le(std::string_view utf8) {
    std::vector<std::uint8_t> out;
    appendUtf16le(utf8, out);
    return out;
}

void appendUtf16le(std::string_view utf8, std::vector<std::uint8_t>& out) {
    // Every UTF-8 byte gives at most one 16-bit unit (a four-byte character
    // gives two), so twice the input's size always suffices.
    const std::size_t at = out.size();
    out.resize(at + utf8.size() * 2);
    out.resize(at + writeUtf16le(utf8, out.data() + at));
}

std::size_t writeUtf16le(std::string_view utf8, std::uint8_t* out) {
    std::size_t at = 0;
    const auto emit = [out, &at](char32_t unit) {
        out[at++] = static_cast<std::uint8_t>(unit);
        out[at++] = static_cast<std::uint8_t>(unit >> 8);
    };
    std::size_t position = 0;
    while (position < utf8.size()) {
#if defined(__SSE2__)
        // Most text is ASCII: sixteen, eight or four bytes at a time, each
        // widened to a unit with a zero high byte, while all are below 0x80.
        if (position + 16 <= utf8.size()) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(utf8.data() + position));
            if (_mm_movemask_epi8(bytes) == 0) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at + 16), _mm_unpackhi_epi8(bytes, _mm_setzero_si128()));
                at += 32;
                position += 16;
                continue;
            }
        }
        if (position + 8 <= utf8.size()) {
            std::uint64_t eight;
            std::memcpy(&eight, utf8.data() + position, 8);
            if ((eight & 0x8080808080808080ull) == 0) {
                const __m128i bytes = _mm_cvtsi64_si128(static_cast<long long>(eight));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
                at += 16;
                position += 8;
                continue;
            }
        }
        if (position + 4 <= utf8.size()) {
            std::uint32_t four;
            std::memcpy(&four, utf8.data() + position, 4);
            if ((four & 0x80808080u) == 0) {
                const __m128i bytes = _mm_cvtsi32_si128(static_cast<int>(four));
                _mm_storel_epi64(reinterpret_cast<__m128i*>(out + at), _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
                at += 8;
                position += 4;
                continue;
            }
        }
#endif
        const auto lead = static_cast<unsigned char>(utf8[position]);
        if (lead < 0x80) {  // the common case: one byte, one unit
            emit(lead);
            ++position;
            continue;
        }
        char32_t code;
        if (!nextUtf8(utf8, position, code)) code = 0xFFFD;
        if (code >= 0x10000) {
            emit(0xD800 + ((code - 0x10000) >> 10));
            emit(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            emit(code);
        }
    }
    return at;
}

}  // namespace tessaly
