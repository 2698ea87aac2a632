#include "vcard/full_name.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "common/ascii_case.h"
#include "common/utf8.h"

namespace tessaly {

namespace {

constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";  // U+3000

// The words of the name, between spaces, tabs and ideographic spaces.
std::vector<std::string_view> wordsOf(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t start = 0;
    const auto endWord = [&](std::size_t end) {
        if (end > start) words.push_back(text.substr(start, end - start));
    };
    for (std::size_t at = 0; at < text.size();) {
        if (text[at] == ' ' || text[at] == '\t') {
            endWord(at);
            start = ++at;
        } else if (text.substr(at, kIdeographicSpace.size()) == kIdeographicSpace) {
            endWord(at);
            at += kIdeographicSpace.size();
            start = at;
        } else {
            ++at;
        }
    }
    endWord(text.size());
    return words;
}

std::string joined(const std::vector<std::string_view>& words, std::size_t from, std::size_t to) {
    std::string text;
    for (std::size_t i = from; i < to; ++i) {
        if (!text.empty()) text += ' ';
        text += words[i];
    }
    return text;
}

// Han, kana, Hangul and their compatibility and width forms: scripts that
// write a name without spaces between its parts.
bool isEastAsian(char32_t c) {
    return (c >= 0x1100 && c <= 0x11FF) || (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xA960 && c <= 0xA97F) ||
           (c >= 0xAC00 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF) ||
           (c >= 0x20000 && c <= 0x3FFFF);
}

bool holdsEastAsianScript(std::string_view text) {
    std::size_t at = 0;
    char32_t c;
    while (at < text.size())
        if (nextUtf8(text, at, c) && isEastAsian(c)) return true;
    return false;
}

// Whether the word, in any case and with or without its final dot, is one of
// the listed ones.
bool isOneOfWords(std::string_view word, std::initializer_list<std::string_view> known) {
    if (!word.empty() && word.back() == '.') word.remove_suffix(1);
    const std::string lower = asciiLower(word);
    return std::find(known.begin(), known.end(), lower) != known.end();
}

bool isTitle(std::string_view word) {
    return isOneOfWords(word, {"mr", "mrs", "ms", "miss", "mx", "dr", "prof", "rev", "sir", "mme", "mlle"});
}

bool isSuffix(std::string_view word) {
    return isOneOfWords(word, {"jr", "sr", "ii", "iii", "iv", "phd", "ph.d", "md", "m.d", "esq", "dds", "dvm", "cpa"});
}

}  // namespace

NameParts splitFullName(std::string_view fullName) {
    NameParts parts;
    std::vector<std::string_view> words = wordsOf(fullName);
    if (words.empty()) return parts;
    if (holdsEastAsianScript(fullName)) {
        parts.last = words[0];
        parts.first = joined(words, 1, words.size());
        return parts;
    }
    std::size_t from = 0, to = words.size();
    while (to - from > 1 && isTitle(words[from])) ++from;
    parts.title = joined(words, 0, from);
    while (to - from > 1 && isSuffix(words[to - 1])) --to;
    parts.suffix = joined(words, to, words.size());
    // "Smith, Jr.": the comma went with the suffix.
    if (to < words.size() && words[to - 1].size() > 1 && words[to - 1].back() == ',') words[to - 1].remove_suffix(1);
    const std::string rest = joined(words, from, to);
    if (const std::size_t comma = rest.find(','); comma != std::string::npos) {
        const std::vector<std::string_view> family = wordsOf(std::string_view(rest).substr(0, comma));
        parts.last = joined(family, 0, family.size());
        const std::vector<std::string_view> given = wordsOf(std::string_view(rest).substr(comma + 1));
        if (!given.empty()) {
            parts.first = given[0];
            parts.middle = joined(given, 1, given.size());
        }
        return parts;
    }
    parts.first = words[from];
    if (to - from > 1) {
        parts.last = words[to - 1];
        parts.middle = joined(words, from + 1, to - 1);
    }
    return parts;
}

}  // namespace tessaly
