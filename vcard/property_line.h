#pragma once
// One logical line of a card as text: decoded, trimmed, and cut into its head
// (property name and parameters) and its value.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "vcard/text_decoding.h"

namespace tessaly {

class PropertyLine {
public:
    // Decoded text up to this size is kept for the next line to reuse; more
    // is let go, so that one long line does not hold its memory for the rest
    // of the file.
    static constexpr std::size_t kKeptStorage = 1 << 20;

    // Decodes the line's bytes: the head ends at the first colon outside double
    // quotes; a quoted-printable value is decoded; the value's bytes are read in
    // the head's CHARSET (unless `ignoreCharset`), else as UTF-8 when valid, else
    // as Windows-1252. U+0000 characters are left out (and counted). The
    // result is trimmed of spaces.
    PropertyLine(std::string_view bytes, CharsetDecoder& decoder, bool ignoreCharset);

    // For tests and callers that already hold text.
    explicit PropertyLine(std::string text);

    // An empty line, to be filled by parse(); a reader keeps one and reuses its
    // buffers for every line.
    PropertyLine() = default;
    // The line's text may refer to `bytes`, which must outlive the use of the
    // line (until the next parse).
    void parse(std::string_view bytes, CharsetDecoder& decoder, bool ignoreCharset);

    // A line may refer to bytes it does not own: it is not copied.
    PropertyLine(const PropertyLine&) = delete;
    PropertyLine& operator=(const PropertyLine&) = delete;

    std::string_view text() const { return text_; }
    bool hasValue() const { return colon_ != std::string::npos; }
    std::string_view head() const;
    // Everything after the head's colon (leading spaces kept).
    std::string_view value() const;
    // The property name in upper case, without a group prefix ("item1.").
    std::string_view name() const { return {name_.data(), nameSize_}; }
    // The head, trimmed and in lower case (computed on first use).
    const std::string& headLower() const;

    bool headHasQuotedPrintable() const { return quotedPrintable_; }
    // How many U+0000 characters the decoded line had. They are left out of
    // its text: a NUL cuts strings short in the targets and their readers.
    std::size_t nulCharactersLeftOut() const { return nulsLeftOut_; }

private:
    void findName();
    void trimText();
    void dropNulCharacters();

    std::string_view text_;  // the trimmed line: in the caller's bytes or in storage_
    std::string storage_;    // decoded text, when it differs from the bytes
    std::size_t colon_ = std::string::npos;
    // Property names are short: most fit here without an allocation; a longer
    // one is cut, which no name the rules test for is.
    std::array<char, 32> name_{};
    std::size_t nameSize_ = 0;
    bool quotedPrintable_ = false;
    std::size_t nulsLeftOut_ = 0;
    mutable std::string headLower_;
    mutable bool haveHeadLower_ = false;
};

// The position of the first colon outside double quotes, or npos.
std::size_t findHeadEnd(std::string_view bytes);

// The value of a CHARSET parameter in a head, or empty.
std::string charsetOf(std::string_view head);

}  // namespace tessaly
