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
    if (isValidUtf8(bytes)) return std::string(bytes);
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 2);
    appendWindows1252AsUtf8(bytes, text);
    return text;
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
    if (charset.empty() || isAscii(bytes)) return bytesToText(bytes);
    const std::string name = asciiUpper(charset);
    if (name == "UTF-8" || name == "UTF8") return bytesToText(bytes);
    const iconv_t converter = converterFor(name);
    if (converter == kNoConverter) return bytesToText(bytes);

    iconv(converter, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    std::string out(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(converter, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) {
                const std::size_t used = out.size() - outLeft;
                out.resize(out.size() * 2);
                outPtr = out.data() + used;
                outLeft = out.size() - used;
                continue;
            }
            // Bytes that are not valid in the named set: the set was wrong.
            return bytesToText(bytes);
        }
    }
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace tessaly
