#include "vcard/line_reader.h"

#include "vcard/byte_search.h"
#include "vcard/vcard_read_error.h"
#include "vcard/vcard_text.h"

namespace tessaly {

namespace {

bool isFrameLine(std::string_view text) {
    // Most lines are ruled out by their length alone.
    const std::string_view trimmed = trimSpaces(text);
    if (trimmed.size() != 9 && trimmed.size() != 11) return false;
    return isBeginLine(trimmed) || isEndLine(trimmed);
}

bool startsWithBlank(const std::string& bytes) {
    return !bytes.empty() && (bytes[0] == ' ' || bytes[0] == '\t');
}

}  // namespace


LineReader::LineReader(ByteSource& source, ReadMode mode, std::size_t maxLineBytes, std::string path)
    : source_(source), mode_(mode), maxLineBytes_(maxLineBytes), path_(std::move(path)) {}

// Called before a line grows, so that a line over the limit is refused
// without first being held whole (a file of one line of gigabytes).
void LineReader::checkLength(std::size_t size, long number) const {
    if (size > maxLineBytes_)
        throw VcardReadError(path_, number,
                             "line is too long (over " + std::to_string(maxLineBytes_) + " bytes)");
}

void LineReader::endPiece(bool isBreak) {
    piece_.number = currentNumber_;
    piece_.isBreak = isBreak;
    currentNumber_ = physicalLine_;
}

bool LineReader::nextPiece(std::string& current) {
    for (;;) {
        if (position_ == chunk_.size()) {
            position_ = 0;
            if (!source_.next(chunk_)) {
                chunk_.clear();
                if (atEnd_) return false;
                atEnd_ = true;
                // A last line without a line end; in Advance Mode a trailing LF
                // leaves an empty last piece.
                if (current.empty() && !(mode_ == ReadMode::Advance && rawLineHadLineFeed_))
                    return false;
                endPiece(false);
                rawLineHadLineFeed_ = false;
                return true;
            }
            continue;
        }
        if (pendingCarriageReturn_) {
            pendingCarriageReturn_ = false;
            if (chunk_[position_] == '\n') {
                ++position_;
                continue;
            }
        }
        // Take the run of ordinary bytes at once.
        const std::size_t end = findEither(chunk_, position_, '\r', '\n');
        checkLength(current.size() + (end - position_), currentNumber_);
        current.append(chunk_, position_, end - position_);
        position_ = end;
        if (position_ == chunk_.size()) continue;

        const char lineEnd = chunk_[position_++];
        ++physicalLine_;
        if (lineEnd == '\r') {
            pendingCarriageReturn_ = true;
            const bool dropped =
                mode_ == ReadMode::Advance && current.empty() && !rawLineHadLineFeed_;
            rawLineHadLineFeed_ = false;
            endPiece(dropped);
            return true;
        }
        sawLoneLineFeed_ = true;
        if (mode_ != ReadMode::Advance) {
            checkLength(current.size() + 1, currentNumber_);
            current += '\n';
            continue;
        }
        rawLineHadLineFeed_ = true;
        endPiece(false);
        return true;
    }
}

void LineReader::giveOut(LogicalLine& line) {
    line.bytes = buffers_[pending_];
    line.number = pendingNumber_;
}

void LineReader::startPending(bool isFrame) {
    // The piece just read becomes the line waiting; the other buffer is free
    // for the next piece once the caller is done with the line given out.
    pending_ = 1 - pending_;
    pendingNumber_ = piece_.number;
    hasPending_ = true;
    pendingTakesNoFold_ = buffers_[pending_].empty() || isFrame;
    headScanned_ = 0;
    headInQuotes_ = false;
    headComplete_ = false;
    pendingQuotedPrintable_ = false;
    lastPieceStart_ = 0;
}

// The position of the last byte from `from` on that is not a space or a tab,
// or npos.
static std::size_t lastNonBlank(const std::string& bytes, std::size_t from) {
    std::size_t end = bytes.size();
    while (end > from && (bytes[end - 1] == ' ' || bytes[end - 1] == '\t')) --end;
    return end == from ? std::string::npos : end - 1;
}

std::size_t LineReader::pendingSoftBreak() {
    const std::string& pending = buffers_[pending_];
    // Only the end of the physical line joined last can be a soft break. (The
    // blanks at the end of the whole line would otherwise be passed over
    // again for every line joined to it.)
    const std::size_t last = lastNonBlank(pending, lastPieceStart_);
    if (last == std::string::npos || pending[last] != '=') return std::string::npos;
    // The head is looked for once, up to its colon, however long the line grows.
    while (!headComplete_ && headScanned_ < pending.size()) {
        const char c = pending[headScanned_++];
        if (c == '"') headInQuotes_ = !headInQuotes_;
        if (c == ':' && !headInQuotes_) {
            headComplete_ = true;
            pendingQuotedPrintable_ =
                containsNoCase(std::string_view(pending).substr(0, headScanned_), "QUOTED-PRINTABLE");
        }
    }
    return pendingQuotedPrintable_ && last >= headScanned_ ? last : std::string::npos;
}

bool LineReader::next(LogicalLine& line) {
    for (;;) {
        std::string& piece = buffers_[1 - pending_];
        // The line given out last is done with: a long one lets its memory go.
        if (piece.capacity() > kKeptBuffer)
            std::string().swap(piece);
        else
            piece.clear();
        if (!nextPiece(piece)) {
            if (!hasPending_) return false;
            giveOut(line);
            hasPending_ = false;
            return true;
        }
        if (piece_.isBreak) {
            if (!hasPending_) continue;
            giveOut(line);
            hasPending_ = false;
            return true;
        }
        const bool pieceIsFrame = isFrameLine(piece);
        if (hasPending_ && !pendingTakesNoFold_ && !piece.empty() && !pieceIsFrame) {
            std::string& pending = buffers_[pending_];
            if (const std::size_t softBreak = pendingSoftBreak(); softBreak != std::string::npos) {
                pending.erase(softBreak);
                const std::size_t skip = startsWithBlank(piece) ? 1 : 0;
                checkLength(pending.size() + piece.size() - skip, pendingNumber_);
                lastPieceStart_ = pending.size();
                pending.append(piece, skip);
                continue;
            }
            if (startsWithBlank(piece)) {
                checkLength(pending.size() + piece.size() - 1, pendingNumber_);
                lastPieceStart_ = pending.size();
                pending.append(piece, 1);
                continue;
            }
        }
        if (hasPending_) giveOut(line);
        const bool gaveOut = hasPending_;
        startPending(pieceIsFrame);
        if (gaveOut) return true;
    }
}

}  // namespace tessaly
