#include "vcard/vcard_text.h"

#include <array>
#include <cstring>

namespace tessaly {

namespace {

// Flips the case of the ASCII letters from `first` to `last` (both upper case
// or both lower case) eight bytes at a time: a byte in the range gets its 0x20
// bit flipped; bytes of 0x80 and above are left alone.
void flipCaseOfRange(const char* from, char* to, std::size_t size, char first, char last) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    const std::uint64_t toFirst = static_cast<std::uint64_t>(0x80 - first) * kOnes;
    const std::uint64_t pastLast = static_cast<std::uint64_t>(0x80 - last - 1) * kOnes;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, from + i, 8);
        // Below 0x80 each: adding lifts a byte's top bit once it reaches `first`
        // (or passes `last`); the two differ in that bit only inside the range.
        const std::uint64_t low7 = word & ~kHigh;
        const std::uint64_t inRange = ((low7 + toFirst) ^ (low7 + pastLast)) & ~word & kHigh;
        word ^= inRange >> 2;
        std::memcpy(to + i, &word, 8);
    }
    for (; i < size; ++i) {
        const char c = from[i];
        to[i] = (c >= first && c <= last) ? static_cast<char>(c ^ 0x20) : c;
    }
}

}  // namespace

void copyAsciiUpper(const char* from, char* to, std::size_t size) { flipCaseOfRange(from, to, size, 'a', 'z'); }
void copyAsciiLower(const char* from, char* to, std::size_t size) { flipCaseOfRange(from, to, size, 'A', 'Z'); }

std::string asciiUpper(std::string_view text) {
    std::string out(text.size(), '\0');
    copyAsciiUpper(text.data(), out.data(), text.size());
    return out;
}

std::string asciiLower(std::string_view text) {
    std::string out(text.size(), '\0');
    copyAsciiLower(text.data(), out.data(), text.size());
    return out;
}

namespace {

constexpr std::array<char, 256> makeLowerTable() {
    std::array<char, 256> table{};
    for (int c = 0; c < 256; ++c) table[c] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return table;
}

constexpr std::array<char, 256> kLower = makeLowerTable();

char lower(char c) { return kLower[static_cast<unsigned char>(c)]; }

}  // namespace

std::size_t findNoCase(std::string_view text, std::string_view upperWord) {
    if (upperWord.empty()) return 0;
    if (text.size() < upperWord.size()) return std::string_view::npos;
    const char first = lower(upperWord[0]);
    const std::size_t last = text.size() - upperWord.size();
    for (std::size_t i = 0; i <= last; ++i) {
        if (lower(text[i]) != first) continue;
        std::size_t k = 1;
        while (k < upperWord.size() && lower(text[i + k]) == lower(upperWord[k])) ++k;
        if (k == upperWord.size()) return i;
    }
    return std::string_view::npos;
}

std::string unescapeValue(std::string_view value) {
    if (value.find('\\') == std::string_view::npos) return std::string(value);
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c != '\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const char next = value[i + 1];
        switch (next) {
            case ',': case ';': case '\\':
                out += next;
                ++i;
                break;
            case 'n': case 'N':
                out += "\r\n";
                ++i;
                break;
            default:
                out += c;
                break;
        }
    }
    return out;
}

void ValueComponents::split(std::string_view value) {
    // First where the pieces lie, then their views: the storage of the
    // unescaped pieces is sized before any view points into it.
    pieces_.clear();
    std::size_t escapedCount = 0;
    bool escaped = false;  // the piece at hand holds a backslash
    std::size_t start = 0;
    const auto endPiece = [&](std::size_t end) {
        pieces_.push_back(Piece{value.substr(start, end - start), escaped});
        escapedCount += escaped;
        escaped = false;
        start = end + 1;
    };
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\') {
            escaped = true;
            ++i;  // the escaped character never splits (a backslash at the end escapes nothing)
        } else if (value[i] == ';') {
            endPiece(i);
        }
    }
    endPiece(value.size());  // the last piece, empty or not
    if (unescaped_.size() < escapedCount) unescaped_.resize(escapedCount);
    views_.clear();
    std::size_t stored = 0;
    for (const Piece& piece : pieces_) {
        if (!piece.escaped) {
            views_.push_back(piece.text);
        } else {
            unescaped_[stored] = unescapeValue(piece.text);
            views_.push_back(unescaped_[stored++]);
        }
    }
}

std::uint32_t lettersIn(std::string_view text) {
    static constexpr auto kBits = [] {
        std::array<std::uint32_t, 256> bits{};
        for (int c = 'a'; c <= 'z'; ++c) bits[c] = bits[c - 32] = 1u << (c - 'a');
        return bits;
    }();
    std::uint32_t letters = 0;
    for (char c : text) letters |= kBits[static_cast<unsigned char>(c)];
    return letters;
}

}  // namespace tessaly
