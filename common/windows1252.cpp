#include "common/windows1252.h"

#include "common/utf8.h"

namespace tessaly {

namespace {

// Code points of the bytes 0x80 to 0x9F; every other byte is its own code point.
// The undefined bytes map to the C1 control of the same number.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t codePointOf(unsigned char byte) {
    return (byte >= 0x80 && byte <= 0x9F) ? kHighControls[byte - 0x80] : byte;
}

// The byte for a code point, or -1 when Windows-1252 lacks it.
int byteOf(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) return static_cast<int>(codePoint);
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == codePoint) return 0x80 + i;
    }
    return -1;
}

}  // namespace

void appendWindows1252AsUtf8(std::string_view bytes, std::string& out) {
    for (char c : bytes) appendUtf8(codePointOf(static_cast<unsigned char>(c)), out);
}

void appendUtf8AsWindows1252(std::string_view text, std::string& out, std::size_t& replaced) {
    std::size_t position = 0;
    while (position < text.size()) {
        // A run of ASCII bytes is the same in both.
        std::size_t run = position;
        while (run < text.size() && static_cast<unsigned char>(text[run]) < 0x80) ++run;
        out.append(text, position, run - position);
        position = run;
        if (position == text.size()) break;
        char32_t codePoint;
        const int byte = nextUtf8(text, position, codePoint) ? byteOf(codePoint) : -1;
        if (byte < 0) {
            out += '?';
            ++replaced;
        } else {
            out += static_cast<char>(byte);
        }
    }
}

std::string utf8ToWindows1252(std::string_view text, std::size_t& replaced) {
    std::string out;
    out.reserve(text.size());
    appendUtf8AsWindows1252(text, out, replaced);
    return out;
}

}  // namespace tessaly
