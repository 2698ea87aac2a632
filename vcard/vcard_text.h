#pragma once
// Text operations of the vCard rules: trimming (spaces only), ASCII case
// folding, component splitting at unescaped semicolons, and unescaping.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

std::string asciiUpper(std::string_view text);
std::string asciiLower(std::string_view text);

// True when `text` starts with `prefix`, comparing ASCII letters in any case.
inline bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char a = text[i], b = prefix[i];
        if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
        if (a != b) return false;
    }
    return true;
}

// True when `text` contains `upperWord` (given in upper case), comparing ASCII
// letters in any case.
bool containsNoCase(std::string_view text, std::string_view upperWord);

// Resolves the backslash escapes of a value: "\," "\;" "\\" and "\n" or "\N"
// (a line break, CR LF). Any other backslash stays as it is.
std::string unescapeValue(std::string_view value);

// Cuts a value at every semicolon that is not escaped and unescapes each piece.
std::vector<std::string> splitComponents(std::string_view value);

// The same into `components`, whose strings are reused (no allocation once they
// are large enough).
void splitComponents(std::string_view value, std::vector<std::string>& components);

// Which of the letters a to z occur in a text, in any case: bit 0 for a.
std::uint32_t lettersIn(std::string_view text);

// The letters of a word, as lettersIn gives them.
constexpr std::uint32_t lettersOf(std::string_view word) {
    std::uint32_t letters = 0;
    for (char c : word) {
        if (c >= 'A' && c <= 'Z') letters |= 1u << (c - 'A');
        if (c >= 'a' && c <= 'z') letters |= 1u << (c - 'a');
    }
    return letters;
}

}  // namespace tessaly
