#include "vcard/property_line.h"

#include <cctype>

#include "vcard/vcard_text.h"

namespace tessaly {

std::size_t findHeadEnd(std::string_view bytes) {
    bool quoted = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '"')
            quoted = !quoted;
        else if (bytes[i] == ':' && !quoted)
            return i;
    }
    return std::string_view::npos;
}

std::string charsetOf(std::string_view head) {
    const std::string upper = asciiUpper(head);
    const std::size_t found = upper.find("CHARSET=");
    if (found == std::string::npos) return {};
    std::size_t start = found + 8;
    std::size_t end = start;
    while (end < head.size() && head[end] != ';' && head[end] != ':' && head[end] != ',') ++end;
    std::string_view name = head.substr(start, end - start);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    return std::string(trimSpaces(name));
}

PropertyLine::PropertyLine(std::string_view bytes, CharsetDecoder& decoder, bool ignoreCharset) {
    const std::size_t headEnd = findHeadEnd(bytes);
    if (headEnd == std::string_view::npos) {
        text_ = bytesToText(bytes);
    } else {
        const std::string_view head = bytes.substr(0, headEnd);
        std::string_view value = bytes.substr(headEnd + 1);
        std::string decodedValue;
        std::string charset;
        // Parameters come after a ";"; only look for them when the head has one.
        if (head.find(';') != std::string_view::npos) {
            const std::string upperHead = asciiUpper(head);
            quotedPrintable_ = upperHead.find("QUOTED-PRINTABLE") != std::string::npos;
            if (quotedPrintable_) {
                decodedValue = decodeQuotedPrintable(value);
                value = decodedValue;
            }
            if (!ignoreCharset) charset = charsetOf(head);
        }
        text_ = bytesToText(head);
        colon_ = text_.size();
        text_ += ':';
        text_ += decoder.decode(value, charset);
    }
    // Trim, keeping track of where the head's colon went.
    const std::size_t leading = text_.find_first_not_of(' ');
    if (leading == std::string::npos) {
        text_.clear();
        colon_ = std::string::npos;
    } else {
        const std::size_t trailing = text_.find_last_not_of(' ');
        text_ = text_.substr(leading, trailing - leading + 1);
        if (colon_ != std::string::npos) colon_ -= leading;
    }
    findName();
}

PropertyLine::PropertyLine(std::string text) : text_(std::string(trimSpaces(text))) {
    colon_ = findHeadEnd(text_);
    findName();
}

void PropertyLine::findName() {
    // A group prefix is letters, digits and "-" followed by "."; it is skipped.
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[i])) || text_[i] == '-')) ++i;
    if (i > 0 && i < text_.size() && text_[i] == '.') start = i + 1;
    std::size_t end = start;
    while (end < text_.size() && text_[end] != ':' && text_[end] != ';') ++end;
    // Without a colon or semicolon after it, the name test accepts nothing.
    name_ = end < text_.size() ? asciiUpper(std::string_view(text_).substr(start, end - start)) : std::string();
}

std::string_view PropertyLine::head() const {
    return hasValue() ? std::string_view(text_).substr(0, colon_) : std::string_view(text_);
}

std::string_view PropertyLine::value() const {
    return hasValue() ? std::string_view(text_).substr(colon_ + 1) : std::string_view();
}

const std::string& PropertyLine::upper() const {
    if (!haveUpper_) {
        upper_ = asciiUpper(text_);
        haveUpper_ = true;
    }
    return upper_;
}

const std::string& PropertyLine::headLower() const {
    if (!haveHeadLower_) {
        headLower_ = asciiLower(trimSpaces(head()));
        haveHeadLower_ = true;
    }
    return headLower_;
}

}  // namespace tessaly
