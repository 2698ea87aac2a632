#pragma once
// Turning the bytes of a vCard line into UTF-8 text: quoted-printable decoding
// and character sets.

#include <iconv.h>

#include <map>
#include <string>
#include <string_view>

namespace tessaly {

// Decodes quoted-printable: "=XX" becomes the byte XX; an "=" not followed by two
// hexadecimal digits stays as it is.
std::string decodeQuotedPrintable(std::string_view text);

// Replaces each `escape` followed by two hex digits with the byte they give
// ("=" in quoted-printable, "%" in URIs); anything else stays as it is.
std::string decodeHexEscapes(std::string_view text, char escape);

// UTF-8 when the bytes are valid UTF-8, Windows-1252 otherwise.
std::string bytesToText(std::string_view bytes);

// Converts value bytes in a named character set to UTF-8, keeping one converter
// per character set for the life of the object.
class CharsetDecoder {
public:
    CharsetDecoder() = default;
    ~CharsetDecoder();
    CharsetDecoder(const CharsetDecoder&) = delete;
    CharsetDecoder& operator=(const CharsetDecoder&) = delete;

    // An empty, unknown or unsuitable character set falls back to bytesToText.
    std::string decode(std::string_view bytes, std::string_view charset);

private:
    iconv_t converterFor(const std::string& charset);
    std::map<std::string, iconv_t> converters_;
};

}  // namespace tessaly
