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

#include "vcard/byte_source.h"

namespace tessaly {

enum class ReadMode { Normal, Advance };

struct LogicalLine {
    std::string bytes;
    long number = 0;  // the physical line it starts on, from 1
};

class LineReader {
public:
    LineReader(ByteSource& source, ReadMode mode, std::size_t maxLineBytes, std::string path);

    // The next logical line; false at the end of the file. Throws VcardReadError
    // for a line longer than the limit.
    bool next(LogicalLine& line);

    // True once a line feed was seen that did not follow a carriage return.
    bool sawLoneLineFeed() const { return sawLoneLineFeed_; }

private:
    struct Piece {
        std::string bytes;
        long number = 0;
        bool isBreak = false;  // an empty line that Advance Mode drops
    };

    bool nextPiece(Piece& piece);
    void takePiece(Piece& piece, bool isBreak);
    void checkLength(const std::string& bytes, long number) const;
    void startPending(Piece& piece, bool isFrame);
    void giveOut(LogicalLine& line);
    bool pendingEndsInSoftBreak();

    Piece piece_;  // reused, so that lines cycle through the same buffers
    ByteSource& source_;
    const ReadMode mode_;
    const std::size_t maxLineBytes_;
    const std::string path_;

    // Raw cutting.
    std::string chunk_;
    std::size_t position_ = 0;
    std::string current_;
    long currentNumber_ = 1;
    long physicalLine_ = 1;
    bool pendingCarriageReturn_ = false;
    bool rawLineHadLineFeed_ = false;
    bool atEnd_ = false;
    bool sawLoneLineFeed_ = false;

    // Joining: the line waiting to see whether the next one continues it.
    bool hasPending_ = false;
    LogicalLine pending_;
    bool pendingTakesNoFold_ = false;  // empty or a frame line
    std::size_t headScanned_ = 0;      // how far the head's colon was looked for
    bool headInQuotes_ = false;
    bool headComplete_ = false;
    bool pendingQuotedPrintable_ = false;
};

// True when the text, less leading and trailing spaces, is BEGIN:VCARD or
// END:VCARD in any letter case.
bool isBeginLine(std::string_view text);
bool isEndLine(std::string_view text);

}  // namespace tessaly
