#include "pst/ndb/permutation_encoding.h"

#include <cstring>
#include <vector>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TESSALY_BYTE_PERMUTE 1
#endif

namespace tessaly::pst {
namespace {

// Byte substitution of the "compressible" encoding (MS-PST section 5.1, the
// first third of mpbbCrypt): a stored byte is kEncode[plain byte].
constexpr std::array<std::uint8_t, 256> kEncode = {
     65,  54,  19,  98, 168,  33, 110, 187, 244,  22, 204,   4, 127, 100, 232,  93,
     30, 242, 203,  42, 116, 197,  94,  53, 210, 149,  71, 158, 150,  45, 154, 136,
     76, 125, 132,  63, 219, 172,  49, 182,  72,  95, 246, 196, 216,  57, 139, 231,
     35,  59,  56, 142, 200, 193, 223,  37, 177,  32, 165,  70,  96,  78, 156, 251,
    170, 211,  86,  81,  69, 124,  85,   0,   7, 201,  43, 157, 133, 155,   9, 160,
    143, 173, 179,  15,  99, 171, 137,  75, 215, 167,  21,  90, 113, 102,  66, 191,
     38,  74, 107, 152, 250, 234, 119,  83, 178, 112,   5,  44, 253,  89,  58, 134,
    126, 206,   6, 235, 130, 120,  87, 199, 141,  67, 175, 180,  28, 212,  91, 205,
    226, 233,  39,  79, 195,   8, 114, 128, 207, 176, 239, 245,  40, 109, 190,  48,
     77,  52, 146, 213,  14,  60,  34,  50, 229, 228, 249, 159, 194, 209,  10, 129,
     18, 225, 238, 145, 131, 118, 227, 151, 230,  97, 138,  23, 121, 164, 183, 220,
    144, 122,  92, 140,   2, 166, 202, 105, 222,  80,  26,  17, 147, 185,  82, 135,
     88, 252, 237,  29,  55,  73,  27, 106, 224,  41,  51, 153, 189, 108, 217, 148,
    243,  64,  84, 111, 240, 198, 115, 184, 214,  62, 101,  24,  68,  31, 221, 103,
     16, 241,  12,  25, 236, 174,   3, 161,  20, 123, 169,  11, 255, 248, 163, 192,
    162,   1, 247,  46, 188,  36, 104, 117,  13, 254, 186,  47, 181, 208, 218,  61,
};

std::array<std::uint8_t, 256> invert(const std::array<std::uint8_t, 256>& table) {
    std::array<std::uint8_t, 256> inverse{};
    for (int i = 0; i < 256; ++i) inverse[table[i]] = static_cast<std::uint8_t>(i);
    return inverse;
}

#if TESSALY_BYTE_PERMUTE
// Sixty-four bytes at a time where the processor looks bytes up in a table
// of 128 (AVX-512 VBMI): a byte's low seven bits pick from each half of the
// table, its high bit which of the two answers it takes. Returns how many
// bytes it encoded, a multiple of 64.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) std::size_t encodeByByteLookup(std::uint8_t* data,
                                                                                      std::size_t size) {
    const __m512i first = _mm512_loadu_si512(kEncode.data()), second = _mm512_loadu_si512(kEncode.data() + 64),
                  third = _mm512_loadu_si512(kEncode.data() + 128), fourth = _mm512_loadu_si512(kEncode.data() + 192);
    std::size_t done = 0;
    for (; done + 64 <= size; done += 64) {
        const __m512i plain = _mm512_loadu_si512(data + done);
        const __m512i low = _mm512_permutex2var_epi8(first, plain, second);
        const __m512i high = _mm512_permutex2var_epi8(third, plain, fourth);
        _mm512_storeu_si512(data + done, _mm512_mask_blend_epi8(_mm512_movepi8_mask(plain), low, high));
    }
    return done;
}

bool canLookUpBytes() {
    static const bool can = __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi");
    return can;
}
#endif

}  // namespace

const std::array<std::uint8_t, 256>& permutationEncodeTable() { return kEncode; }

const std::array<std::uint8_t, 256>& permutationDecodeTable() {
    static const std::array<std::uint8_t, 256> decode = invert(kEncode);
    return decode;
}

void encodePermutation(std::uint8_t* data, std::size_t size) {
    // Two bytes at a time through a table of every pair (128 KB, made on
    // first use): eight bytes read as one word, looked up in four steps
    // and written back as one word.
    static const std::vector<std::uint16_t> pairs = [] {
        std::vector<std::uint16_t> out(65536);
        for (std::size_t pair = 0; pair < out.size(); ++pair)
            out[pair] = static_cast<std::uint16_t>(kEncode[pair & 0xFF] | kEncode[pair >> 8] << 8);
        return out;
    }();
    const std::uint16_t* const table = pairs.data();
    std::size_t i = 0;
#if TESSALY_BYTE_PERMUTE
    if (canLookUpBytes()) i = encodeByByteLookup(data, size);
#endif
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, 8);
        const std::uint64_t encoded = std::uint64_t{table[word & 0xFFFF]} | std::uint64_t{table[(word >> 16) & 0xFFFF]} << 16 |
                                      std::uint64_t{table[(word >> 32) & 0xFFFF]} << 32 |
                                      std::uint64_t{table[word >> 48]} << 48;
        std::memcpy(data + i, &encoded, 8);
    }
    for (; i < size; ++i) data[i] = kEncode[data[i]];
}

void decodePermutation(std::uint8_t* data, std::size_t size) {
    const auto& decode = permutationDecodeTable();
    for (std::size_t i = 0; i < size; ++i) data[i] = decode[data[i]];
}

}  // namespace tessaly::pst
