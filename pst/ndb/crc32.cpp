#include "pst/ndb/crc32.h"

#include <array>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TESSALY_CARRY_LESS_CRC 1
#endif

namespace tessaly::pst {
namespace {

// Eight tables so that the loop consumes eight bytes per step ("slicing by
// eight"): table[k][b] is the CRC of byte b followed by k zero bytes.
using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

CrcTables makeTables() {
    CrcTables tables{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        tables[0][i] = value;
    }
    for (std::uint32_t i = 0; i < 256; ++i) {
        for (std::size_t k = 1; k < 8; ++k) {
            tables[k][i] = (tables[k - 1][i] >> 8) ^ tables[0][tables[k - 1][i] & 0xFF];
        }
    }
    return tables;
}

std::uint32_t crcByTables(const std::uint8_t* data, std::size_t size, std::uint32_t crc) {
    static const CrcTables tables = makeTables();
    while (size >= 8) {
        const std::uint32_t low = crc ^ (data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24);
        crc = tables[7][low & 0xFF] ^ tables[6][(low >> 8) & 0xFF] ^ tables[5][(low >> 16) & 0xFF] ^
              tables[4][low >> 24] ^ tables[3][data[4]] ^ tables[2][data[5]] ^ tables[1][data[6]] ^ tables[0][data[7]];
        data += 8;
        size -= 8;
    }
    for (std::size_t i = 0; i < size; ++i) crc = tables[0][(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

#if TESSALY_CARRY_LESS_CRC
// Folding with the processor's carry-less multiply (PCLMULQDQ): four 16-byte
// lanes are multiplied forward by x^(512±32) and added to the next 64 bytes,
// then folded into one lane, to 64 bits, to 32, and reduced by Barrett's
// method. The constants are those powers of x modulo the polynomial, bit-
// reflected: k1 = x^(4*128+32), k2 = x^(4*128-32), k3 = x^(128+32),
// k4 = x^(128-32), k5 = x^64, and the polynomial P' with mu = x^64 / P.
// Takes a multiple of 16 bytes, at least 64.
__attribute__((target("pclmul,sse4.1"))) inline __m128i fold(__m128i lane, __m128i constants) {
    return _mm_xor_si128(_mm_clmulepi64_si128(lane, constants, 0x00), _mm_clmulepi64_si128(lane, constants, 0x11));
}

// Goes on from four lanes that hold the bytes folded so far as the next 64
// bytes would stand, over the rest of the data (a multiple of 16 bytes).
__attribute__((target("pclmul,sse4.1"))) std::uint32_t foldOn(__m128i x1, __m128i x2, __m128i x3, __m128i x4,
                                                               const std::uint8_t* data, std::size_t size) {
    const auto load = [](const std::uint8_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); };
    const __m128i k1k2 = _mm_set_epi64x(0x1C6E41596, 0x154442BD4);
    const __m128i k3k4 = _mm_set_epi64x(0x0CCAA009E, 0x1751997D0);
    const __m128i k5 = _mm_set_epi64x(0, 0x163CD6124);
    const __m128i polynomial = _mm_set_epi64x(0x1F7011641, 0x1DB710641);
    const __m128i low32 = _mm_set_epi32(0, 0, 0, -1);
    for (; size >= 64; data += 64, size -= 64) {
        x1 = _mm_xor_si128(fold(x1, k1k2), load(data));
        x2 = _mm_xor_si128(fold(x2, k1k2), load(data + 16));
        x3 = _mm_xor_si128(fold(x3, k1k2), load(data + 32));
        x4 = _mm_xor_si128(fold(x4, k1k2), load(data + 48));
    }
    x1 = _mm_xor_si128(fold(x1, k3k4), x2);
    x1 = _mm_xor_si128(fold(x1, k3k4), x3);
    x1 = _mm_xor_si128(fold(x1, k3k4), x4);
    for (; size >= 16; data += 16, size -= 16) x1 = _mm_xor_si128(fold(x1, k3k4), load(data));
    // 128 bits to 64, then to 32 with 32 zero bits appended.
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k3k4, 0x10));
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 4), _mm_clmulepi64_si128(_mm_and_si128(x1, low32), k5, 0x00));
    // Barrett reduction to the 32-bit remainder.
    __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), polynomial, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), polynomial, 0x00);
    return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(x1, t), 1));
}

