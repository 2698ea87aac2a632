#pragma once
// Text operations of the vCard rules: trimming (spaces only), case-blind
// search (ASCII case folding itself is common/ascii_case.h), component
// splitting at unescaped semicolons, and unescaping.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/ascii_case.h"

namespace tessaly {

// Removes leading and trailing spaces (character 32) only; tabs stay. Inline:
// the reader calls it several times on every line.
inline std::string_view trimSpaces(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && text[first] == ' ') ++first;
    while (last > first && text[last - 1] == ' ') --last;
    return text.substr(first, last - first);
}

// Where `text` first holds `upperWord` (given in upper case), comparing ASCII
// letters in any case; npos when nowhere.
std::size_t findNoCase(std::string_view text, std::string_view upperWord);

inline bool containsNoCase(std::string_view text, std::string_view upperWord) {
    return findNoCase(text, upperWord) != std::string_view::npos;
}

// Resolves the backslash escapes of a value: "\," "\;" "\\" and "\n" or "\N"
// (a line break, CR LF). Any other backslash stays as it is.
std::string unescapeValue(std::string_view value);

// A value cut at every semicolon that is not escaped, each piece unescaped.
// The pieces are views: into the value itself where a piece has no escape,
// else into storage of their own. They stay valid until the next split and
// while the value does. One object is kept and reused from value to value.
class ValueComponents {
public:
    // Cuts `value` into at most `maxPieces` (at least 1) pieces: the first
    // ones of a full split; whatever follows the last of them
    // is not looked at, so a value of millions of semicolons costs no more
    // than the pieces a property uses.
    void split(std::string_view value, std::size_t maxPieces);
    std::size_t size() const { return views_.size(); }
    std::string_view operator[](std::size_t index) const { return views_[index]; }

private:
    struct Piece {
        std::string_view text;  // as written
        bool escaped;           // holds a backslash
    };
    std::vector<Piece> pieces_;
    std::vector<std::string_view> views_;
    std::vector<std::string> unescaped_;
};

}  // namespace tessaly
