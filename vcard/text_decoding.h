#pragma once
// Turning the bytes of a vCard line into UTF-8 text: quoted-printable decoding
// and character sets.

#include <iconv.h>

#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// Decodes quoted-printable: "=XX" becomes the byte XX; an "=" not followed by two
// hexadecimal digits stays as it is.
std::string decodeQuotedPrintable(std::string_view text);

// Replaces each `escape` followed by two hex digits with the byte they give
// ("=" in quoted-printable, "%" in URIs); anything else stays as it is.
std::string decodeHexEscapes(std::string_view text, char escape);

// UTF-8 when the bytes are valid UTF-8, Windows-1252 otherwise.
std::string bytesToText(std::string_view bytes);
// The same, appended to `out`.
void appendBytesAsText(std::string_view bytes, std::string& out);

// The name under which the C library's converter looks a source character set
// up, as it makes it from any name it is given: the name ends at its first
// NUL; options after a second "/" (such as "//TRANSLIT", which a source set
// ignores) are dropped with blanks, commas and slashes at its end; of the rest
// only letters, digits and "_-.,:/" count, in upper case. Names of the same key
// open the same converter. A name with a byte outside ASCII is its own key
// (the library's test for blanks there depends on the locale).
std::string converterKey(std::string_view charset);

// Converts value bytes in a named character set to UTF-8. Converters are
// kept for the character sets used last, a few at the most, by their key; so
// are the names no converter exists for.
class CharsetDecoder {
public:
    // How many character sets (converters or names without one) are kept.
    static constexpr std::size_t kKept = 8;

    CharsetDecoder() = default;
    ~CharsetDecoder();
    CharsetDecoder(const CharsetDecoder&) = delete;
    CharsetDecoder& operator=(const CharsetDecoder&) = delete;

    // An empty, unknown or unsuitable character set falls back to bytesToText.
    std::string decode(std::string_view bytes, std::string_view charset);
    // The same, appended to `out`, which grows only as the text does (a long
    // value is not converted into a buffer sized for the worst case first).
    void decodeInto(std::string_view bytes, std::string_view charset, std::string& out);

    // How many character sets are kept now.
    std::size_t charsetsKept() const { return kept_.size(); }

private:
    struct Kept {
        std::string key;
        iconv_t converter;  // (iconv_t)-1 for a name no converter exists for
    };
    iconv_t converterFor(const std::string& charset);
    std::vector<Kept> kept_;  // the one used last first
};

}  // namespace tessaly
