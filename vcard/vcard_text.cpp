#include "vcard/vcard_text.h"

#include <array>
#include <cstring>

namespace tessaly {

std::size_t findNoCase(std::string_view text, std::string_view upperWord) {
    if (upperWord.empty()) return 0;
    if (text.size() < upperWord.size()) return std::string_view::npos;
    const char first = asciiLower(upperWord[0]);
    const std::size_t last = text.size() - upperWord.size();
    for (std::size_t i = 0; i <= last; ++i) {
        if (asciiLower(text[i]) != first) continue;
        std::size_t k = 1;
        while (k < upperWord.size() && asciiLower(text[i + k]) == asciiLower(upperWord[k])) ++k;
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

void ValueComponents::split(std::string_view value, std::size_t maxPieces) {
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
            if (pieces_.size() == maxPieces) break;  // the rest is not wanted
        }
    }
    if (pieces_.size() < maxPieces) endPiece(value.size());  // the last piece, empty or not
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

}  // namespace tessaly
