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

#if defined(__SSE2__)
namespace {

// Sixteen, eight or four bytes, whether all are ASCII, and the units they
// widen to (a zero high byte each), stored at `out`.
bool isAscii16(const char* in) {
    return _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in))) == 0;
}
void widen16(const char* in, std::uint8_t* out) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_unpackhi_epi8(bytes, _mm_setzero_si128()));
}
// A word's worth of bytes as they lie (little-endian).
template <typename Word>
Word load(const char* in) {
    Word word;
    std::memcpy(&word, in, sizeof word);
    return word;
}
void widen8(std::uint64_t eight, std::uint8_t* out) {
    const __m128i bytes = _mm_cvtsi64_si128(static_cast<long long>(eight));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
}
void widen4(std::uint32_t four, std::uint8_t* out) {
    const __m128i bytes = _mm_cvtsi32_si128(static_cast<int>(four));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
}

// A text of one to two words' size, as its first word and its last
// (overlapping), when both are ASCII.
template <typename Word, Word kHighBits, void (*widen)(Word, std::uint8_t*)>
bool widenBothEnds(const char* in, std::size_t size, std::uint8_t* out) {
    const Word first = load<Word>(in), last = load<Word>(in + size - sizeof(Word));
    if (((first | last) & kHighBits) != 0) return false;
    widen(first, out);
    widen(last, out + 2 * (size - sizeof(Word)));
    return true;
}

// Text that is ASCII throughout, the common case, widened in whole pieces:
// the last piece overlaps the one before rather than ending byte by byte
// (where two pieces overlap, both write the same units). Returns how many
// bytes from the start were done: all of them, or a point before the first
// piece that is not ASCII, from which the caller goes on.
std::size_t widenAsciiText(std::string_view utf8, std::uint8_t* out) {
    const char* const in = utf8.data();
    const std::size_t size = utf8.size();
    if (size >= 16) {
        std::size_t position = 0;
        for (; position + 16 <= size; position += 16) {
            if (!isAscii16(in + position)) return position;
            widen16(in + position, out + 2 * position);
        }
        if (position == size) return size;
        if (!isAscii16(in + size - 16)) return position;
        widen16(in + size - 16, out + 2 * (size - 16));
        return size;
    }
    if (size >= 8) return widenBothEnds<std::uint64_t, 0x8080808080808080ull, widen8>(in, size, out) ? size : 0;
    if (size >= 4) return widenBothEnds<std::uint32_t, 0x80808080u, widen4>(in, size, out) ? size : 0;
    return 0;
}

}  // namespace
#endif

std::size_t writeUtf16le(std::string_view utf8, std::uint8_t* out) {
    std::size_t position = 0;
#if defined(__SSE2__)
    position = widenAsciiText(utf8, out);
    if (position == utf8.size()) return 2 * position;
#endif
    std::size_t at = 2 * position;  // all before `position` was ASCII
    const auto emit = [out, &at](char32_t unit) {
        out[at++] = static_cast<std::uint8_t>(unit);
        out[at++] = static_cast<std::uint8_t>(unit >> 8);
    };
    while (position < utf8.size()) {
#if defined(__SSE2__)
        // Most text is ASCII: sixteen, eight or four bytes at a time, each
        // widened to a unit with a zero high byte, while all are below 0x80.
        if (position + 16 <= utf8.size() && isAscii16(utf8.data() + position)) {
            widen16(utf8.data() + position, out + at);
            at += 32;
            position += 16;
            continue;
        }
        if (position + 8 <= utf8.size()) {
            const std::uint64_t eight = load<std::uint64_t>(utf8.data() + position);
            if ((eight & 0x8080808080808080ull) == 0) {
                widen8(eight, out + at);
                at += 16;
                position += 8;
                continue;
            }
        }
        if (position + 4 <= utf8.size()) {
            const std::uint32_t four = load<std::uint32_t>(utf8.data() + position);
            if ((four & 0x80808080u) == 0) {
                widen4(four, out + at);
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
