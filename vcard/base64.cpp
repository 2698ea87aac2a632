#include "vcard/base64.h"

#include <array>
#include <cstdint>

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

// Each character's six bits already moved to their place in a group of four
// (first character highest), or kNotAGroupDigit for anything else: a group
// decodes in four lookups and three ORs.
constexpr std::uint32_t kNotAGroupDigit = 0xFF000000;

constexpr std::array<std::array<std::uint32_t, 256>, 4> makeShiftedTables() {
    std::array<std::array<std::uint32_t, 256>, 4> tables{};
    for (int place = 0; place < 4; ++place) {
        for (std::uint32_t& entry : tables[place]) entry = kNotAGroupDigit;
        for (std::size_t i = 0; i < kAlphabet.size(); ++i)
            tables[place][static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::uint32_t>(i) << (18 - 6 * place);
    }
    return tables;
}

constexpr auto kShifted = makeShiftedTables();

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
    std::string bytes(base64String.size() / 4 * 3 + 3, '\0');
    char* out = bytes.data();
    // Most text is whole groups of alphabet characters: those are decoded
    // straight from the input. The first group with anything else (white
    // space, padding, a wrong character) ends this loop and the rest goes the
    // careful way.
    const auto* in = reinterpret_cast<const unsigned char*>(base64String.data());
    std::size_t done = 0;
    for (; done + 4 <= base64String.size(); done += 4) {
        const std::uint32_t sum = kShifted[0][in[done]] | kShifted[1][in[done + 1]] | kShifted[2][in[done + 2]] |
                                  kShifted[3][in[done + 3]];
        if (sum & kNotAGroupDigit) break;
        out[0] = static_cast<char>(sum >> 16);
        out[1] = static_cast<char>(sum >> 8);
        out[2] = static_cast<char>(sum);
        out += 3;
    }
    // The rest, without white space: the text before it held none, so the
    // groups fall as they would in the cleaned whole.
    const std::string cleaned = cleanInput(base64String.substr(done));
    const std::string_view text = cleaned;
    const auto digitAt = [&](std::size_t i) { return kDigits[static_cast<unsigned char>(text[i])]; };
    for (std::size_t start = 0; start < text.size(); start += 4) {
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
