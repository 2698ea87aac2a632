#include "app/terminal_text.h"

namespace tessaly {

namespace {

void appendHex(std::string& out, unsigned value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    out += "\\x";
    out += kDigits[(value >> 4) & 0xF];
    out += kDigits[value & 0xF];
}

// The length of the well-formed UTF-8 sequence at the start of `text`, 0 when
// there is none.
std::size_t utf8SequenceLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (length == 0 || text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 0;
    return length;
}

}  // namespace

void appendTerminalText(std::string& out, std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            if ((byte < 0x20 && byte != '\n') || byte == 0x7F)
                appendHex(out, byte);
            else
                out += text[i];
            ++i;
            continue;
        }
        const std::size_t length = utf8SequenceLength(text.substr(i));
        if (length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            appendHex(out, static_cast<unsigned char>(text[i + 1]));  // U+0080 to U+009F
        } else if (length > 0) {
            out.append(text.substr(i, length));
        } else if (byte <= 0x9F) {
            appendHex(out, byte);  // a lone byte a terminal of 8-bit controls would act on
        } else {
            out += text[i];
        }
        i += length > 0 ? length : 1;
    }
}

std::string terminalText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendTerminalText(out, text);
    return out;
}

}  // namespace tessaly
