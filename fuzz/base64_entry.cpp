// Base64Decode against a decoder written straight from its documented rules,
// one character at a time: white space (space, tab, LF, a CR LF pair) dropped
// first, then groups of four, a short last group completed with zeros, each
// "=" dropping a byte from its group's end; refused for a character outside
// the alphabet (a lone CR included) or a group of four "=".

#include <optional>
#include <string>
#include <string_view>

#include "fuzz/fuzz_entry_points.h"
#include "fuzz/fuzz_fault.h"
#include "vcard/base64.h"

namespace tessaly::fuzz {

namespace {

int digitOf(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

std::optional<std::string> plainBase64Decode(std::string_view input) {
    std::string text;
    for (std::size_t i = 0; i < input.size(); ++i) {
        if (input[i] == '\r' && i + 1 < input.size() && input[i + 1] == '\n') {
            ++i;
        } else if (input[i] != ' ' && input[i] != '\t' && input[i] != '\n') {
            text += input[i];
        }
    }
    std::string bytes;
    for (std::size_t start = 0; start < text.size(); start += 4) {
        std::uint32_t bits = 0;
        int padding = 0;
        for (std::size_t i = start; i < start + 4; ++i) {
            int digit = 0;
            if (i < text.size() && text[i] == '=') {
                ++padding;
            } else if (i < text.size()) {
                digit = digitOf(text[i]);
                if (digit < 0) return std::nullopt;
            }
            bits = bits << 6 | static_cast<std::uint32_t>(digit);
        }
        if (padding == 4) return std::nullopt;
        const char group[3] = {static_cast<char>(bits >> 16), static_cast<char>(bits >> 8), static_cast<char>(bits)};
        bytes.append(group, static_cast<std::size_t>(3 - padding));
    }
    return bytes;
}

std::string shown(const std::optional<std::string>& bytes) {
    return bytes ? std::to_string(bytes->size()) + " bytes" : std::string("refused");
}

}  // namespace

void fuzzBase64Decode(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<std::string> decoded = Base64Decode(text);
    const std::optional<std::string> expected = plainBase64Decode(text);
    if (decoded != expected)
        fuzzFault("base64_decode", "Base64Decode gives " + shown(decoded) + ", the documented rules give " +
                                       shown(expected) + (decoded && expected ? " (their bytes differ)" : ""));
}

}  // namespace tessaly::fuzz
