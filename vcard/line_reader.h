#pragma once
// Cuts the bytes of a vCard file into logical lines.
//
// First the reading mode cuts raw lines: in Normal Mode a line ends at CR or
// CR LF and a lone LF is an ordinary character; in Advance Mode a lone LF ends a
// line too, and an empty CR-ended line is dropped. Then a quoted-printable value
// whose line ends in "=" takes the next line in (a soft break), and a line that
// starts with a space or a tab continues the line before it (folding). Frame
// lines (BEGIN:VCARD, END:VCARD) are never joined to anything, and an empty line
// ends a fold.

#include <cstddef>
#include <string>
#include <string_view>

#include "vcard/byte_source.h"
#include "vcard/vcard_text.h"

namespace tessaly {

// Auto is no way of cutting lines but the choice of one per file, by its line
// ends (see read_mode_choice.h); the line reader itself cuts in Normal or
// Advance Mode.
enum class ReadMode { Normal, Advance, Auto };

struct LogicalLine {
    std::string_view bytes;  // held by the reader until its next call of next()
    long number = 0;         // the physical line it starts on, from 1
};

class LineReader {
public:
    // A line buffer up to this size is kept for reuse; a larger one is let go
    // once its line is done with.
    static constexpr std::size_t kKeptBuffer = 1 << 20;

    LineReader(ByteSource& source, ReadMode mode, std::size_t maxLineBytes, std::string path);

    // The next logical line, whose bytes stay valid until the next call; false
    // at the end of the file. Throws VcardReadError for a line longer than the
    // limit.
    bool next(LogicalLine& line);

    // True once a line feed was seen that did not follow a carriage return.
    bool sawLoneLineFeed() const { return sawLoneLineFeed_; }

private:
    bool nextPiece(std::string& current);
    void endPiece(bool isBreak);
    void checkLength(std::size_t size, long number) const;
    void startPending(bool isFrame);
    void giveOut(LogicalLine& line);
    // Where the waiting line's soft break ("=" ending a quoted-printable
    // value's physical line, blanks after it allowed) is, or npos.
    std::size_t pendingSoftBreak();

    ByteSource& source_;
    const ReadMode mode_;
    const std::size_t maxLineBytes_;
    const std::string path_;

    // Two buffers take turns: one holds the line waiting to see whether the
    // next piece continues it, the other receives that piece. A line given
    // out stays in its buffer until the next call, and nothing is swapped.
    std::string buffers_[2];
    int pending_ = 0;  // the buffer of the line waiting
    struct {
        long number = 0;
        bool isBreak = false;  // an empty line that Advance Mode drops
    } piece_;                  // what is known of the piece last read

    // Raw cutting.
    std::string chunk_;
    std::size_t position_ = 0;
    long currentNumber_ = 1;
    long physicalLine_ = 1;
    bool pendingCarriageReturn_ = false;
    bool rawLineHadLineFeed_ = false;
    bool atEnd_ = false;
    bool sawLoneLineFeed_ = false;

    // Joining.
    bool hasPending_ = false;
    long pendingNumber_ = 0;
    bool pendingTakesNoFold_ = false;  // empty or a frame line
    std::size_t headScanned_ = 0;      // how far the head's colon was looked for
    bool headInQuotes_ = false;
    bool headComplete_ = false;
    bool pendingQuotedPrintable_ = false;
    std::size_t lastPieceStart_ = 0;   // where the physical line joined last begins
};

// True when the text, less leading and trailing spaces, is BEGIN:VCARD or
// END:VCARD in any letter case. Inline: every line is tested, and nearly all
// are ruled out by their length.
inline bool isBeginLine(std::string_view text) {
    const std::string_view trimmed = trimSpaces(text);
    return trimmed.size() == 11 && startsWithNoCase(trimmed, "BEGIN:VCARD");
}
inline bool isEndLine(std::string_view text) {
    const std::string_view trimmed = trimSpaces(text);
    return trimmed.size() == 9 && startsWithNoCase(trimmed, "END:VCARD");
}

}  // namespace tessaly
