#pragma once
// ASCII case folding: the letters A to Z and a to z change case, every other
// byte (those of UTF-8 sequences too) stays as it is. Names in vCard files,
// file extensions and the object model's property names are compared this way.

#include <cstddef>
#include <string>
#include <string_view>

namespace tessaly {

inline char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }
inline char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c; }

std::string asciiUpper(std::string_view text);
std::string asciiLower(std::string_view text);

// Copies `size` bytes with the ASCII letters changed to upper (lower) case,
// eight bytes at a time: the reader folds every line's head.
void copyAsciiUpper(const char* from, char* to, std::size_t size);
void copyAsciiLower(const char* from, char* to, std::size_t size);

// True when `a` and `b` are the same but for the case of ASCII letters.
inline bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

// True when `text` starts with `prefix`, comparing ASCII letters in any case.
inline bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsNoCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace tessaly
