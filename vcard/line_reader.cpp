#include "vcard/line_reader.h"

#include "vcard/vcard_read_error.h"
#include "vcard/vcard_text.h"

namespace tessaly {

namespace {

bool equalsNoCase(std::string_view text, std::string_view word) {
    return text.size() == word.size() && startsWithNoCase(text, word);
}

bool isFrameLine(std::string_view text) { return isBeginLine(text) || isEndLine(text); }

bool startsWithBlank(const std::string& bytes) {
    return !bytes.empty() && (bytes[0] == ' ' || bytes[0] == '\t');
}

}  // namespace

bool isBeginLine(std::string_view text) { return equalsNoCase(trimSpaces(text), "BEGIN:VCARD"); }
bool isEndLine(std::string_view text) { return equalsNoCase(trimSpaces(text), "END:VCARD"); }

LineReader::LineReader(ByteSource& source, ReadMode mode, std::size_t maxLineBytes, std::string path)
    : source_(source), mode_(mode), maxLineBytes_(maxLineBytes), path_(std::move(path)) {}

void LineReader::checkLength(const std::string& bytes, long number) const {
    if (bytes.size() > maxLineBytes_)
        throw VcardReadError(path_, number,
                             "line is too long (over " + std::to_string(maxLineBytes_) + " bytes)");
}

void LineReader::takePiece(Piece& piece, bool isBreak) {
    piece.bytes.swap(current_);
    current_.clear();
    piece.number = currentNumber_;
    piece.isBreak = isBreak;
    currentNumber_ = physicalLine_;
}

bool LineReader::nextPiece(Piece& piece) {
    for (;;) {
        if (position_ == chunk_.size()) {
            position_ = 0;
            if (!source_.next(chunk_)) {
                chunk_.clear();
                if (atEnd_) return false;
                atEnd_ = true;
                // A last line without a line end; in Advance Mode a trailing LF
                // leaves an empty last piece.
                if (current_.empty() && !(mode_ == ReadMode::Advance && rawLineHadLineFeed_))
                    return false;
                takePiece(piece, false);
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
        std::size_t end = position_;
        while (end < chunk_.size() && chunk_[end] != '\r' && chunk_[end] != '\n') ++end;
        current_.append(chunk_, position_, end - position_);
        position_ = end;
        checkLength(current_, currentNumber_);
        if (position_ == chunk_.size()) continue;

        const char lineEnd = chunk_[position_++];
        ++physicalLine_;
        if (lineEnd == '\r') {
            pendingCarriageReturn_ = true;
            const bool dropped =
                mode_ == ReadMode::Advance && current_.empty() && !rawLineHadLineFeed_;
            rawLineHadLineFeed_ = false;
            takePiece(piece, dropped);
            return true;
        }
        sawLoneLineFeed_ = true;
        if (mode_ == ReadMode::Normal) {
            current_ += '\n';
            continue;
        }
        rawLineHadLineFeed_ = true;
        takePiece(piece, false);
        return true;
    }
}

void LineReader::startPending(Piece& piece) {
    pending_.bytes.swap(piece.bytes);
    pending_.number = piece.number;
    hasPending_ = true;
    pendingTakesNoFold_ = pending_.bytes.empty() || isFrameLine(pending_.bytes);
    headScanned_ = 0;
    headInQuotes_ = false;
    headComplete_ = false;
    pendingQuotedPrintable_ = false;
}

bool LineReader::pendingEndsInSoftBreak() {
    // The head is looked for once, up to its colon, however long the line grows.
    while (!headComplete_ && headScanned_ < pending_.bytes.size()) {
        const char c = pending_.bytes[headScanned_++];
        if (c == '"') headInQuotes_ = !headInQuotes_;
        if (c == ':' && !headInQuotes_) {
            headComplete_ = true;
            const std::string head = asciiUpper(std::string_view(pending_.bytes).substr(0, headScanned_));
            pendingQuotedPrintable_ = head.find("QUOTED-PRINTABLE") != std::string::npos;
        }
    }
    if (!pendingQuotedPrintable_) return false;
    const std::size_t last = pending_.bytes.find_last_not_of(" \t");
    return last != std::string::npos && last >= headScanned_ && pending_.bytes[last] == '=';
}

bool LineReader::next(LogicalLine& line) {
    Piece piece;
    for (;;) {
        if (!nextPiece(piece)) {
            if (!hasPending_) return false;
            line = std::move(pending_);
            hasPending_ = false;
            return true;
        }
        if (piece.isBreak) {
            if (!hasPending_) continue;
            line = std::move(pending_);
            hasPending_ = false;
            return true;
        }
        if (hasPending_ && !pendingTakesNoFold_ && !piece.bytes.empty() && !isFrameLine(piece.bytes)) {
            if (pendingEndsInSoftBreak()) {
                pending_.bytes.erase(pending_.bytes.find_last_not_of(" \t"));
                pending_.bytes.append(piece.bytes, startsWithBlank(piece.bytes) ? 1 : 0);
                checkLength(pending_.bytes, pending_.number);
                continue;
            }
            if (startsWithBlank(piece.bytes)) {
                pending_.bytes.append(piece.bytes, 1);
                checkLength(pending_.bytes, pending_.number);
                continue;
            }
        }
        if (hasPending_) {
            line = std::move(pending_);
            startPending(piece);
            return true;
        }
        startPending(piece);
    }
}

}  // namespace tessaly
