#include "vcard/base64.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace tessaly {

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr int kPadding = -2;
constexpr int kOutside = -1;

constexpr std::array<int, 256> makeDigitTable() {
    std::array<int, 256> table{};
    for (int& entry : table) entry = kOutside;
    for (std::size_t i = 0; i < kAlphabet.size(); ++i)
        table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int>(i);
    table['='] = kPadding;
    return table;
}

constexpr std::array<int, 256> kDigits = makeDigitTable();

bool needsCleaning(std::string_view text) {
    for (const char c : {' ', '\t', '\n', '\r'}) {
        if (std::memchr(text.data(), c, text.size())) return true;
    }
    return false;
}

std::string cleanInput(std::string_view text) {
    std::string cleaned(text.size(), '\0');
    std::size_t kept = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;  // a CR LF pair; a lone CR stays and is refused below
            continue;
        }
        if (c == '\t' || c == ' ' || c == '\n') continue;
        cleaned[kept++] = c;
    }
    cleaned.resize(kept);
    return cleaned;
}

}  // namespace

std::optional<std::string> Base64Decode(std::string_view base64String) {
    std::string cleaned;
    std::string_view text = base64String;
    if (needsCleaning(text)) {
        cleaned = cleanInput(text);
        text = cleaned;
    }
    std::string bytes(text.size() / 4 * 3 + 3, '\0');
    char* out = bytes.data();
    const auto digitAt = [&](std::size_t i) { return kDigits[static_cast<unsigned char>(text[i])]; };
    for (std::size_t start = 0; start < text.size(); start += 4) {
        // The common case: four alphabet characters.
        if (start + 4 <= text.size()) {
            const int a = digitAt(start), b = digitAt(start + 1), c = digitAt(start + 2), d = digitAt(start + 3);
            if ((a | b | c | d) >= 0) {
                const std::uint32_t sum = static_cast<std::uint32_t>(a << 18 | b << 12 | c << 6 | d);
                *out++ = static_cast<char>(sum >> 16);
                *out++ = static_cast<char>((sum >> 8) & 0xFF);
                *out++ = static_cast<char>(sum & 0xFF);
                continue;
            }
        }
        // Padding, a short last group, or a character outside the alphabet.
        int byteCount = 3;
        std::uint32_t sum = 0;
        for (std::size_t position = start; position < start + 4; ++position) {
            int value = 0;
            if (position < text.size()) {
                const int digit = digitAt(position);
                if (digit == kOutside) return std::nullopt;
                if (digit == kPadding)
                    --byteCount;
                else
                    value = digit;
            }
            sum = sum * 64 + static_cast<std::uint32_t>(value);
        }
        if (byteCount < 0) return std::nullopt;  // a group of four "="
        const char group[3] = {static_cast<char>(sum >> 16), static_cast<char>((sum >> 8) & 0xFF),
                               static_cast<char>(sum & 0xFF)};
        for (int k = 0; k < byteCount; ++k) *out++ = group[k];
    }
    bytes.resize(static_cast<std::size_t>(out - bytes.data()));
    return bytes;
}

}  // namespace tessaly
