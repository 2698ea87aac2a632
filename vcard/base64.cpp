#include "vcard/base64.h"

#include <array>

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

std::string cleanInput(std::string_view text) {
    std::string cleaned;
    cleaned.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;  // a CR LF pair; a lone CR stays and is refused below
            continue;
        }
        if (c == '\t' || c == ' ' || c == '\n') continue;
        cleaned += c;
    }
    return cleaned;
}

}  // namespace

std::optional<std::string> Base64Decode(std::string_view base64String) {
    const std::string text = cleanInput(base64String);
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3 + 3);
    for (std::size_t start = 0; start < text.size(); start += 4) {
        int byteCount = 3;
        std::uint32_t sum = 0;
        for (std::size_t position = start; position < start + 4; ++position) {
            int value = 0;
            if (position < text.size()) {
                const int digit = kDigits[static_cast<unsigned char>(text[position])];
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
        bytes.append(group, static_cast<std::size_t>(byteCount));
    }
    return bytes;
}

}  // namespace tessaly
