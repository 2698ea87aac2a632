#pragma once
// Where the reader hands finished cards and what it has to say about a file.

#include <cstddef>
#include <cstdint>
#include <string>

#include "vcard/contact_record.h"

namespace tessaly {

enum class ReadProblemKind {
    IncompleteCard,      // a card still open at the end of its file (not handed over)
    MergedCard,          // a BEGIN:VCARD inside an open card: two cards became one
    PictureUndecodable,  // picture data that is not valid Base64
    PictureNotWritten,   // a picture file that could not be written
    NulCharacterLeftOut, // U+0000 in a value, which no target can hold: dropped
};

struct ReadProblem {
    ReadProblemKind kind;
    std::string file;
    long line = 0;  // physical line number, from 1
    std::string cause;
    std::size_t count = 1;  // how many of the kind the line had
};

class CardSink {
public:
    virtual ~CardSink() = default;

    // A finished card. `cardNumber` counts the cards of the whole run from 1;
    // `line` is the line of the file on which the card began. An exception
    // thrown here (the target cannot be written) ends the reading.
    virtual void handOver(const ContactRecord& record, std::int32_t cardNumber, long line) = 0;

    virtual void problem(const ReadProblem& problem) = 0;

    // Asked every so many lines and after every card: a chance to let a window
    // process its events.
    // Returning false stops the reading of the file (the user asked to stop).
    virtual bool keepReading() { return true; }
};

}  // namespace tessaly
