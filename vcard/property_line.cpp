#include "vcard/property_line.h"

#include <algorithm>

#include "vcard/byte_search.h"
#include "common/utf8.h"
#include "vcard/vcard_text.h"

namespace tessaly {

std::size_t findHeadEnd(std::string_view bytes) {
    // Quoted text is passed over whole: a colon inside it ends nothing.
    std::size_t at = 0;
    for (;;) {
        at = findEither(bytes, at, ':', '"');
        if (at == bytes.size()) return std::string_view::npos;
        if (bytes[at] == ':') return at;
        const std::size_t closing = bytes.find('"', at + 1);
        if (closing == std::string_view::npos) return std::string_view::npos;
        at = closing + 1;
    }
}

std::string charsetOf(std::string_view head) {
    const std::size_t found = findNoCase(head, "CHARSET=");
    if (found == std::string_view::npos) return {};
    std::size_t start = found + 8;
    std::size_t end = start;
    while (end < head.size() && head[end] != ';' && head[end] != ':' && head[end] != ',') ++end;
    std::string_view name = head.substr(start, end - start);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    return std::string(trimSpaces(name));
}

namespace {

bool isNameCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}


}  // namespace

PropertyLine::PropertyLine(std::string_view bytes, CharsetDecoder& decoder, bool ignoreCharset) {
    parse(bytes, decoder, ignoreCharset);
}

void PropertyLine::parse(std::string_view bytes, CharsetDecoder& decoder, bool ignoreCharset) {
    // The text of a long line is not kept for the lines after it.
    if (storage_.capacity() > kKeptStorage) std::string().swap(storage_);
    haveHeadLower_ = false;
    quotedPrintable_ = false;
    colon_ = std::string::npos;
    const std::size_t headEnd = findHeadEnd(bytes);
    const bool headSaysQuotedPrintable =
        headEnd != std::string_view::npos && containsNoCase(bytes.substr(0, headEnd), "QUOTED-PRINTABLE");
    // Most lines are plain ASCII and not quoted-printable: their bytes are their
    // text whatever character set they name.
    if (headEnd != std::string_view::npos && !headSaysQuotedPrintable && isAscii(bytes)) {
        text_ = bytes;  // no copy: the caller keeps the bytes until the next line
        colon_ = headEnd;
    } else if (headEnd == std::string_view::npos) {
        storage_.clear();
        appendBytesAsText(bytes, storage_);
        text_ = storage_;
    } else {
        const std::string_view head = bytes.substr(0, headEnd);
        std::string_view value = bytes.substr(headEnd + 1);
        std::string decodedValue;
        std::string charset;
        // Parameters come after a ";"; only look for them when the head has one.
        if (head.find(';') != std::string_view::npos) {
            quotedPrintable_ = headSaysQuotedPrintable;
            if (quotedPrintable_) {
                decodedValue = decodeQuotedPrintable(value);
                value = decodedValue;
            }
            if (!ignoreCharset) charset = charsetOf(head);
        }
        storage_.clear();
        appendBytesAsText(head, storage_);
        colon_ = storage_.size();
        storage_ += ':';
        decoder.decodeInto(value, charset, storage_);
        text_ = storage_;
    }
    dropNulCharacters();
    trimText();
    findName();
}

void PropertyLine::dropNulCharacters() {
    nulsLeftOut_ = 0;
    const std::size_t first = text_.find('\0');
    if (first == std::string_view::npos) return;
    std::string kept(text_.substr(0, first));
    kept.reserve(text_.size());
    std::size_t nulsBeforeColon = 0;
    for (std::size_t i = first; i < text_.size(); ++i) {
        if (text_[i] != '\0') {
            kept += text_[i];
            continue;
        }
        ++nulsLeftOut_;
        if (colon_ != std::string::npos && i < colon_) ++nulsBeforeColon;
    }
    if (colon_ != std::string::npos) colon_ -= nulsBeforeColon;
    storage_ = std::move(kept);
    text_ = storage_;
}

void PropertyLine::trimText() {
    // Trim, keeping track of where the head's colon went.
    const std::size_t leading = text_.find_first_not_of(' ');
    if (leading == std::string_view::npos) {
        text_ = {};
        colon_ = std::string::npos;
        return;
    }
    const std::size_t trailing = text_.find_last_not_of(' ');
    text_ = text_.substr(leading, trailing + 1 - leading);
    if (colon_ != std::string::npos) colon_ -= leading;
}

PropertyLine::PropertyLine(std::string text) : storage_(std::move(text)) {
    text_ = trimSpaces(storage_);
    colon_ = findHeadEnd(text_);
    findName();
}

void PropertyLine::findName() {
    // The name runs to the first colon or semicolon. A group prefix (letters,
    // digits and "-" from the start, then ".") is skipped: one pass finds both.
    std::size_t start = 0;
    bool inPrefix = true;
    std::size_t end = 0;
    for (; end < text_.size(); ++end) {
        const char c = text_[end];
        if (c == ':' || c == ';') break;
        if (inPrefix && !isNameCharacter(c)) {
            if (c == '.' && end > 0) start = end + 1;
            inPrefix = false;
        }
    }
    // Without a colon or semicolon after it, the name test accepts nothing.
    nameSize_ = 0;
    if (end == text_.size()) return;
    nameSize_ = std::min(end - start, name_.size());
    for (std::size_t k = 0; k < nameSize_; ++k) {
        const char c = text_[start + k];
        name_[k] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
}

std::string_view PropertyLine::head() const {
    return hasValue() ? std::string_view(text_).substr(0, colon_) : std::string_view(text_);
}

std::string_view PropertyLine::value() const {
    return hasValue() ? std::string_view(text_).substr(colon_ + 1) : std::string_view();
}

const std::string& PropertyLine::headLower() const {
    if (!haveHeadLower_) {
        const std::string_view head = trimSpaces(this->head());
        headLower_.resize(head.size());
        copyAsciiLower(head.data(), headLower_.data(), head.size());
        haveHeadLower_ = true;
    }
    return headLower_;
}

}  // namespace tessaly
