#pragma once
// Reads one vCard file from start to end and hands every card in it to a sink.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "vcard/card_sink.h"
#include "vcard/line_reader.h"

namespace tessaly {

class PictureFileWriter;
class PictureNames;

struct ReaderOptions {
    ReadMode mode = ReadMode::Normal;
    // Where picture files go; empty: none is written.
    std::filesystem::path pictureFolder;
    // When set, picture files are queued to it rather than written before the
    // card is handed over.
    PictureFileWriter* pictureWriter = nullptr;
    // Whether each card's picture is handed over in `ePhotoBytes` too (for a
    // target that stores pictures).
    bool keepPictureBytes = false;
    // The picture names given out so far in the run, shared by its files so
    // that no picture replaces another; without it each file names its
    // pictures afresh.
    PictureNames* pictureNames = nullptr;
    // The longest logical line (and picture) the reader holds.
    std::size_t maxLineBytes = std::size_t{256} << 20;
};

struct FileReadSummary {
    ReadMode mode = ReadMode::Normal;  // the mode the file was read in (never Auto)
    int cards = 0;                 // cards handed over from this file
    bool sawLoneLineFeed = false;  // the file has LF line ends
    bool stoppedByHost = false;    // the sink asked to stop
};

// Reads `vcardFile` (in the mode the options give, or with ReadMode::Auto in
// the one its line ends call for), handing each card to `sink` with `ivCard` as its number and
// adding one to `ivCard` per card, so that numbers run on across the files of a
// run. Throws VcardReadError when the file cannot be opened or read, when a line
// is too long, and when the card number would overflow; cards handed over
// before that stay handed over.
FileReadSummary ReadvCard(const std::string& vcardFile, std::int32_t& ivCard,
                          const ReaderOptions& options, CardSink& sink);

}  // namespace tessaly
