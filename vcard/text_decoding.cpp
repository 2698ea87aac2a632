#include "vcard/text_decoding.h"

#include <algorithm>
#include <cerrno>

#include "common/utf8.h"
#include "vcard/vcard_text.h"
#include "common/windows1252.h"

namespace tessaly {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string decodeHexEscapes(std::string_view text, char escape) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == escape && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string decodeQuotedPrintable(std::string_view text) { return decodeHexEscapes(text, '='); }

std::string bytesToText(std::string_view bytes) {
    std::string text;
    appendBytesAsText(bytes, text);
    return text;
}

void appendBytesAsText(std::string_view bytes, std::string& out) {
    if (isValidUtf8(bytes)) {
        out.append(bytes);
        return;
    }
    out.reserve(out.size() + bytes.size() + bytes.size() / 2);
    appendWindows1252AsUtf8(bytes, out);
}

std::string converterKey(std::string_view charset) {
    std::string code(charset.substr(0, charset.find('\0')));
    if (!isAscii(code)) return code;
    const auto endsInBlankOrSeparator = [&code] {
        const char c = code.back();
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == ',' || c == '/';
    };
    for (;;) {
        while (!code.empty() && endsInBlankOrSeparator()) code.pop_back();
        if (std::count(code.begin(), code.end(), '/') < 2) break;
        code.erase(code.find_last_of("/,"));
    }
    std::string key;
    for (const char c : code) {
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '-' ||
            c == '.' || c == ',' || c == ':' || c == '/')
            key += asciiUpper(c);
    }
    return key;
}

CharsetDecoder::~CharsetDecoder() {
    for (const Kept& kept : kept_) {
        if (kept.converter != kNoConverter) iconv_close(kept.converter);
    }
}

iconv_t CharsetDecoder::converterFor(const std::string& charset) {
    std::string key = converterKey(charset);
    const auto found = std::find_if(kept_.begin(), kept_.end(), [&](const Kept& kept) { return kept.key == key; });
    if (found != kept_.end()) {
        std::rotate(kept_.begin(), found, found + 1);
        return kept_.front().converter;
    }
    if (kept_.size() == kKept) {
        if (kept_.back().converter != kNoConverter) iconv_close(kept_.back().converter);
        kept_.pop_back();
    }
    kept_.insert(kept_.begin(), Kept{std::move(key), iconv_open("UTF-8", charset.c_str())});
    return kept_.front().converter;
}

std::string CharsetDecoder::decode(std::string_view bytes, std::string_view charset) {
    std::string out;
    decodeInto(bytes, charset, out);
    return out;
}

void CharsetDecoder::decodeInto(std::string_view bytes, std::string_view charset, std::string& out) {
    if (charset.empty() || isAscii(bytes)) return appendBytesAsText(bytes, out);
    const std::string name = asciiUpper(charset);
    if (name == "UTF-8" || name == "UTF8") return appendBytesAsText(bytes, out);
    const iconv_t converter = converterFor(name);
    if (converter == kNoConverter) return appendBytesAsText(bytes, out);

    iconv(converter, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    // Converted a piece at a time into a small buffer and appended: the text
    // takes what it needs, whatever the set's worst case per byte.
    const std::size_t start = out.size();
    char piece[64 * 1024];
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* outPtr = piece;
        std::size_t outLeft = sizeof piece;
        const std::size_t converted = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
        out.append(piece, sizeof piece - outLeft);
        if (converted == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // Bytes that are not valid in the named set: the set was wrong.
            out.resize(start);
            return appendBytesAsText(bytes, out);
        }
    }
    // A set with shift states ends in the initial state.
    char* outPtr = piece;
    std::size_t outLeft = sizeof piece;
    iconv(converter, nullptr, nullptr, &outPtr, &outLeft);
    out.append(piece, sizeof piece - outLeft);
}

}  // namespace tessaly