__attribute__((target("pclmul,sse4.1"))) std::uint32_t crcByFolding(const std::uint8_t* data, std::size_t size,
                                                                     std::uint32_t crc) {
    const auto load = [](const std::uint8_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); };
    const __m128i x1 = _mm_xor_si128(load(data), _mm_cvtsi32_si128(static_cast<int>(crc)));
    return foldOn(x1, load(data + 16), load(data + 32), load(data + 48), data + 64, size - 64);
}

bool hasCarryLessMultiply() {
    static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return has;
}

__attribute__((target("avx512f"))) inline __m512i loadWide(const std::uint8_t* at) {
    return _mm512_loadu_si512(reinterpret_cast<const void*>(at));
}
__attribute__((target("avx512f,vpclmulqdq"))) inline __m512i foldWide(__m512i lanes, __m512i constants) {
    return _mm512_xor_si512(_mm512_clmulepi64_epi128(lanes, constants, 0x00),
                            _mm512_clmulepi64_epi128(lanes, constants, 0x11));
}

// The same folding four lanes at a time in each of four 64-byte registers
// (VPCLMULQDQ on AVX-512): 256 bytes a step, each 16-byte lane carried
// forward by x^(2048±32) = k6, k7 (bit-reflected, as above). The four
// registers are then folded into one by x^(512±32) (k1, k2), and its four
// lanes, which follow each other, as the narrow folding folds its four.
// Takes a multiple of 16 bytes, at least 256.
__attribute__((target("avx512f,vpclmulqdq,pclmul,sse4.1"))) std::uint32_t crcByWideFolding(const std::uint8_t* data,
                                                                                             std::size_t size,
                                                                                             std::uint32_t crc) {
    const __m512i k6k7 = _mm512_set_epi64(0x1322D1430, 0x11542778A, 0x1322D1430, 0x11542778A, 0x1322D1430,
                                          0x11542778A, 0x1322D1430, 0x11542778A);
    const __m512i k1k2 = _mm512_set_epi64(0x1C6E41596, 0x154442BD4, 0x1C6E41596, 0x154442BD4, 0x1C6E41596,
                                          0x154442BD4, 0x1C6E41596, 0x154442BD4);
    __m512i z1 = _mm512_xor_si512(loadWide(data), _mm512_zextsi128_si512(_mm_cvtsi32_si128(static_cast<int>(crc))));
    __m512i z2 = loadWide(data + 64), z3 = loadWide(data + 128), z4 = loadWide(data + 192);
    data += 256;
    size -= 256;
    for (; size >= 256; data += 256, size -= 256) {
        z1 = _mm512_xor_si512(foldWide(z1, k6k7), loadWide(data));
        z2 = _mm512_xor_si512(foldWide(z2, k6k7), loadWide(data + 64));
        z3 = _mm512_xor_si512(foldWide(z3, k6k7), loadWide(data + 128));
        z4 = _mm512_xor_si512(foldWide(z4, k6k7), loadWide(data + 192));
    }
    z1 = _mm512_xor_si512(foldWide(z1, k1k2), z2);
    z1 = _mm512_xor_si512(foldWide(z1, k1k2), z3);
    z1 = _mm512_xor_si512(foldWide(z1, k1k2), z4);
    // Its four lanes stand as the next 64 bytes would: the narrow folding
    // takes them on with the rest.
    alignas(64) std::uint8_t lanes[64];
    _mm512_store_si512(reinterpret_cast<void*>(lanes), z1);
    const auto lane = [&lanes](int k) { return _mm_load_si128(reinterpret_cast<const __m128i*>(lanes + 16 * k)); };
    return foldOn(lane(0), lane(1), lane(2), lane(3), data, size);
}

// Asked after hasCarryLessMultiply, whose instructions the narrow folding
// at the end needs as well.
bool hasWideCarryLessMultiply() {
    static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("vpclmulqdq");
    return has;
}
#endif

}  // namespace

std::uint32_t computeCrc(const std::uint8_t* data, std::size_t size, std::uint32_t crc) {
#if TESSALY_CARRY_LESS_CRC
    if (size >= 64 && hasCarryLessMultiply()) {
        const std::size_t folded = size & ~std::size_t{15};
        crc = folded >= 256 && hasWideCarryLessMultiply() ? crcByWideFolding(data, folded, crc)
                                                          : crcByFolding(data, folded, crc);
        data += folded;
        size -= folded;
    }
#endif
    return crcByTables(data, size, crc);
}

}  // namespace tessaly::pst
